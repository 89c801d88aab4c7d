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

TEST(ErrorText, WholeOrCutNeverPastTheBuffer) {
  const std::string text = full_text(known_code);
  ASSERT_GT(text.size(), 4u);
  const auto n = static_cast<uint32_t>(text.size());
  // One guard byte on each side; what the text leaves of the buffer is zero.
  for (uint32_t size : {1u, n, n + 1, 1024u}) {
    SCOPED_TRACE(size);
    std::string memory(size + 2, 'x');
    EXPECT_EQ(GetLastErrorString(known_code, memory.data() + 1, size), std::min(size, n));
    const std::string shown = text.substr(0, std::min(n, size - 1));
    EXPECT_EQ(memory, 'x' + shown + std::string(size - shown.size(), '\0') + 'x');
  }
}

TEST(ErrorText, RefusalsUnknownCodesAndTheThreadsLastError) {
  char buf[16] = "untouched";
  EXPECT_EQ(GetLastErrorString(known_code, nullptr, 16), 0u);
  EXPECT_EQ(GetLastErrorString(known_code, buf, 0), 0u);
  EXPECT_EQ(GetLastErrorStringEx(nullptr, 5), 0u);
  EXPECT_STREQ(buf, "untouched");
  // A code the system has no text for: 0 and an all-zero buffer.
  char zeros[64];
  std::memset(zeros, 'x', sizeof zeros);
  EXPECT_EQ(GetLastErrorString(0x7FFF1234u, zeros, sizeof zeros), 0u);
  for (char c : zeros) ASSERT_EQ(c, 0);

  const std::string text = full_text(known_code);
  char last[1024];
#ifdef _WIN32
  ::SetLastError(known_code);
#else
  errno = static_cast<int>(known_code);
#endif
  EXPECT_EQ(GetLastErrorStringEx(last, sizeof last), text.size());
  EXPECT_EQ(std::string(last), text);
}

TEST(Compare, NullCountAndCaseRules) {
  // Expected from CompareCase, CompareCaseN, CompareNoCase and CompareNoCaseN.
  const struct {
    const char* a;
    const char* b;
    uint32_t count;
    uint32_t equal[4];
  } cases[] = {{nullptr, nullptr, 5, {1, 1, 1, 1}}, {"", nullptr, 1, {0, 0, 0, 0}},
               {nullptr, "x", 0, {0, 1, 0, 1}},     {"", "", 1, {1, 1, 1, 1}},
               {"abc", "ABC", 3, {0, 1, 1, 1}},     {"abcX", "ABCy", 3, {0, 1, 0, 1}},
               {"abcX", "ABCy", 4, {0, 0, 0, 0}},   {"ab", "AB", 10, {0, 1, 1, 1}},
               {"ab", "abc", 2, {0, 1, 0, 1}},      {"ab", "abc", 3, {0, 0, 0, 0}},
               {"abc", "abd", 2, {0, 1, 0, 1}},     {"abc", "abc", 3, {1, 1, 1, 1}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << (c.a ? c.a : "null") << " / " << (c.b ? c.b : "null") << " " << c.count);
    EXPECT_EQ(CompareCase(c.a, c.b), c.equal[0]);
    EXPECT_EQ(CompareCaseN(c.a, c.b, c.count), c.equal[1]);
    EXPECT_EQ(CompareNoCase(c.a, c.b), c.equal[2]);
    EXPECT_EQ(CompareNoCaseN(c.a, c.b, c.count), c.equal[3]);
  }
}

// Every case-blind test agrees on every pair of single bytes: 0x5B and 0x7B,
// 0x40 and 0x60, and bytes from 0x80 lie 0x20 apart but are not letters.
TEST(Compare, OnlyAsciiLettersFold) {
  for (int a = 1; a < 256; ++a) {
    for (int b = 1; b < 256; ++b) {
      const char x[2] = {static_cast<char>(a), 0};
      const char y[2] = {static_cast<char>(b), 0};
      const bool letters =
          (a >= 'A' && a <= 'Z' && b == a + 0x20) || (a >= 'a' && a <= 'z' && b == a - 0x20);
      const uint32_t expect = (a == b || letters) ? 1u : 0u;
      ASSERT_EQ(CompareNoCase(x, y), expect) << a << " " << b;
      ASSERT_EQ(CompareNoCaseN(x, y, 1), expect);
      ASSERT_EQ(CompareCaseN(x, y, 1), expect);
      ASSERT_EQ(CompareCase(x, y), a == b ? 1u : 0u);
    }
  }
}

TEST(Case, ExactlyCountBytesPastNulsAndHighBytes) {
  char buf[10] = {'a', 'b', 0, 'c', 'd', 0, 0, 0, 0, 0};
  MakeUpper(buf, 10);
  EXPECT_EQ(std::string(buf, 10), std::string("AB\0CD\0\0\0\0\0", 10));
  MakeLower(buf, 4);
  EXPECT_EQ(std::string(buf, 10), std::string("ab\0cD\0\0\0\0\0", 10));
  // A double-byte character's trail byte 'A' (0x41) is lowered all the same;
  // bytes from 0x80 are never letters.
  char text[] = "\x83\x41\xC0z";
  MakeLower(text, 4);
  EXPECT_STREQ(text, "\x83\x61\xC0z");
  MakeUpper(text, 4);
  EXPECT_STREQ(text, "\x83\x41\xC0Z");
  MakeLower(nullptr, 4);
  MakeLower(text, 0);
  EXPECT_STREQ(text, "\x83\x41\xC0Z");
  // An empty text changes nothing, whatever lies behind its NUL.
  char empty[4] = {0, 'A', 'b', 0};
  MakeLower(empty, 4);
  MakeUpper(empty, 4);
  EXPECT_EQ(std::string(empty, 4), std::string("\0Ab\0", 4));
}

TEST(PublicHeader, UsableFromC99) { EXPECT_EQ(hostutil_c_api_probe(), 1); }

}  // namespace
