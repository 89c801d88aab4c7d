// memstr, strrstr, strnostr and sprintfEx: the window rule, overlapping and
// last matches, ASCII-only folding, results checked against the searches done
// step by step on many small random texts; and the bounded, zero-filled print.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <random>
#include <string>

#include "hostutil.h"

namespace {

// Position of a result in its haystack, -1 for null.
long at(const char* haystack, const char* found) { return found ? found - haystack : -1; }

// The searches written the plain way, rescanning as they go.
const char* memstr_steps(const char* h, const char* k, uint32_t window) {
  if (!h || !*h || !k || !*k) return nullptr;
  const char* pos = h;
  for (;;) {
    if (*pos == '\0') return nullptr;
    const size_t scan = std::min<size_t>(window, std::strlen(pos));
    const char* found = static_cast<const char*>(std::memchr(pos, k[0], scan));
    if (!found) return nullptr;
    if (std::strlen(found) < std::strlen(k)) return nullptr;
    if (std::memcmp(found, k, std::strlen(k)) == 0) return found;
    pos = found + 1;
  }
}

const char* strrstr_steps(const char* h, const char* k) {
  const char* last = nullptr;
  for (const char* p = std::strstr(h, k); p; p = std::strstr(p + 1, k)) last = p;
  return last;
}

const char* strnostr_steps(const char* h, const char* k) {
  if (!h || !*h || !k || !*k) return nullptr;
  for (const char* p = h; *p; ++p) {
    if (CompareNoCaseN(p, k, static_cast<uint32_t>(std::strlen(k))) == 1) return p;
  }
  return nullptr;
}

std::string random_text(std::mt19937& gen, size_t max, const char* alphabet) {
  std::string s(gen() % (max + 1), ' ');
  const size_t n = std::strlen(alphabet);
  for (auto& c : s) c = alphabet[gen() % n];
  return s;
}

TEST(Memstr, WindowRestartsAtEveryCandidate) {
  const char* h = "aXaXab";
  EXPECT_EQ(at(h, memstr(h, "ab", 2)), 4);
  const char* g = "aXXXab";
  EXPECT_EQ(at(g, memstr(g, "ab", 2)), -1);  // no a within two bytes of position 1
  EXPECT_EQ(at(g, memstr(g, "ab", 4)), 4);
  EXPECT_EQ(at(g, memstr(g, "ab", 0xFFFFFFFFu)), 4);  // a window past the end stops at it
  EXPECT_EQ(at(g, memstr(g, "a", 0)), -1);
}

TEST(Memstr, ExamplesAndRefusals) {
  const char* h = "abcabc";
  EXPECT_EQ(at(h, memstr(h, "ca", 6)), 2);
  EXPECT_EQ(at(h, memstr(h, "cx", 6)), -1);
  EXPECT_EQ(at(h, memstr(h, "", 6)), -1);
  EXPECT_EQ(at(h, memstr(h, nullptr, 6)), -1);
  EXPECT_EQ(at(h, memstr(nullptr, "a", 6)), -1);
  EXPECT_EQ(at(h, memstr("", "a", 6)), -1);
  EXPECT_EQ(at(h, memstr("abc", "cde", 3)), -1);  // rest shorter than the needle
  EXPECT_EQ(at(h, memstr("abc", "B", 3)), -1);    // exact bytes, no folding
  const char* one = "ba";
  EXPECT_EQ(at(one, memstr(one, "a", 2)), 1);  // a one-byte needle at the very end
  const char* tail = "xxxxab";
  EXPECT_EQ(at(tail, memstr(tail, "ab", 5)), 4);  // a match ending at the text's end
  EXPECT_EQ(at(tail, memstr(tail, "ab", 4)), -1);
}

TEST(Strrstr, LastAndOverlappingMatches) {
  const char* h = "abcabc";
  EXPECT_EQ(at(h, strrstr(h, "bc")), 4);
  EXPECT_EQ(at(h, strrstr(h, "abcabc")), 0);
  EXPECT_EQ(at(h, strrstr(h, "abcabcd")), -1);
  EXPECT_EQ(at("abc", strrstr("abc", "x")), -1);
  EXPECT_EQ(at("", strrstr("", "a")), -1);
  const char* a = "aaa";
  EXPECT_EQ(at(a, strrstr(a, "aa")), 1);
  EXPECT_EQ(strrstr(nullptr, "a"), nullptr);
  EXPECT_EQ(strrstr(h, nullptr), nullptr);
  EXPECT_EQ(strrstr(h, ""), nullptr);  // an empty needle finds nothing, as in memstr
}

TEST(Strnostr, AsciiLettersOnlyFold) {
  const char* h = "Hello World";
  EXPECT_EQ(at(h, strnostr(h, "WORLD")), 6);
  EXPECT_EQ(at(h, strnostr(h, "worlds")), -1);
  EXPECT_EQ(at(h, strnostr(h, "hello world")), 0);
  EXPECT_EQ(at(h, strnostr(h, "")), -1);
  EXPECT_EQ(strnostr("", "a"), nullptr);
  EXPECT_EQ(strnostr(nullptr, "a"), nullptr);
  EXPECT_EQ(strnostr(h, nullptr), nullptr);
  // @ [ ` { and bytes from 0x80 differ from their neighbours by 0x20 but are not letters.
  EXPECT_EQ(strnostr("x@y", "x`y"), nullptr);
  EXPECT_EQ(strnostr("[a]", "{A}"), nullptr);
  EXPECT_EQ(strnostr("\xC4pfel", "\xE4PFEL"), nullptr);
  const char* hi = "\xC4pfel";
  EXPECT_EQ(at(hi, strnostr(hi, "\xC4PFEL")), 0);
}

TEST(StringSearch, AgreeWithTheStepByStepSearches) {
  std::mt19937 gen(21);
  for (int round = 0; round < 20000; ++round) {
    const std::string h = random_text(gen, 24, "aabX");
    const std::string k = random_text(gen, 4, "aabX");
    const uint32_t window = gen() % 8;
    ASSERT_EQ(at(h.c_str(), memstr(h.c_str(), k.c_str(), window)),
              at(h.c_str(), memstr_steps(h.c_str(), k.c_str(), window)))
        << h << " / " << k << " / " << window;
    if (!k.empty()) {
      ASSERT_EQ(at(h.c_str(), strrstr(h.c_str(), k.c_str())),
                at(h.c_str(), strrstr_steps(h.c_str(), k.c_str())))
          << h << " / " << k;
    }
    const std::string hc = random_text(gen, 24, "aAbB@`");
    const std::string kc = random_text(gen, 3, "aAbB@`");
    ASSERT_EQ(at(hc.c_str(), strnostr(hc.c_str(), kc.c_str())),
              at(hc.c_str(), strnostr_steps(hc.c_str(), kc.c_str())))
        << hc << " / " << kc;
  }
}

TEST(SprintfEx, CutsAndZeroFillsWithinTheBuffer) {
  char buf[8];
  std::memset(buf, 'x', sizeof buf);
  sprintfEx(buf, 5, "%d", 123456);
  EXPECT_EQ(std::string(buf, 5), std::string("1234\0", 5));
  EXPECT_EQ(std::string(buf + 5, 3), "xxx");  // nothing past the given size

  std::memset(buf, 'x', sizeof buf);
  sprintfEx(buf, 7, "%s-%c", "ab", 'z');
  EXPECT_EQ(std::string(buf, 8), std::string("ab-z\0\0\0x", 8));  // the tail zeroed

  std::memset(buf, 'x', sizeof buf);
  sprintfEx(buf, 7, "%d", -12345);  // exactly size - 1 characters
  EXPECT_EQ(std::string(buf, 8), std::string("-12345\0x", 8));

  std::memset(buf, 'x', sizeof buf);
  sprintfEx(buf, 1, "%d", 5);
  EXPECT_EQ(std::string(buf, 2), std::string("\0x", 2));
}

TEST(SprintfEx, BadArgumentsLeaveTheBufferUntouched) {
  char buf[8] = "keepme";
  sprintfEx(buf, 0, "%d", 1);
  EXPECT_STREQ(buf, "keepme");
  sprintfEx(buf, sizeof buf, nullptr);
  EXPECT_STREQ(buf, "keepme");
  sprintfEx(buf, sizeof buf, "");
  EXPECT_STREQ(buf, "keepme");
  sprintfEx(nullptr, sizeof buf, "%d", 1);
}

TEST(SprintfEx, SizesFromTwoToThe31stAreClearedNotFormatted) {
  constexpr size_t size = 0x80000000u;
  std::unique_ptr<char[]> big(new (std::nothrow) char[size + 1]);
  if (!big) GTEST_SKIP() << "no 2 GiB block on this machine";
  std::memset(big.get(), 'x', 16);
  big[size - 1] = 'x';
  big[size] = 'y';
  sprintfEx(big.get(), static_cast<uint32_t>(size), "%d", 42);
  EXPECT_EQ(big[0], 0);
  EXPECT_EQ(big[15], 0);
  EXPECT_EQ(big[size - 1], 0);
  EXPECT_EQ(big[size], 'y');
}

}  // namespace
