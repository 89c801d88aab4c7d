// memstr, strrstr, strnostr and sprintfEx: the window rule, overlapping and
// last matches, ASCII-only folding; and the bounded, zero-filled print.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "hostutil.h"

namespace {

// Position of a result in its haystack, -1 for null.
long at(const char* haystack, const char* found) { return found ? found - haystack : -1; }

TEST(StringSearch, ExamplesAndRefusals) {
  // memstr's window restarts at every candidate and stops at the text's end.
  const struct {
    const char* h;
    const char* k;
    uint32_t window;
    long at;
  } windows[] = {{"aXaXab", "ab", 2, 4},   {"aXXXab", "ab", 2, -1}, {"aXXXab", "ab", 4, 4},
                 {"aXXXab", "ab", ~0u, 4}, {"aXXXab", "a", 0, -1},  {"abcabc", "ca", 6, 2},
                 {"abcabc", "cx", 6, -1},  {"abcabc", "", 6, -1},   {"abcabc", nullptr, 6, -1},
                 {nullptr, "a", 6, -1},    {"", "a", 6, -1},        {"abc", "cde", 3, -1},
                 {"abc", "B", 3, -1},      {"ba", "a", 2, 1},       {"xxxxab", "ab", 5, 4},
                 {"xxxxab", "ab", 4, -1}};
  for (const auto& c : windows) {
    EXPECT_EQ(at(c.h, memstr(c.h, c.k, c.window)), c.at)
        << (c.h ? c.h : "null") << " / " << (c.k ? c.k : "null") << " / " << c.window;
  }
  // strrstr's last match and strnostr's first, which folds ASCII letters only:
  // @ [ ` { and bytes from 0x80 lie 0x20 from their neighbours but are not letters.
  const struct {
    const char* h;
    const char* k;
    long last, no_case;
  } texts[] = {{"abcabc", "bc", 4, 1},
               {"abcabc", "abcabc", 0, 0},
               {"abcabc", "abcabcd", -1, -1},
               {"abc", "x", -1, -1},
               {"", "a", -1, -1},
               {"aaa", "aa", 1, 0},
               {nullptr, "a", -1, -1},
               {"abcabc", nullptr, -1, -1},
               {"abcabc", "", -1, -1},
               {"Hello World", "o", 7, 4},
               {"Hello World", "WORLD", -1, 6},
               {"Hello World", "worlds", -1, -1},
               {"Hello World", "hello world", -1, 0},
               {"x@y", "x`y", -1, -1},
               {"[a]", "{A}", -1, -1},
               {"\xC4pfel", "\xE4PFEL", -1, -1},
               {"\xC4pfel", "\xC4PFEL", -1, 0}};
  for (const auto& c : texts) {
    SCOPED_TRACE(testing::Message() << (c.h ? c.h : "null") << " / " << (c.k ? c.k : "null"));
    EXPECT_EQ(at(c.h, strrstr(c.h, c.k)), c.last);
    EXPECT_EQ(at(c.h, strnostr(c.h, c.k)), c.no_case);
  }
}

// sprintfEx into a buffer of size bytes; the buffer and two guard bytes behind it.
template <typename... Args>
std::string printed(uint32_t size, const char* format, Args... args) {
  std::string memory(size + 2, 'x');
  sprintfEx(memory.data(), size, format, args...);
  return memory;
}

TEST(SprintfEx, CutsAndZeroFillsWithinTheBuffer) {
  EXPECT_EQ(printed(5, "%d", 123456), std::string("1234\0xx", 7));
  EXPECT_EQ(printed(7, "%s-%c", "ab", 'z'), std::string("ab-z\0\0\0xx", 9));
  EXPECT_EQ(printed(7, "%d", -12345), std::string("-12345\0xx", 9));  // exactly size - 1
  EXPECT_EQ(printed(1, "%d", 5), std::string("\0xx", 3));
  // Bad arguments leave the buffer untouched.
  EXPECT_EQ(printed(0, "%d", 1), "xx");
  EXPECT_EQ(printed(4, nullptr), "xxxxxx");
  EXPECT_EQ(printed(4, ""), "xxxxxx");
  sprintfEx(nullptr, 8, "%d", 1);
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
