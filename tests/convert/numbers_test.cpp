// Number and byte conversions: the byte reversals, every hexadecimal parser on
// one table, the decimal parsers' range and scratch threshold, zero suppression
// and padding, the decimal point, single-precision floats, and the fixed-width
// formatters. A row holds a call's arguments and what it must give, whole
// buffers included; the check rebuilds the row from the library.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "hostutil.h"
#include "support/scratch_files.h"

namespace {

using namespace std::string_literals;

using Numbers = hostutil::test::fresh_table;  // every work area is given back

TEST(ByteOrder, BlocksUpTo256Bytes) {
  std::vector<unsigned char> block(258), before;
  std::iota(block.begin(), block.end(), 0);
  before = block;
  ChangeEndian(block.data(), 257);  // one byte too many: nothing changes
  ChangeEndian(nullptr, 4);
  EXPECT_EQ(block, before);
  ChangeEndian(block.data(), 256);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(block[i], 255 - i);
  EXPECT_EQ(block[256] + block[257], 1);  // the bytes behind it untouched (iota wrapped)
}

// text, length; ChangeAsciiToHex; ChangeAsciiToHexEx and its output (0xDEADBEEF
// where it was left alone); ChangeAsciiToHexEx2; ChangeAsciiToPtr.
using hex_row = std::tuple<const char*, uint32_t, uint32_t, int32_t, uint32_t, int32_t, uint64_t>;
hex_row parsed(const char* text, uint32_t length) {
  uint32_t out = 0xDEADBEEFu;
  const int32_t ex = ChangeAsciiToHexEx(text, length, &out);
  return {text,
          length,
          ChangeAsciiToHex(text, length),
          ex,
          out,
          ChangeAsciiToHexEx2(text, length),
          ChangeAsciiToPtr(text, length)};
}

TEST_F(Numbers, EveryHexParserOnOneText) {
  // Leading digits shift out of 32 bits, and beyond 16 digits out of 64. A
  // non-digit fails, and Ex keeps the digits before it; a NUL ends the text; a
  // length of 0 reads nothing, success with 0 from Ex only. Ex2's sign bit is
  // the top bit of a field of length digits, not of the digits read; from 8
  // digits on it is the 32-bit value read as signed.
  const hex_row rows[] = {
      {"1a2B", 4, 0x1A2B, 1, 0x1A2B, 0x1A2B, 0x1A2B},
      {"1a2B", 2, 0x1A, 1, 0x1A, 0x1A, 0x1A},
      {"123456789", 9, 0x23456789, 1, 0x23456789, 0x23456789, 0x123456789u},
      {"10000000000000000", 17, 0, 1, 0, 0, 0},
      {"00000000012ab3f0", 16, 0x12AB3F0, 1, 0x12AB3F0, 0x12AB3F0, 0x12AB3F0},
      {"00000000012ab3f0", 20, 0x12AB3F0, 1, 0x12AB3F0, 0x12AB3F0, 0x12AB3F0},
      {"12 3", 4, 0, 0, 0x12, 0, 0},
      {"0x10", 4, 0, 0, 0, 0, 0},
      {"", 4, 0, 0, 0xDEADBEEF, 0, 0},
      {nullptr, 4, 0, 0, 0xDEADBEEF, 0, 0},
      {"FF", 0, 0, 1, 0, 0, 0},
      {"FFFE", 4, 0xFFFE, 1, 0xFFFE, -2, 0xFFFE},
      {"7F", 2, 0x7F, 1, 0x7F, 127, 0x7F},
      {"80", 2, 0x80, 1, 0x80, -128, 0x80},
      {"80", 4, 0x80, 1, 0x80, 128, 0x80},
  };
  for (const auto& r : rows) EXPECT_EQ(parsed(std::get<0>(r), std::get<1>(r)), r);
  EXPECT_EQ(ChangeAsciiToHexEx("12", 2, nullptr), 0);
}

// text, length; ChangeAsciiToBinEx's result and output (0xDEADBEEF where it was
// left alone), after checking that ChangeAsciiToBin agrees.
using bin_row = std::tuple<const char*, uint32_t, int32_t, uint32_t>;
bin_row bin(const char* text, uint32_t length) {
  uint32_t out = 0xDEADBEEFu;
  const int32_t r = ChangeAsciiToBinEx(text, length, &out);
  EXPECT_EQ(ChangeAsciiToBin(text, length), r == 1 ? out : 0u);
  return {text, length, r, out};
}
constexpr uint32_t kept = 0xDEADBEEFu;

TEST_F(Numbers, DecimalDigitsRangeAndWhereTheTextEnds) {
  EXPECT_EQ(NumericCheck(nullptr), 0);
  // No wrap-around past 2147483647; a length of 0 reads nothing, success with
  // 0 from Ex only; blanks, signs, points and high bytes are refused.
  const char* squared = "12\xB2";  // a digit in some code pages, not here
  const bin_row rows[] = {{"2147483647", 10, 1, 0x7FFFFFFF},
                          {"12a4", 2, 1, 12},
                          {"12a4", 4, 0, kept},
                          {"2147483648", 10, 0, kept},
                          {nullptr, 5, 0, kept},
                          {" 12", 3, 0, kept},
                          {"-12", 3, 0, kept},
                          {squared, 3, 0, kept}};
  for (const auto& r : rows) EXPECT_EQ(bin(std::get<0>(r), std::get<1>(r)), r);
  EXPECT_EQ(bin("00000000000000000042", 20), bin_row("00000000000000000042", 20, 1, 42));
  EXPECT_EQ(ChangeAsciiToBinEx("42", 2, nullptr), 0);
  // Below 512 the copy fits the fixed scratch area; from 512 on it is a
  // registered allocation, which fails until the table is set up.
  const std::string at_511 = std::string(510, '0') + "7", at_512 = std::string(511, '0') + "7";
  const std::string over = std::string(600, '0') + "21474836470";
  EXPECT_EQ(bin(over.c_str(), 610), bin_row(over.c_str(), 610, 1, 2147483647u));
  EXPECT_EQ(bin(over.c_str(), 611), bin_row(over.c_str(), 611, 0, kept));
  SemaphoreControlEnd();
  EXPECT_EQ(bin(at_511.c_str(), 511), bin_row(at_511.c_str(), 511, 1, 7));
  EXPECT_EQ(bin(at_512.c_str(), 512), bin_row(at_512.c_str(), 512, 0, kept));
  EXPECT_EQ(bin("42", 512), bin_row("42", 512, 0, kept));  // the given length decides
}

// What a call left in its buffer: "=" when it is as it was before, the text
// when NULs follow it to the end, else every byte.
std::string left(const std::string& buffer, const std::string& before) {
  if (buffer == before) return "=";
  const std::string text = buffer.c_str();
  return buffer == text + std::string(buffer.size() - text.size(), '\0') ? text
                                                                         : "<" + buffer + ">";
}

// text, buffer size, width, mode (1 suppress, 0 pad); the result and what it left.
using zero_row = std::tuple<std::string, uint32_t, uint32_t, int32_t, int32_t, std::string>;
zero_row zero(const std::string& text, uint32_t size, uint32_t width, int32_t mode) {
  std::string buffer(size + 1, 'x');
  std::memcpy(buffer.data(), text.c_str(), std::min<size_t>(text.size() + 1, size));
  const std::string before = buffer.substr(0, size);
  const int32_t r = ZeroSuppressProc(buffer.data(), size, width, mode);
  EXPECT_EQ(buffer.back(), 'x') << "written past the buffer";
  return {text, size, width, mode, r, left(buffer.substr(0, size), before)};
}

TEST_F(Numbers, ZeroSuppressionAndPadding) {
  // Padding goes behind the sign; a text already width long is neither padded
  // nor cut; the room needed is the sign, the digits and the NUL, and "" and
  // "-" grow to "0" and "-0"; a text that does not end in its buffer stays.
  const zero_row rows[] = {
      {"000123", 10, 0, 1, 1, "123"},  {"-00123", 10, 0, 1, 1, "-123"}, {"0000", 10, 0, 1, 1, "0"},
      {"-000", 10, 0, 1, 1, "-0"},     {"0.50", 10, 0, 1, 1, ".50"},    {"", 10, 0, 1, 1, "0"},
      {"42", 10, 5, 0, 1, "00042"},    {"", 10, 3, 0, 1, "000"},        {"12345", 10, 5, 0, 0, "="},
      {"12345", 7, 6, 0, 1, "012345"}, {"-42", 7, 5, 0, 1, "-00042"},   {"-42", 6, 5, 0, 0, "="},
      {"42", 5, 5, 0, 0, "="},         {"", 1, 0, 1, 0, "="},           {"-", 2, 0, 1, 0, "="},
      {"-", 3, 0, 1, 1, "-0"},         {"0012", 4, 0, 1, 0, "="}};
  for (const auto& [text, size, width, mode, r, after] : rows) {
    EXPECT_EQ(zero(text, size, width, mode), std::tie(text, size, width, mode, r, after));
  }
  // The text and whatever stood behind its NUL: the whole buffer is rewritten.
  std::string buffer = "0042\0zzzz"s;
  EXPECT_EQ(ZeroSuppressProc(buffer.data(), 9, 0, 1), 1);
  EXPECT_EQ(left(buffer, ""), "42");
  EXPECT_EQ(ZeroSuppressProc(nullptr, 10, 5, 0) + ZeroSuppressProc(buffer.data(), 0, 5, 1), 0);
  SemaphoreControlEnd();  // the work area is a registered allocation
  EXPECT_EQ(zero("007", 8, 0, 1), zero_row("007", 8, 0, 1, 0, "="));
  EXPECT_EQ(zero("7", 8, 3, 0), zero_row("7", 8, 3, 0, 0, "="));
}

// value, buffer size, decimals; the result and what it left.
using point_row = std::tuple<int32_t, uint32_t, uint32_t, int32_t, std::string>;
point_row point(int32_t value, uint32_t size, uint32_t decimals) {
  std::string buffer(size + 1, 'x');
  const int32_t r = ChangeBinToAsciiWithDecimalPoint(value, buffer.data(), size, decimals);
  EXPECT_EQ(buffer.back(), 'x') << "written past the buffer";
  return {value, size, decimals, r, left(buffer.substr(0, size), std::string(size, 'x'))};
}

TEST_F(Numbers, DecimalPoint) {
  // The two longest results need 13 bytes; in 12 they are refused, as is any
  // buffer below 12 bytes and any count of decimals above 9.
  const int32_t min = INT32_MIN, max = INT32_MAX;
  const point_row rows[] = {
      {min, 12, 0, 1, "-2147483648"},  {12345, 12, 2, 1, "123.45"}, {5, 12, 2, 1, "0.05"},
      {max, 12, 2, 1, "21474836.47"},  {-5, 12, 2, 1, "-0.05"},     {-7, 12, 1, 1, "-0.7"},
      {-5, 13, 9, 1, "-0.000000005"},  {-5, 12, 9, 0, "="},         {1, 11, 2, 0, "="},
      {min, 13, 9, 1, "-2.147483648"}, {1, 12, 10, 0, "="}};
  for (const auto& r : rows) EXPECT_EQ(point(std::get<0>(r), std::get<1>(r), std::get<2>(r)), r);
  EXPECT_EQ(ChangeBinToAsciiWithDecimalPoint(1, nullptr, 12, 2), 0);
  SemaphoreControlEnd();
  // Padding takes a work area; a value that needs none goes through.
  EXPECT_EQ(point(5, 12, 2), point_row(5, 12, 2, 0, "="));
  EXPECT_EQ(point(12345, 12, 2), point_row(12345, 12, 2, 1, "123.45"));
}

// Floats as the documented steps give them: integer and power each rounded to
// single precision, then divided in single precision (which for 1234 and 100
// is the float nearest to 12.34).
TEST_F(Numbers, FloatResultsOfTheSingleSteps) {
  const std::pair<const char*, float> rows[] = {
      {"12.34", 12.34f}, {".5", 0.5f},    {"5.", 5.0f},
      {"7", 7.0f},       {"0.1", 0.1f},   {"16777217", 16777216.0f},
      {"-1.5", 0.0f},    {"1.2.3", 0.0f}, {"3000000000", 0.0f},
      {"", 0.0f},        {"1e5", 0.0f}};
  for (const auto& [text, value] : rows) {
    EXPECT_EQ(ChangeAsciiToFloat(text, static_cast<uint32_t>(std::strlen(text))), value) << text;
  }
  // 10^38 is still a float, 10^40 rounds to infinity and the quotient to 0; long
  // digits take a registered copy; the decimals are counted from the length.
  const std::string small = "0." + std::string(37, '0') + "1",
                    tiny = "0." + std::string(39, '0') + "1";
  const std::string long_text = std::string(600, '0') + "12.5";
  EXPECT_EQ(ChangeAsciiToFloat(small.c_str(), 40), 1 / 1e38f);
  EXPECT_EQ(ChangeAsciiToFloat(tiny.c_str(), 42), 0.0f);
  EXPECT_EQ(ChangeAsciiToFloat(long_text.c_str(), 604), 125 / 10.0f);
  EXPECT_EQ(ChangeAsciiToFloat("1.5", 5), 15 / 1000.0f);
  EXPECT_EQ(ChangeAsciiToFloat("12.5", 3), 0.0f);  // too short to hold the digits: refused
  EXPECT_EQ(ChangeAsciiToFloat("12.5", 0) + ChangeAsciiToFloat(nullptr, 3), 0.0f);
  SemaphoreControlEnd();
  EXPECT_EQ(ChangeAsciiToFloat("1.5", 3), 0.0f);  // the work area is a registered allocation
  EXPECT_EQ(ChangeAsciiToFloat("15", 2), 15.0f);
}

// hex or decimal, value, width, suppress; the output and one guard byte.
using width_row = std::tuple<bool, uint32_t, uint32_t, int32_t, std::string>;
width_row formatted(bool hex, uint32_t value, uint32_t width, int32_t suppress) {
  std::string out(width + 2, 'x');
  (hex ? ChangeHexToAscii : ChangeBinToAscii)(value, out.data(), width, suppress);
  return {hex, value, width, suppress, out};
}

// Both formatters write width digits and a NUL into width + 1 bytes; only the
// width bytes are cleared first, so a suppressed text ends early and the byte
// at width keeps what it had.
TEST_F(Numbers, FixedWidthFormatters) {
  const width_row rows[] = {{true, 0xABC, 2, 0, "BC\0x"s},
                            {true, 0, 1, 1, "0\0x"s},
                            {true, 0xFF, 10, 0, "00000000FF\0x"s},
                            {true, 0xFF, 10, 1, "FF\0\0\0\0\0\0\0\0xx"s},
                            {true, 0x12, 0, 0, "xx"},
                            {false, 1234, 6, 0, "001234\0x"s},
                            {false, 1234, 6, 1, "1234\0\0xx"s},
                            {false, 1234, 3, 0, "234\0x"s},
                            {false, 0, 4, 1, "0\0\0\0xx"s}};
  for (const auto& [hex, value, width, suppress, out] : rows) {
    EXPECT_EQ(formatted(hex, value, width, suppress), std::tie(hex, value, width, suppress, out));
  }
  // The work area is refused: the width bytes are cleared and nothing else is written.
  SemaphoreControlEnd();
  EXPECT_EQ(formatted(true, 0x1A, 4, 0), width_row(true, 0x1A, 4, 0, "\0\0\0\0xx"s));
  EXPECT_EQ(formatted(false, 1234, 6, 0), width_row(false, 1234, 6, 0, "\0\0\0\0\0\0xx"s));
}

}  // namespace
