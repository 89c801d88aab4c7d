// The encoding conversions: length 0, missing arguments and a character
// written whole or not at all; the chained ones and their 128-byte scratch; and
// the line-by-line ones with their size protocol and where they stop. Nothing
// is ever written past a buffer.
//
// Number and byte conversions: the hexadecimal parsers without a text, the
// decimal parsers' range and scratch threshold, what zero suppression and
// padding do without a buffer or a work area, and the decimal point, floats
// and the fixed-width formatters without a buffer, a text or a work area. A
// row holds a call's arguments and what it must give, whole buffers included;
// the check rebuilds the row from the library.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "convert/encoding_samples.h"
#include "hostutil.h"
#include "support/scratch_files.h"

namespace {

using namespace std::string_literals;
using encoding_test::units;

constexpr hu_wchar unit_fence = 0x5A5A;
constexpr char byte_fence = 'Z';
std::vector<char> bytes(const std::string& s) { return {s.begin(), s.end()}; }

using Encoding = hostutil::test::fresh_table;  // every area is given back

TEST_F(Encoding, LengthZeroMissingArgumentsAndWholeCharacters) {
  // ChangeAnsiToUnicode alone takes length 0 as "up to the NUL".
  units out(4, unit_fence);
  EXPECT_EQ(ChangeAnsiToUnicode("abc", 0, out.data(), 4), 3);
  EXPECT_EQ(std::u16string(out.begin(), out.end()), u"abc\0"s);
  out.assign(4, unit_fence);
  std::string narrow(4, byte_fence);
  char* n = narrow.data();
  uint32_t size = 77;
  EXPECT_EQ(ChangeAnsiToUnicode("", 0, out.data(), 4) +
                ChangeUTF8ToUTF16(nullptr, 2, out.data(), 4) +
                ChangeAnsiToUnicode("ab", 2, nullptr, 4) + ChangeAnsiToUTF8(nullptr, 3, n, 4) +
                ChangeUTF8ToAnsi_MultiLine("abc", 0, n, &size) +
                ChangeAnsiToUTF8_MultiLine(nullptr, 4, n, &size),
            0);
  EXPECT_EQ(out, units(4, unit_fence));
  EXPECT_EQ(narrow, std::string(4, byte_fence));
  EXPECT_EQ(size, 77u);
  // A 4-byte character one byte short of room: none of it, zeros over the capacity.
  const units smiley{0xD83D, 0xDE00};
  EXPECT_EQ(ChangeUTF16ToUTF8(smiley.data(), 2, n, 3), 0);
  EXPECT_EQ(narrow, "\0\0\0Z"s);
}

// One line-by-line conversion: the size L it asks for from a null output, then
// the text it writes into a size of exactly L, with its NUL behind and nothing
// after. (A size of L - 1, refused and set to L, is the fuzz target's to check.)
template <typename In, typename Out>
std::vector<Out> lines(int32_t(HOSTUTIL_CALL* convert)(const In*, uint32_t, Out*, uint32_t*),
                       std::vector<In> text) {
  const auto fence = static_cast<Out>(sizeof(Out) == 1 ? byte_fence : unit_fence);
  const auto length = static_cast<uint32_t>(text.size());
  text.push_back(In{0});
  uint32_t size = 12345;
  EXPECT_EQ(convert(text.data(), length, nullptr, &size), 0);
  const uint32_t total = size;
  std::vector<Out> out(total + 2, fence);
  EXPECT_EQ(convert(text.data(), length, out.data(), &size), static_cast<int32_t>(total));
  EXPECT_EQ(size, total);  // left as it was
  EXPECT_EQ(std::vector<Out>(out.begin() + total, out.end()), (std::vector<Out>{Out{0}, fence}));
  out.resize(total);
  return out;
}

TEST_F(Encoding, ChainedThroughUtf16) {
  // Up to 128 bytes the UTF-16 area is on the stack; above, a registered
  // allocation: before SemaphoreControlBegin the output is zero-filled, all of it.
  const std::string at_128(128, 'q'), at_129(129, 'q');
  std::string out;
  const auto chained = [&out](decltype(&ChangeAnsiToUTF8) convert, const std::string& text) {
    out.assign(140, byte_fence);
    return convert(text.data(), static_cast<uint32_t>(text.size()), out.data(), 139);
  };
  SemaphoreControlEnd();
  for (auto* convert : {ChangeAnsiToUTF8, ChangeUTF8ToAnsi}) {
    EXPECT_EQ(chained(convert, at_128), 128);
    EXPECT_EQ(out, at_128 + std::string(11, '\0') + byte_fence);
    EXPECT_EQ(chained(convert, at_129), 0);
    EXPECT_EQ(out, std::string(139, '\0') + byte_fence);
  }
  // So a line above 128 bytes of the line-by-line forms that take this way
  // gives nothing, but keeps its CR LF.
  const std::string text = std::string(129, 'w') + "\r\n" + std::string(128, 's');
  for (auto* multi : {ChangeUTF8ToAnsi_MultiLine, ChangeAnsiToUTF8_MultiLine}) {
    EXPECT_EQ(lines(multi, bytes(text)), bytes("\r\n" + std::string(128, 's') + "\r\n"));
  }
  SemaphoreControlBegin();
  for (auto* convert : {ChangeAnsiToUTF8, ChangeUTF8ToAnsi}) {
    EXPECT_EQ(chained(convert, at_129), 129);
    EXPECT_EQ(out, at_129 + std::string(10, '\0') + byte_fence);
  }
}

TEST(EncodingMultiLine, LinesUpToTheFirstEmptyOneEachEndingInCrLf) {
  // The line rules themselves are those of GetFileOneLine. On these texts the
  // three with a byte text for input are the fuzz target's, against the lines
  // by number, on kept inputs; here the one with UTF-16 for input.
  const std::pair<std::string, std::string> rows[] = {{"a\r\nb", "a\r\nb\r\n"},
                                                      {"no line end", "no line end\r\n"},
                                                      {"a\r\n\r\nb", "a\r\n"},
                                                      {"\r\nabc", ""}};
  for (const auto& [text, want] : rows) {
    EXPECT_EQ(lines(ChangeUTF16ToUTF8_MultiLine, units(text.begin(), text.end())), bytes(want))
        << testing::PrintToString(text);
  }
  // A size above L: the output is zero-filled over the whole size.
  std::string out(16, byte_fence);
  uint32_t size = 12;
  EXPECT_EQ(ChangeAnsiToUTF8_MultiLine("a\r\nb", 4, out.data(), &size), 6);
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(out, "a\r\nb\r\n\0\0\0\0\0\0ZZZZ"s);
}

using Numbers = hostutil::test::fresh_table;  // every work area is given back

// Blocks reversed up to 256 bytes, and one of 257 left alone: the fuzz
// target's, on kept inputs of both sizes.
// Every hexadecimal parser on the edges of a text (digits shifted out of 32 and
// of 64 bits, a blank, 0x, a NUL, a length of 0, the sign of Ex2's field) is the
// fuzz target's, against the digits of the text, on kept inputs of those texts.
// The decimal range without wrap-around, the digits up to the length, blanks,
// signs, points, high bytes and leading zeros: the fuzz target's, against the
// digits of the text, on kept inputs of those texts.
// Zero suppression and padding (padding behind the sign, a text already width
// long, "" and "-", a text that does not end in its buffer, what stood behind
// the NUL): the fuzz target's model, on kept inputs of those texts.
// The decimal point form's refusals and results, whole buffers included, are
// the fuzz target's, against the text by "%d" with its point, on kept inputs of
// the 11- and 12-byte buffers, the two 13-byte results and 10 decimals.
// Floats as the documented steps give them (integer and power each rounded to
// single precision, then divided in single precision; decimals counted from
// the length; signs, second points and exponents refused; powers past the
// float range; long digits) are the fuzz target's, against those steps, on kept
// inputs of those texts.
// Here what the fuzz target never passes: no block, no text, no output and no
// buffer; the output, where there is one, left as it was.
TEST_F(Numbers, WithoutABlockATextAnOutputOrABuffer) {
  ChangeEndian(nullptr, 4);
  uint32_t out = 0xDEADBEEFu;
  EXPECT_EQ(ChangeAsciiToHex(nullptr, 4) + ChangeAsciiToHexEx(nullptr, 4, &out) +
                ChangeAsciiToHexEx2(nullptr, 4) + ChangeAsciiToPtr(nullptr, 4) +
                ChangeAsciiToBin(nullptr, 5) + ChangeAsciiToBinEx(nullptr, 5, &out),
            0u);
  EXPECT_EQ(out, 0xDEADBEEFu);
  EXPECT_EQ(ChangeAsciiToHexEx("12", 2, nullptr) + ChangeAsciiToBinEx("42", 2, nullptr) +
                NumericCheck(nullptr) + ZeroSuppressProc(nullptr, 10, 5, 0) +
                ChangeBinToAsciiWithDecimalPoint(1, nullptr, 12, 2),
            0);
  EXPECT_EQ(ChangeAsciiToFloat(nullptr, 3), 0.0f);
}

// Without the table no work area (a registered allocation) is to be had.
TEST_F(Numbers, WithoutAWorkArea) {
  // The decimal parsers' scratch copy from 512 characters on; the given length
  // decides. The output is left alone, and ChangeAsciiToBin agrees.
  const std::string at_511 = std::string(510, '0') + "7", at_512 = std::string(511, '0') + "7";
  // A buffer of 0 bytes is refused before the work area is asked for.
  const std::string before("0042\0\0\0x", 8);
  std::string buffer = before;
  EXPECT_EQ(ZeroSuppressProc(buffer.data(), 0, 5, 1), 0);
  SemaphoreControlEnd();
  uint32_t out = 0xDEADBEEFu;
  EXPECT_EQ(ChangeAsciiToBinEx(at_511.c_str(), 511, &out), 1);
  EXPECT_EQ(std::pair(out, ChangeAsciiToBin(at_511.c_str(), 511)), std::pair(7u, 7u));
  out = 0xDEADBEEFu;
  EXPECT_EQ(ChangeAsciiToBinEx(at_512.c_str(), 512, &out) + ChangeAsciiToBinEx("42", 512, &out) +
                ChangeAsciiToBin(at_512.c_str(), 512) + ChangeAsciiToBin("42", 512),
            0u);
  EXPECT_EQ(out, 0xDEADBEEFu);
  // Neither suppression nor padding changes the text of seven bytes, nor the
  // guard byte behind them.
  EXPECT_EQ(ZeroSuppressProc(buffer.data(), 7, 0, 1) + ZeroSuppressProc(buffer.data(), 7, 6, 0), 0);
  EXPECT_EQ(buffer, before);
  // Padding behind the decimal point takes a work area; a value that needs none goes through.
  buffer.assign(12, 'x');
  EXPECT_EQ(ChangeBinToAsciiWithDecimalPoint(5, buffer.data(), 12, 2), 0);
  EXPECT_EQ(buffer, std::string(12, 'x'));
  EXPECT_EQ(ChangeBinToAsciiWithDecimalPoint(12345, buffer.data(), 12, 2), 1);
  EXPECT_EQ(buffer, "123.45"s + std::string(6, '\0'));
  // A float with a point takes one too; one without goes through.
  EXPECT_EQ(ChangeAsciiToFloat("1.5", 3), 0.0f);
  EXPECT_EQ(ChangeAsciiToFloat("15", 2), 15.0f);
  // Both formatters' digits, widths, suppression and the byte at the width are
  // the fuzz target's, against the digits written plainly, on kept inputs of
  // those values. Here the width bytes are cleared and nothing else is written.
  for (auto* format : {ChangeHexToAscii, ChangeBinToAscii}) {
    std::string formatted(6, 'x');
    format(0x1A, formatted.data(), 4, 0);
    EXPECT_EQ(formatted, "\0\0\0\0xx"s);
  }
}

}  // namespace

namespace encoding_test {

std::string check_ansi_samples(const std::vector<sample>& texts) {
  std::string failed, ansi_lines, utf8_lines;
  for (const auto& s : texts) {
    const auto a = static_cast<uint32_t>(s.bytes.size()), n = static_cast<uint32_t>(s.utf16.size());
    const units source(s.utf16.begin(), s.utf16.end());
    units wide(n + 4, 0x5A5A);
    std::string utf8(3 * n, 'Z'), narrow(a + 4, 'Z'), tight(a, 'Z');
    utf8.resize(ChangeUTF16ToUTF8(source.data(), n, utf8.data(), 3 * n));
    // Both ways, and one byte short fails and writes nothing past its size.
    const bool held = ChangeAnsiToUnicode(s.bytes.data(), a, wide.data(), n + 4) == int32_t(n) &&
                      std::u16string(wide.data(), wide.data() + n) == s.utf16 &&
                      ChangeUnicodeToAnsi(source.data(), n, narrow.data(), a + 4) == int32_t(a) &&
                      narrow.substr(0, a) == s.bytes &&
                      ChangeUnicodeToAnsi(source.data(), n, tight.data(), a - 1) == 0 &&
                      tight.back() == 'Z';
    if (!held) failed += "sample " + std::to_string(&s - texts.data()) + "\n";
    ansi_lines += s.bytes + "\r\n";
    utf8_lines += utf8 + "\r\n";
  }
  // The last CR LF left out of the inputs comes back.
  std::string out(ansi_lines.size() + utf8_lines.size(), 'Z');
  for (const auto& [multi, from, to] :
       {std::tuple{&ChangeUTF8ToAnsi_MultiLine, &utf8_lines, &ansi_lines},
        std::tuple{&ChangeAnsiToUTF8_MultiLine, &ansi_lines, &utf8_lines}}) {
    auto size = static_cast<uint32_t>(out.size());
    if (multi(from->c_str(), uint32_t(from->size() - 2), out.data(), &size) !=
            int32_t(to->size()) ||
        out.c_str() != *to) {
      failed += "lines to " + std::string(to == &ansi_lines ? "ANSI\n" : "UTF-8\n");
    }
  }
  return failed;
}

}  // namespace encoding_test
