// The four line-by-line conversions: the size protocol to the unit, the stop at
// the first empty line, CR LF after every line, the line rules in UTF-8 and
// UTF-16 input, and round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "convert/encoding_samples.h"
#include "hostutil.h"
#include "support/child.h"

namespace {

using namespace std::string_literals;
using encoding_test::samples;
using encoding_test::to_u16;
using encoding_test::units;

// Runs the size protocol on one conversion (null output, size L - 1, size L),
// checks it and returns the text.
template <typename In, typename Out>
std::vector<Out> protocol(int32_t(HOSTUTIL_CALL* convert)(const In*, uint32_t, Out*, uint32_t*),
                          const In* text, uint32_t length) {
  const auto fence = static_cast<Out>(sizeof(Out) == 1 ? 'Z' : 0x5A5A);
  uint32_t size = 12345;
  EXPECT_EQ(convert(text, length, nullptr, &size), 0);
  const uint32_t total = size;
  std::vector<Out> out(total + 4, fence);
  if (total > 0) {
    uint32_t one_short = total - 1;
    EXPECT_EQ(convert(text, length, out.data(), &one_short), 0);
    EXPECT_EQ(one_short, total);
    EXPECT_EQ(out, std::vector<Out>(total + 4, fence));
  }
  uint32_t exact = total;
  EXPECT_EQ(convert(text, length, out.data(), &exact), static_cast<int32_t>(total));
  EXPECT_EQ(exact, total);  // left as it was
  EXPECT_EQ(out[total], Out{0});
  EXPECT_EQ(std::vector<Out>(out.begin() + total + 1, out.end()), std::vector<Out>(3, fence));
  out.resize(total);
  return out;
}

template <typename In>
std::string narrow(int32_t(HOSTUTIL_CALL* convert)(const In*, uint32_t, char*, uint32_t*),
                   const In* text, uint32_t length) {
  const std::vector<char> out = protocol(convert, text, length);
  return std::string(out.begin(), out.end());
}

uint32_t length_of(const std::string& text) { return static_cast<uint32_t>(text.size()); }
std::string ansi_to_utf8(const std::string& text) {
  return narrow(ChangeAnsiToUTF8_MultiLine, text.c_str(), length_of(text));
}
std::string utf8_to_ansi(const std::string& text) {
  return narrow(ChangeUTF8ToAnsi_MultiLine, text.c_str(), length_of(text));
}
std::u16string utf8_to_utf16(const std::string& text) {
  const auto u = protocol(ChangeUTF8ToUTF16_MultiLine, text.c_str(), length_of(text));
  return to_u16(u.data(), u.size());
}
std::string utf16_to_utf8(std::u16string_view text) {
  units u(text.begin(), text.end());
  u.push_back(0);
  return narrow(ChangeUTF16ToUTF8_MultiLine, u.data(), static_cast<uint32_t>(text.size()));
}

TEST(EncodingMultiLine, SizeProtocolToTheUnit) {
  // "a CR LF b" gives "a CR LF b CR LF", L = 6, in every direction.
  EXPECT_EQ(ansi_to_utf8("a\r\nb"), "a\r\nb\r\n");
  EXPECT_EQ(utf8_to_ansi("a\r\nb"), "a\r\nb\r\n");
  EXPECT_EQ(utf8_to_utf16("a\r\nb"), u"a\r\nb\r\n");
  EXPECT_EQ(utf16_to_utf8(u"a\r\nb"), "a\r\nb\r\n");
  // A size above L: the output is zero-filled over the whole size.
  char out[16];
  std::memset(out, 'Z', sizeof out);
  uint32_t size = 12;
  EXPECT_EQ(ChangeAnsiToUTF8_MultiLine("a\r\nb", 4, out, &size), 6);
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(std::string(out, 16), "a\r\nb\r\n\0\0\0\0\0\0ZZZZ"s);
  units wide(16, 0x5A5A);
  size = 12;
  EXPECT_EQ(ChangeUTF8ToUTF16_MultiLine("a\r\nb", 4, wide.data(), &size), 6);
  EXPECT_EQ(to_u16(wide.data(), 16), u"a\r\nb\r\n\0\0\0\0\0\0\x5A5A\x5A5A\x5A5A\x5A5A"s);
  // Nothing to convert touches nothing.
  std::memset(out, 'Z', 4);
  size = 77;
  EXPECT_EQ(ChangeAnsiToUTF8_MultiLine(nullptr, 4, out, &size), 0);
  EXPECT_EQ(ChangeUTF8ToAnsi_MultiLine("abc", 0, out, &size), 0);
  EXPECT_EQ(ChangeUTF8ToUTF16_MultiLine(nullptr, 3, nullptr, &size), 0);
  EXPECT_EQ(ChangeUTF16ToUTF8_MultiLine(nullptr, 3, out, &size), 0);
  EXPECT_EQ(size, 77u);
  EXPECT_EQ(std::string(out, 4), "ZZZZ");
}

TEST(EncodingMultiLine, FirstEmptyLineEndsTheText) {
  EXPECT_EQ(ansi_to_utf8("a\r\n\r\nb"), "a\r\n");
  EXPECT_EQ(utf8_to_utf16("a\r\n\r\nb"), u"a\r\n");
  EXPECT_EQ(utf16_to_utf8(u"a\r\n\r\nb"), "a\r\n");
  // Empty from the start: L = 0; a buffer is cleared and gets only the terminator.
  for (auto convert : {ChangeAnsiToUTF8_MultiLine, ChangeUTF8ToAnsi_MultiLine}) {
    uint32_t size = 99;
    EXPECT_EQ(convert("\r\nabc", 5, nullptr, &size), 0);
    EXPECT_EQ(size, 0u);
    char out[6] = {'Z', 'Z', 'Z', 'Z', 'Z', 'Z'};
    size = 4;
    EXPECT_EQ(convert("\r\nabc", 5, out, &size), 0);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::string(out, 6), "\0\0\0\0ZZ"s);
  }
  const units empty_first{'\r', '\n', 'x', 0};
  uint32_t size = 99;
  EXPECT_EQ(ChangeUTF16ToUTF8_MultiLine(empty_first.data(), 3, nullptr, &size), 0);
  EXPECT_EQ(size, 0u);
}

TEST(EncodingMultiLine, EveryLineEndsInCrLfAndTheLineRulesHold) {
  EXPECT_EQ(ansi_to_utf8("no line end"), "no line end\r\n");
  EXPECT_EQ(utf8_to_utf16("x"), u"x\r\n");
  EXPECT_EQ(ansi_to_utf8("a\r\nb\r\n"), "a\r\nb\r\n");
  // A lone LF stays in its line; a lone CR swallows the next character.
  EXPECT_EQ(ansi_to_utf8("a\nb\rcd"), "a\nb\r\nd\r\n");
  // A form feed right after CR LF belongs to the line break.
  EXPECT_EQ(ansi_to_utf8("a\r\n\fb"), "a\r\nb\r\n");
  // The text ends at its NUL, whatever the length says.
  EXPECT_EQ(narrow(ChangeAnsiToUTF8_MultiLine, "ab\0cd", 5), "ab\r\n");
  // The same rules on UTF-16 code units: the unit after CR goes, kana or not.
  EXPECT_EQ(utf16_to_utf8(u"\u3042\r\u3044\u3046\r\n\f\U0001F600"),
            "\xE3\x81\x82\r\n\xE3\x81\x86\r\n\xF0\x9F\x98\x80\r\n");
  const units nul_inside{'a', 'b', 0, 'c', 0};
  EXPECT_EQ(narrow(ChangeUTF16ToUTF8_MultiLine, nul_inside.data(), 4), "ab\r\n");
}

TEST(EncodingMultiLine, Utf16FormsRoundTripAMultiLineText) {
  std::string utf8;
  std::u16string utf16;
  for (const auto& s : samples()) {
    utf8 += s.utf8 + "\r\n";
    utf16 += s.utf16 + u"\r\n";
  }
  EXPECT_EQ(utf8_to_utf16(utf8), utf16);
  EXPECT_EQ(utf16_to_utf8(utf16), utf8);
  // Without the last CR LF, both still end in one.
  EXPECT_EQ(utf8_to_utf16(utf8.substr(0, utf8.size() - 2)), utf16);
  EXPECT_EQ(utf16_to_utf8(utf16.substr(0, utf16.size() - 2)), utf8);
}

TEST(EncodingMultiLine, ShortInputsLoseNothing) {
  // Bytes whose conversion grows the most: each line is the single conversion
  // and CR LF, however the code page expands it.
  for (const std::string text : {"\xFF", "\x80", "\xC3\xA9", "a"}) {
    SCOPED_TRACE(testing::PrintToString(text));
    char single[16] = {};
    int32_t n = ChangeUTF8ToAnsi(text.data(), length_of(text), single, 16);
    ASSERT_GT(n, 0);
    EXPECT_EQ(utf8_to_ansi(text), std::string(single, n) + "\r\n");
    std::memset(single, 0, sizeof single);
    n = ChangeAnsiToUTF8(text.data(), length_of(text), single, 16);
    ASSERT_GT(n, 0);
    EXPECT_EQ(ansi_to_utf8(text), std::string(single, n) + "\r\n");
  }
  const units lone{0xD800};
  EXPECT_EQ(narrow(ChangeUTF16ToUTF8_MultiLine, lone.data(), 1), "\xEF\xBF\xBD\r\n");
}

HOSTUTIL_CHILD_ROLE(encoding_multiline_before_begin) {
  // Before the table is set up, a line above 128 bytes cannot have the chained
  // converter's registered allocation: it gives nothing but keeps its CR LF.
  const std::string text = std::string(129, 'w') + "\r\n" + std::string(128, 's');
  const std::string expected = "\r\n" + std::string(128, 's') + "\r\n";
  for (auto convert : {ChangeAnsiToUTF8_MultiLine, ChangeUTF8ToAnsi_MultiLine}) {
    std::vector<char> out(600, 'x');
    uint32_t size = static_cast<uint32_t>(out.size());
    const int32_t n = convert(text.c_str(), length_of(text), out.data(), &size);
    if (n != static_cast<int32_t>(expected.size()) || std::string(out.data()) != expected) return 1;
  }
  return 0;
}

TEST(EncodingMultiLine, LongLinesGiveNothingBeforeSemaphoreControlBegin) {
  hostutil::test::child_process child("encoding_multiline_before_begin");
  ASSERT_TRUE(child.started());
  EXPECT_EQ(child.wait(), 0);
}

}  // namespace
