// The four single conversions: exact units and bytes both ways, outputs exactly
// large enough or one unit short, NULs inside the length, the length-0 rule of
// ChangeAnsiToUnicode and nothing written past a buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "convert/encoding_samples.h"
#include "hostutil.h"

namespace {

using namespace std::string_literals;
using encoding_test::samples;
using encoding_test::to_u16;
using encoding_test::units;

constexpr hu_wchar unit_fence = 0x5A5A;
constexpr char byte_fence = 'Z';

// Converts into capacities n - 1, n and 32 with a fence behind them: a text
// that fits is followed by zeros up to the capacity and has no terminator of
// its own; one unit short gives 0 and zeros only; nothing past the capacity changes.
template <typename In, typename Out>
void expect_capacities(int32_t(HOSTUTIL_CALL* convert)(const In*, uint32_t, Out*, uint32_t),
                       const std::vector<In>& text, const std::vector<Out>& want) {
  const auto n = static_cast<uint32_t>(want.size());
  const auto fence = static_cast<Out>(sizeof(Out) == 1 ? byte_fence : unit_fence);
  for (uint32_t capacity : {n - 1, n, 32u}) {
    SCOPED_TRACE(capacity);
    std::vector<Out> out(capacity + 4, fence);
    const bool fits = capacity >= n;
    EXPECT_EQ(convert(text.data(), static_cast<uint32_t>(text.size()), out.data(), capacity),
              fits ? static_cast<int32_t>(n) : 0);
    std::vector<Out> expected(capacity, Out{0});
    if (fits) std::copy(want.begin(), want.end(), expected.begin());
    expected.insert(expected.end(), 4, fence);
    EXPECT_EQ(out, expected);
  }
}

TEST(EncodingSingle, SamplesBothWaysInEveryCapacity) {
  for (const auto& s : samples()) {
    SCOPED_TRACE(s.name);
    const std::vector<char> utf8(s.utf8.begin(), s.utf8.end());
    const units utf16(s.utf16.begin(), s.utf16.end());
    expect_capacities(ChangeUTF8ToUTF16, utf8, utf16);
    expect_capacities(ChangeUTF16ToUTF8, utf16, utf8);
    // ASCII is the same in every ANSI code page.
    if (std::string(s.name) == "ascii") {
      expect_capacities(ChangeAnsiToUnicode, utf8, utf16);
      expect_capacities(ChangeUnicodeToAnsi, utf16, utf8);
    }
  }
  // Whether half a surrogate pair is kept is the system's affair (Wine keeps it), but
  // nothing goes past the capacity; a 4-byte character is written whole or not at all.
  units wide(3, unit_fence);
  EXPECT_LE(ChangeUTF8ToUTF16("a\xF0\x9F\x98\x80", 5, wide.data(), 2), 2);
  EXPECT_EQ(wide[2], unit_fence);
  const units pair{0xD83D, 0xDE00};
  char narrow[5] = {byte_fence, byte_fence, byte_fence, byte_fence, byte_fence};
  EXPECT_EQ(ChangeUTF16ToUTF8(pair.data(), 2, narrow, 3), 0);
  EXPECT_EQ(narrow[3], byte_fence);
}

// One conversion into a roomy buffer; the units or bytes it gave.
std::u16string utf16_of(const std::string& utf8, bool ansi = false) {
  units wide(32, unit_fence);
  const auto n = static_cast<uint32_t>(utf8.size());
  const int32_t r = ansi ? ChangeAnsiToUnicode(utf8.data(), n, wide.data(), 32)
                         : ChangeUTF8ToUTF16(utf8.data(), n, wide.data(), 32);
  return to_u16(wide.data(), static_cast<std::size_t>(std::max(r, 0)));
}
std::string utf8_of(std::u16string_view utf16, bool ansi = false) {
  const units wide(utf16.begin(), utf16.end());
  std::string narrow(32, byte_fence);
  const auto n = static_cast<uint32_t>(wide.size());
  const int32_t r = ansi ? ChangeUnicodeToAnsi(wide.data(), n, narrow.data(), 32)
                         : ChangeUTF16ToUTF8(wide.data(), n, narrow.data(), 32);
  return narrow.substr(0, static_cast<std::size_t>(std::max(r, 0)));
}

TEST(EncodingSingle, NulsInsideAndIllFormedInput) {
  EXPECT_EQ(utf16_of("a\0b\0"s), u"a\0b\0"s);
  EXPECT_EQ(utf8_of(u"a\0b"s), "a\0b"s);
  EXPECT_EQ(utf16_of("x\0y"s, true), u"x\0y"s);
  EXPECT_EQ(utf8_of(u"x\0y"s, true), "x\0y"s);
  // A bad byte, a character cut short at the end and a lone surrogate are one
  // replacement character each.
  EXPECT_EQ(utf16_of("a\xFFz"), u"a\uFFFDz");
  EXPECT_EQ(utf16_of("a\xE3\x81"), u"a\uFFFD");
  const char16_t lone_high[] = {'a', 0xD800, 'z', 0}, lone_low[] = {0xDC00, 0};
  const char16_t cut_pair[] = {'a', 0xD83D, 0};
  EXPECT_EQ(utf8_of(lone_high), "a\xEF\xBF\xBDz");
  EXPECT_EQ(utf8_of(lone_low), "\xEF\xBF\xBD");
  EXPECT_EQ(utf8_of(cut_pair), "a\xEF\xBF\xBD");
}

TEST(EncodingSingle, LengthZeroAndMissingArguments) {
  units wide(4, unit_fence);
  // ChangeAnsiToUnicode alone takes length 0 as "up to the NUL".
  EXPECT_EQ(ChangeAnsiToUnicode("abc", 0, wide.data(), 4), 3);
  EXPECT_EQ(to_u16(wide.data(), 4), u"abc\0"s);
  std::fill(wide.begin(), wide.end(), unit_fence);
  EXPECT_EQ(ChangeAnsiToUnicode("", 0, wide.data(), 4), 0);
  EXPECT_EQ(wide[0], unit_fence);

  const units source{'a', 'b'};
  char narrow[4] = {byte_fence, byte_fence, byte_fence, byte_fence};
  EXPECT_EQ(ChangeUTF8ToUTF16("ab", 0, wide.data(), 4), 0);
  EXPECT_EQ(ChangeUTF16ToUTF8(source.data(), 0, narrow, 4), 0);
  EXPECT_EQ(ChangeUnicodeToAnsi(source.data(), 0, narrow, 4), 0);
  EXPECT_EQ(ChangeUTF8ToUTF16(nullptr, 2, wide.data(), 4), 0);
  EXPECT_EQ(ChangeUTF8ToUTF16("ab", 2, nullptr, 4), 0);
  EXPECT_EQ(ChangeUTF8ToUTF16("ab", 2, wide.data(), 0), 0);
  EXPECT_EQ(ChangeAnsiToUnicode(nullptr, 0, wide.data(), 4), 0);
  EXPECT_EQ(ChangeAnsiToUnicode("ab", 2, wide.data(), 0), 0);
  EXPECT_EQ(ChangeUTF16ToUTF8(nullptr, 2, narrow, 4), 0);
  EXPECT_EQ(ChangeUTF16ToUTF8(source.data(), 2, nullptr, 4), 0);
  EXPECT_EQ(ChangeUnicodeToAnsi(source.data(), 2, narrow, 0), 0);
  EXPECT_EQ(wide[0], unit_fence);
  EXPECT_EQ(std::string(narrow, 4), std::string(4, byte_fence));
}

}  // namespace
