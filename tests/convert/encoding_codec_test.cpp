// The library's own UTF-8 / UTF-16 codec: every scalar value both ways, the
// replacement of each maximal ill-formed subpart, and counting without writing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/encoding_samples.h"
#include "os/utf_codec.h"

namespace {

using encoding_test::every_scalar_value;
using encoding_test::to_u16;
using encoding_test::units;
using hostutil::os::utf16_to_utf8;
using hostutil::os::utf8_to_utf16;

TEST(EncodingCodec, EveryScalarValueRoundTrips) {
  const units all = every_scalar_value();
  // 128 one-byte, 1,920 two-byte, 61,440 three-byte and 1,048,576 four-byte forms.
  const std::size_t bytes = 128 + 1920 * 2 + (0x10000 - 0x800 - 0x800) * 3 + 0x100000 * 4;
  ASSERT_EQ(utf16_to_utf8(all.data(), all.size(), nullptr, 0), bytes);
  std::string narrow(bytes, '\0');
  ASSERT_EQ(utf16_to_utf8(all.data(), all.size(), narrow.data(), narrow.size()), bytes);
  ASSERT_EQ(utf8_to_utf16(narrow.data(), narrow.size(), nullptr, 0), all.size());
  units back(all.size());
  ASSERT_EQ(utf8_to_utf16(narrow.data(), narrow.size(), back.data(), back.size()), all.size());
  EXPECT_TRUE(back == all);
}

TEST(EncodingCodec, EachMaximalIllFormedSubpartIsOneReplacement) {
  struct ill_formed {
    std::string utf8;
    std::u16string utf16;
  };
  const std::vector<ill_formed> cases{
      {"\x80", u"\uFFFD"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},            // C0 and C1 never lead
      {"\xE0\x9F\x80", u"\uFFFD\uFFFD\uFFFD"},  // overlong three-byte form
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
      {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xF5\x80", u"\uFFFD\uFFFD"},
      {"\xE2\x82"
       "A",
       u"\uFFFDA"},                 // a good prefix cut short, then ASCII
      {"\xF1\x80\x80", u"\uFFFD"},  // cut short by the end of the text
      {"\xF1\x80\x80\xE2\x82\xAC", u"\uFFFD\u20AC"},
      {"abcdefgh\xFFijklmnop", u"abcdefgh\uFFFDijklmnop"},  // inside the ASCII fast path
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.utf8));
    units wide(32);
    const std::size_t n = utf8_to_utf16(c.utf8.data(), c.utf8.size(), wide.data(), wide.size());
    EXPECT_EQ(to_u16(wide.data(), n), c.utf16);
    EXPECT_EQ(utf8_to_utf16(c.utf8.data(), c.utf8.size(), nullptr, 0), n);
  }
}

}  // namespace
