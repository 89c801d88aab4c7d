// The four single conversions: exact units and bytes both ways, outputs that
// are exactly large enough or one unit short (which leaves only zeros), NULs
// inside the length, the length-0 rule of ChangeAnsiToUnicode and nothing
// written past a buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "convert/encoding_samples.h"
#include "hostutil.h"

namespace {

using encoding_test::samples;
using encoding_test::to_u16;
using encoding_test::units;

constexpr hu_wchar unit_fence = 0x5A5A;
constexpr char byte_fence = 'Z';

TEST(EncodingSingle, SamplesBothWaysZeroFillTheirCapacityOnly) {
  for (const auto& s : samples()) {
    SCOPED_TRACE(s.name);
    units wide(64, unit_fence);
    const int32_t n =
        ChangeUTF8ToUTF16(s.utf8.data(), static_cast<uint32_t>(s.utf8.size()), wide.data(), 32);
    ASSERT_EQ(n, static_cast<int32_t>(s.utf16.size()));
    EXPECT_EQ(to_u16(wide.data(), n), s.utf16);
    for (int i = n; i < 32; ++i) EXPECT_EQ(wide[i], 0) << i;
    for (int i = 32; i < 64; ++i) EXPECT_EQ(wide[i], unit_fence) << i;

    std::string narrow(64, byte_fence);
    const int32_t m = ChangeUTF16ToUTF8(wide.data(), static_cast<uint32_t>(n), narrow.data(), 32);
    ASSERT_EQ(m, static_cast<int32_t>(s.utf8.size()));
    EXPECT_EQ(narrow.substr(0, m), s.utf8);
    EXPECT_EQ(narrow.substr(m, 32 - m), std::string(32 - m, '\0'));
    EXPECT_EQ(narrow.substr(32), std::string(32, byte_fence));
  }
}

TEST(EncodingSingle, ExactOutputHasNoTerminatorAndOneShortFails) {
  for (const auto& s : samples()) {
    SCOPED_TRACE(s.name);
    const auto n = static_cast<uint32_t>(s.utf16.size());
    const auto m = static_cast<uint32_t>(s.utf8.size());
    units wide(n + 1, unit_fence);
    EXPECT_EQ(ChangeUTF8ToUTF16(s.utf8.data(), m, wide.data(), n), static_cast<int32_t>(n));
    EXPECT_EQ(wide[n], unit_fence);
    std::fill(wide.begin(), wide.end(), unit_fence);
    EXPECT_EQ(ChangeUTF8ToUTF16(s.utf8.data(), m, wide.data(), n - 1), 0);
    EXPECT_EQ(to_u16(wide.data(), n + 1),
              std::u16string(n - 1, u'\0') + char16_t{unit_fence} + char16_t{unit_fence});

    const units source(s.utf16.begin(), s.utf16.end());
    std::string narrow(m + 1, byte_fence);
    EXPECT_EQ(ChangeUTF16ToUTF8(source.data(), n, narrow.data(), m), static_cast<int32_t>(m));
    EXPECT_EQ(narrow[m], byte_fence);
    std::fill(narrow.begin(), narrow.end(), byte_fence);
    EXPECT_EQ(ChangeUTF16ToUTF8(source.data(), n, narrow.data(), m - 1), 0);
    EXPECT_EQ(narrow, std::string(m - 1, '\0') + byte_fence + byte_fence);
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

TEST(EncodingSingle, NulsInsideTheLengthAreConverted) {
  hu_wchar wide[8] = {};
  ASSERT_EQ(ChangeUTF8ToUTF16("a\0b\0", 4, wide, 8), 4);
  EXPECT_EQ(to_u16(wide, 4), std::u16string(u"a\0b\0", 4));
  char narrow[8] = {};
  ASSERT_EQ(ChangeUTF16ToUTF8(wide, 3, narrow, 8), 3);
  EXPECT_EQ(std::string(narrow, 3), std::string("a\0b", 3));
  std::memset(wide, 0, sizeof wide);
  ASSERT_EQ(ChangeAnsiToUnicode("x\0y", 3, wide, 8), 3);
  EXPECT_EQ(to_u16(wide, 3), std::u16string(u"x\0y", 3));
  std::memset(narrow, 0, sizeof narrow);
  ASSERT_EQ(ChangeUnicodeToAnsi(wide, 3, narrow, 8), 3);
  EXPECT_EQ(std::string(narrow, 3), std::string("x\0y", 3));
}

TEST(EncodingSingle, LengthZeroAndMissingArguments) {
  units wide(4, unit_fence);
  // ChangeAnsiToUnicode alone takes length 0 as "up to the NUL".
  EXPECT_EQ(ChangeAnsiToUnicode("abc", 0, wide.data(), 4), 3);
  EXPECT_EQ(to_u16(wide.data(), 4), std::u16string(u"abc\0", 4));
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

TEST(EncodingSingle, IllFormedInputBecomesReplacementCharacters) {
  hu_wchar wide[8] = {};
  ASSERT_EQ(ChangeUTF8ToUTF16("a\xFF"
                              "b",
                              3, wide, 8),
            3);
  EXPECT_EQ(to_u16(wide, 3), u"a\uFFFDb");
  // A character cut short at the end is one replacement.
  ASSERT_EQ(ChangeUTF8ToUTF16("a\xE3\x81", 3, wide, 8), 2);
  EXPECT_EQ(to_u16(wide, 2), u"a\uFFFD");

  char narrow[16] = {};
  const units lone_high{'a', 0xD800, 'b'};
  ASSERT_EQ(ChangeUTF16ToUTF8(lone_high.data(), 3, narrow, 16), 5);
  EXPECT_EQ(std::string(narrow, 5),
            "a\xEF\xBF\xBD"
            "b");
  const units lone_low{0xDC00};
  ASSERT_EQ(ChangeUTF16ToUTF8(lone_low.data(), 1, narrow, 16), 3);
  EXPECT_EQ(std::string(narrow, 3), "\xEF\xBF\xBD");
  const units cut_pair{'a', 0xD83D};
  ASSERT_EQ(ChangeUTF16ToUTF8(cut_pair.data(), 2, narrow, 16), 4);
  EXPECT_EQ(std::string(narrow, 4), "a\xEF\xBF\xBD");
}

TEST(EncodingSingle, AsciiIsTheSameInEveryAnsiCodePage) {
  hu_wchar wide[16] = {};
  ASSERT_EQ(ChangeAnsiToUnicode("Plain text 123", 14, wide, 16), 14);
  EXPECT_EQ(to_u16(wide, 14), u"Plain text 123");
  char narrow[16] = {};
  ASSERT_EQ(ChangeUnicodeToAnsi(wide, 14, narrow, 16), 14);
  EXPECT_STREQ(narrow, "Plain text 123");
  // One byte short of the whole text fails.
  EXPECT_EQ(ChangeUnicodeToAnsi(wide, 14, narrow, 13), 0);
  EXPECT_EQ(ChangeAnsiToUnicode("Plain text 123", 14, wide, 13), 0);
}

}  // namespace
