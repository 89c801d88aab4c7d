// System error texts, string equality tests and case conversion.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "hostutil.h"
#ifdef _WIN32
#include <windows.h>
#endif

extern "C" int hostutil_c_api_probe(void);

namespace {

// A code every system has a text for: "file not found" on Windows, ENOENT here.
constexpr uint32_t known_code = 2;

std::string full_text(uint32_t code) {
  char buf[4096];
  const uint32_t n = GetLastErrorString(code, buf, sizeof buf);
  EXPECT_LT(n, sizeof buf);
  return std::string(buf, n);
}

TEST(ErrorText, WholeTextAndRestOfBufferZero) {
  const std::string text = full_text(known_code);
  ASSERT_FALSE(text.empty());
  char buf[1024];
  std::memset(buf, 'x', sizeof buf);
  const uint32_t n = GetLastErrorString(known_code, buf, sizeof buf);
  EXPECT_EQ(n, text.size());
  EXPECT_EQ(std::string(buf), text);
  for (size_t i = text.size(); i < sizeof buf; ++i) ASSERT_EQ(buf[i], 0) << i;
}

TEST(ErrorText, CutToBufferNeverPastIt) {
  const std::string text = full_text(known_code);
  ASSERT_GT(text.size(), 4u);
  const uint32_t n = static_cast<uint32_t>(text.size());
  // size 1: empty text, result 1
  char guard[3] = {'x', 'x', 'x'};
  EXPECT_EQ(GetLastErrorString(known_code, guard + 1, 1), 1u);
  EXPECT_EQ(guard[0], 'x');
  EXPECT_EQ(guard[1], 0);
  EXPECT_EQ(guard[2], 'x');
  // size n: first n-1 characters, result n; the byte after the buffer untouched
  std::string buf(n + 1, 'x');
  EXPECT_EQ(GetLastErrorString(known_code, buf.data(), n), n);
  EXPECT_EQ(std::string(buf.c_str()), text.substr(0, n - 1));
  EXPECT_EQ(buf[n], 'x');
}

TEST(ErrorText, RefusalsAndUnknownCodes) {
  char buf[16] = "untouched";
  EXPECT_EQ(GetLastErrorString(known_code, nullptr, 16), 0u);
  EXPECT_EQ(GetLastErrorString(known_code, buf, 0), 0u);
  EXPECT_STREQ(buf, "untouched");
  // A code the system has no text for: 0 and an all-zero buffer.
  char zeros[64];
  std::memset(zeros, 'x', sizeof zeros);
  EXPECT_EQ(GetLastErrorString(0x7FFF1234u, zeros, sizeof zeros), 0u);
  for (char c : zeros) ASSERT_EQ(c, 0);
  EXPECT_EQ(GetLastErrorStringEx(nullptr, 5), 0u);
}

TEST(ErrorText, ExReadsTheThreadsLastError) {
  const std::string text = full_text(known_code);
  char buf[1024];
#ifdef _WIN32
  ::SetLastError(known_code);
#else
  errno = static_cast<int>(known_code);
#endif
  EXPECT_EQ(GetLastErrorStringEx(buf, sizeof buf), text.size());
  EXPECT_EQ(std::string(buf), text);
}

TEST(Compare, NullRules) {
  EXPECT_EQ(CompareCase(nullptr, nullptr), 1u);
  EXPECT_EQ(CompareCase("", nullptr), 0u);
  EXPECT_EQ(CompareCase(nullptr, ""), 0u);
  EXPECT_EQ(CompareCase("", ""), 1u);
  EXPECT_EQ(CompareNoCase(nullptr, nullptr), 1u);
  EXPECT_EQ(CompareNoCase("a", nullptr), 0u);
  // A count of 0 wins over everything, null strings included.
  EXPECT_EQ(CompareCaseN(nullptr, "x", 0), 1u);
  EXPECT_EQ(CompareNoCaseN("x", nullptr, 0), 1u);
  EXPECT_EQ(CompareCaseN(nullptr, "x", 1), 0u);
  EXPECT_EQ(CompareNoCaseN(nullptr, nullptr, 5), 1u);
}

TEST(Compare, CaseRules) {
  EXPECT_EQ(CompareCase("abc", "ABC"), 0u);
  EXPECT_EQ(CompareCaseN("abc", "ABC", 3), 1u);
  EXPECT_EQ(CompareNoCase("abc", "ABC"), 1u);
  EXPECT_EQ(CompareNoCaseN("abc", "ABC", 3), 1u);
  EXPECT_EQ(CompareNoCaseN("abcX", "ABCy", 3), 1u);
  EXPECT_EQ(CompareNoCaseN("abcX", "ABCy", 4), 0u);
  EXPECT_EQ(CompareNoCaseN("ab", "AB", 10), 1u);
  EXPECT_EQ(CompareCaseN("ab", "AB", 10), 1u);
  EXPECT_EQ(CompareNoCase("ab", "abc"), 0u);
  EXPECT_EQ(CompareCaseN("ab", "abc", 3), 0u);
  EXPECT_EQ(CompareCaseN("ab", "abc", 2), 1u);
  EXPECT_EQ(CompareCase("abc", "abd"), 0u);
  EXPECT_EQ(CompareCase("abc", "abc"), 1u);
}

TEST(Compare, OnlyAsciiLettersFold) {
  // 0x5B/0x7B and 0x40/0x60 lie 0x20 apart but are not letters.
  EXPECT_EQ(CompareNoCase("[", "{"), 0u);
  EXPECT_EQ(CompareNoCase("@", "`"), 0u);
  EXPECT_EQ(CompareCaseN("[", "{", 1), 0u);
  // Every case-blind test agrees on every pair of single bytes.
  for (int a = 1; a < 256; ++a) {
    for (int b = 1; b < 256; ++b) {
      const char x[2] = {static_cast<char>(a), 0};
      const char y[2] = {static_cast<char>(b), 0};
      const bool letters = (a >= 'A' && a <= 'Z' && b == a + 0x20) ||
                           (a >= 'a' && a <= 'z' && b == a - 0x20);
      const uint32_t expect = (a == b || letters) ? 1u : 0u;
      ASSERT_EQ(CompareNoCase(x, y), expect) << a << " " << b;
      ASSERT_EQ(CompareNoCaseN(x, y, 1), expect);
      ASSERT_EQ(CompareCaseN(x, y, 1), expect);
      ASSERT_EQ(CompareCase(x, y), a == b ? 1u : 0u);
    }
  }
}

TEST(Case, ConvertsExactlyCountBytesPastTheNul) {
  char buf[10] = {'a', 'b', 0, 'c', 'd', 0, 0, 0, 0, 0};
  MakeUpper(buf, 10);
  const char upper[10] = {'A', 'B', 0, 'C', 'D', 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(buf, upper, 10), 0);
  MakeLower(buf, 4);
  const char lower[10] = {'a', 'b', 0, 'c', 'D', 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(buf, lower, 10), 0);
}

TEST(Case, EmptyNullAndZeroCountChangeNothing) {
  char empty[4] = {0, 'A', 'b', 0};
  MakeLower(empty, 4);
  MakeUpper(empty, 4);
  EXPECT_EQ(empty[1], 'A');
  EXPECT_EQ(empty[2], 'b');
  MakeLower(nullptr, 4);
  char text[] = "Ab";
  MakeLower(text, 0);
  EXPECT_STREQ(text, "Ab");
}

TEST(Case, SingleByteViewOfDoubleByteText) {
  // A double-byte character whose trail byte is 'A' has it lowered all the same;
  // bytes from 0x80 are never letters.
  char text[] = {static_cast<char>(0x83), 'A', static_cast<char>(0xC0), 'z', 0};
  MakeLower(text, 4);
  EXPECT_EQ(text[0], static_cast<char>(0x83));
  EXPECT_EQ(text[1], 'a');
  EXPECT_EQ(text[2], static_cast<char>(0xC0));
  MakeUpper(text, 4);
  EXPECT_EQ(text[3], 'Z');
  EXPECT_EQ(text[2], static_cast<char>(0xC0));
}

TEST(PublicHeader, UsableFromC99) { EXPECT_EQ(hostutil_c_api_probe(), 1); }

}  // namespace
