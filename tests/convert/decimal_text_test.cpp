// The decimal conversions: range limits, the 512-character scratch threshold,
// zero suppression and padding behind a sign, the decimal point, fixed widths
// and single-precision float steps, before and after SemaphoreControlBegin.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "heap/registry.h"
#include "hostutil.h"

namespace {

using namespace std::string_literals;

class DecimalText : public ::testing::Test {
 protected:
  void SetUp() override {
    SemaphoreControlEnd();
    SemaphoreControlBegin();
  }
  void TearDown() override {
    EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);  // every work area given back
    SemaphoreControlEnd();
  }
};

uint32_t length_of(const std::string& s) { return static_cast<uint32_t>(s.size()); }

// ChangeAsciiToBinEx's result and output (0xDEADBEEF where it was left alone),
// checked to agree with ChangeAsciiToBin.
std::pair<int32_t, uint32_t> bin_ex(const char* text, uint32_t length) {
  uint32_t out = 0xDEADBEEFu;
  const int32_t r = ChangeAsciiToBinEx(text, length, &out);
  EXPECT_EQ(ChangeAsciiToBin(text, length), r == 1 ? out : 0u);
  return {r, out};
}

const std::pair<int32_t, uint32_t> failed{0, 0xDEADBEEFu};

TEST_F(DecimalText, DigitsRangeAndWhereTheTextEnds) {
  for (const char* hex : {"0123", "12AF", "abcdefABCDEF0123456789", ""}) {
    EXPECT_EQ(NumericCheck(hex), 1) << hex;
  }
  for (const char* other : {"12G", "-1", " 1", static_cast<const char*>(nullptr)}) {
    EXPECT_EQ(NumericCheck(other), 0) << (other ? other : "null");
  }
  // Value 0xDEADBEEF: refused with the output untouched. There is no
  // wrap-around; a length of 0 reads nothing, success with 0 from Ex only.
  const struct {
    const char* text;
    uint32_t length;
    uint32_t value;
  } cases[] = {{"2147483647", 10, 2147483647u},
               {"2147483648", 10, 0xDEADBEEFu},
               {"4294967296", 10, 0xDEADBEEFu},
               {"99999999999999999999", 20, 0xDEADBEEFu},
               {"00000000000000000042", 20, 42},
               {"2147483648", 9, 214748364},
               {"0", 1, 0},
               {"12a4", 2, 12},
               {"12a4", 4, 0xDEADBEEFu},
               {"12\00034", 5, 12},
               {"42", 100, 42},
               {"42", 0, 0},
               {"", 5, 0xDEADBEEFu},
               {nullptr, 5, 0xDEADBEEFu}};
  for (const auto& c : cases) {
    EXPECT_EQ(bin_ex(c.text, c.length),
              c.value == 0xDEADBEEFu ? failed : std::make_pair(1, c.value))
        << (c.text ? c.text : "null") << " " << c.length;
  }
  for (const char* bad : {" 12", "1 2", "-12", "+12", "1.2", "12\xB2", "1,2"}) {
    EXPECT_EQ(bin_ex(bad, 3), failed) << bad;
  }
  EXPECT_EQ(ChangeAsciiToBinEx("42", 2, nullptr), 0);
}

TEST_F(DecimalText, LongTextsNeedTheSemaphoreTable) {
  const std::string at_511 = std::string(510, '0') + "7";
  const std::string at_512 = std::string(511, '0') + "7";
  const std::string long_out_of_range = std::string(600, '0') + "2147483648";
  const std::string long_max = std::string(600, '0') + "2147483647";
  SemaphoreControlEnd();
  // Below 512 the copy fits the fixed scratch area; from 512 on it is a
  // registered allocation, which fails until the table is set up.
  EXPECT_EQ(bin_ex(at_511.c_str(), 511), std::make_pair(1, 7u));
  EXPECT_EQ(bin_ex(at_512.c_str(), 512), failed);
  EXPECT_EQ(bin_ex("42", 512), failed);  // the given length decides
  EXPECT_EQ(ChangeAsciiToFloat(at_512.c_str(), 512), 0.0f);
  SemaphoreControlBegin();
  EXPECT_EQ(bin_ex(at_512.c_str(), 512), std::make_pair(1, 7u));
  EXPECT_EQ(bin_ex("42", 512), std::make_pair(1, 42u));
  EXPECT_EQ(bin_ex(long_max.c_str(), length_of(long_max)), std::make_pair(1, 2147483647u));
  EXPECT_EQ(bin_ex(long_out_of_range.c_str(), length_of(long_out_of_range)), failed);
  EXPECT_EQ(ChangeAsciiToFloat(at_512.c_str(), 512), 7.0f);
}

// ZeroSuppressProc on a copy of text in a buffer of size bytes (a guard byte
// behind it); returns the result and the buffer's bytes.
std::pair<int32_t, std::string> zero(const std::string& text, uint32_t size, uint32_t width,
                                     int32_t mode) {
  std::string buffer(size + 1, 'x');
  std::memcpy(buffer.data(), text.c_str(), std::min<size_t>(text.size() + 1, size));
  const int32_t r = ZeroSuppressProc(buffer.data(), size, width, mode);
  EXPECT_EQ(buffer[size], 'x') << "written past the buffer";
  buffer.resize(size);
  return {r, buffer};
}

// The text and zero bytes up to size.
std::string padded(const std::string& text, uint32_t size) {
  return text + std::string(size - text.size(), '\0');
}

// The text as zero() put it there, untouched: its NUL and the filler behind it.
std::string untouched(const std::string& text, uint32_t size) {
  return text + '\0' + std::string(size - text.size() - 1, 'x');
}

TEST_F(DecimalText, ZeroSuppression) {
  EXPECT_EQ(zero("000123", 10, 0, 1), std::make_pair(1, padded("123", 10)));
  EXPECT_EQ(zero("-00123", 10, 0, 1), std::make_pair(1, padded("-123", 10)));
  EXPECT_EQ(zero("0000", 10, 0, 1), std::make_pair(1, padded("0", 10)));
  EXPECT_EQ(zero("-000", 10, 0, 1), std::make_pair(1, padded("-0", 10)));
  EXPECT_EQ(zero("0.50", 10, 0, 1), std::make_pair(1, padded(".50", 10)));
  EXPECT_EQ(zero("", 10, 0, 1), std::make_pair(1, padded("0", 10)));
  EXPECT_EQ(zero("00 1", 10, 0, 1), std::make_pair(1, padded(" 1", 10)));
  EXPECT_EQ(zero("123", 4, 0, 1), std::make_pair(1, padded("123", 4)));
  // The text and whatever stood behind its NUL: the whole buffer is rewritten.
  std::string buffer = "0042\0zzzz"s;
  EXPECT_EQ(ZeroSuppressProc(buffer.data(), 9, 0, 1), 1);
  EXPECT_EQ(buffer, padded("42", 9));
}

TEST_F(DecimalText, ZeroPaddingAndRefusals) {
  EXPECT_EQ(zero("42", 10, 5, 0), std::make_pair(1, padded("00042", 10)));
  EXPECT_EQ(zero("-42", 10, 5, 0), std::make_pair(1, padded("-00042", 10)));
  EXPECT_EQ(zero("12345", 10, 6, 0), std::make_pair(1, padded("012345", 10)));
  EXPECT_EQ(zero("", 10, 3, 0), std::make_pair(1, padded("000", 10)));
  // Already width long or longer: neither padded nor cut.
  EXPECT_EQ(zero("12345", 10, 5, 0), std::make_pair(0, untouched("12345", 10)));
  EXPECT_EQ(zero("123456", 10, 5, 0), std::make_pair(0, untouched("123456", 10)));
  // Exactly room for the sign, the digits and the NUL; one byte less is refused.
  EXPECT_EQ(zero("-42", 7, 5, 0), std::make_pair(1, padded("-00042", 7)));
  EXPECT_EQ(zero("-42", 6, 5, 0), std::make_pair(0, untouched("-42", 6)));
  EXPECT_EQ(zero("42", 5, 5, 0), std::make_pair(0, untouched("42", 5)));
  EXPECT_EQ(ZeroSuppressProc(nullptr, 10, 5, 0), 0);
  char text[8] = "007";
  EXPECT_EQ(ZeroSuppressProc(text, 0, 5, 1), 0);
  EXPECT_STREQ(text, "007");
  // "" and "-" grow to "0" and "-0": refused without the room.
  EXPECT_EQ(zero("", 1, 0, 1), std::make_pair(0, std::string(1, '\0')));
  EXPECT_EQ(zero("-", 2, 0, 1), std::make_pair(0, "-\0"s));
  EXPECT_EQ(zero("-", 3, 0, 1), std::make_pair(1, "-0\0"s));
  // A text that does not end within its buffer is left alone.
  char unended[4] = {'0', '0', '1', '2'};
  EXPECT_EQ(ZeroSuppressProc(unended, 4, 0, 1), 0);
  EXPECT_EQ(std::string(unended, 4), "0012");
  SemaphoreControlEnd();
  EXPECT_EQ(zero("007", 8, 0, 1), std::make_pair(0, untouched("007", 8)));
  EXPECT_EQ(zero("7", 8, 3, 0), std::make_pair(0, untouched("7", 8)));
  SemaphoreControlBegin();
}

// ChangeBinToAsciiWithDecimalPoint into a buffer of size bytes prefilled with x.
std::pair<int32_t, std::string> point(int32_t value, uint32_t size, uint32_t decimals) {
  std::string buffer(size + 1, 'x');
  const int32_t r = ChangeBinToAsciiWithDecimalPoint(value, buffer.data(), size, decimals);
  EXPECT_EQ(buffer[size], 'x') << "written past the buffer";
  buffer.resize(size);
  return {r, buffer};
}

TEST_F(DecimalText, DecimalPoint) {
  EXPECT_EQ(point(12345, 12, 2), std::make_pair(1, padded("123.45", 12)));
  EXPECT_EQ(point(5, 12, 2), std::make_pair(1, padded("0.05", 12)));
  EXPECT_EQ(point(-5, 12, 2), std::make_pair(1, padded("-0.05", 12)));
  EXPECT_EQ(point(0, 12, 3), std::make_pair(1, padded("0.000", 12)));
  EXPECT_EQ(point(7, 12, 0), std::make_pair(1, padded("7", 12)));
  EXPECT_EQ(point(-7, 12, 1), std::make_pair(1, padded("-0.7", 12)));
  EXPECT_EQ(point(INT32_MIN, 12, 0), std::make_pair(1, "-2147483648" + std::string(1, '\0')));
  EXPECT_EQ(point(INT32_MAX, 12, 2), std::make_pair(1, "21474836.47" + std::string(1, '\0')));
  EXPECT_EQ(point(INT32_MAX, 12, 9), std::make_pair(1, "2.147483647" + std::string(1, '\0')));
  // The two longest results need 13 bytes; in 12 they are refused, buffer untouched.
  EXPECT_EQ(point(-5, 12, 9), std::make_pair(0, std::string(12, 'x')));
  EXPECT_EQ(point(-5, 13, 9), std::make_pair(1, "-0.000000005" + std::string(1, '\0')));
  EXPECT_EQ(point(INT32_MIN, 13, 9), std::make_pair(1, "-2.147483648\0"s));
  EXPECT_EQ(point(1, 11, 2), std::make_pair(0, std::string(11, 'x')));
  EXPECT_EQ(point(1, 12, 10), std::make_pair(0, std::string(12, 'x')));
  EXPECT_EQ(ChangeBinToAsciiWithDecimalPoint(1, nullptr, 12, 2), 0);
  SemaphoreControlEnd();
  // Padding takes a work area; a value that needs none goes through.
  EXPECT_EQ(point(5, 12, 2), std::make_pair(0, std::string(12, 'x')));
  EXPECT_EQ(point(12345, 12, 2), std::make_pair(1, padded("123.45", 12)));
  SemaphoreControlBegin();
}

std::string format_dec(uint32_t value, uint32_t width, int32_t suppress) {
  std::string out(width + 2, 'x');
  ChangeBinToAscii(value, out.data(), width, suppress);
  return out;
}

// Only the width bytes are cleared: a suppressed text ends early, and the byte
// at width keeps what it had.
TEST_F(DecimalText, FixedWidthDecimal) {
  EXPECT_EQ(format_dec(1234, 6, 0), "001234\0x"s);
  EXPECT_EQ(format_dec(1234, 6, 1), "1234\0\0xx"s);
  EXPECT_EQ(format_dec(1234, 3, 0), "234\0x"s);
  EXPECT_EQ(format_dec(0, 4, 1), "0\0\0\0xx"s);
  EXPECT_EQ(format_dec(4294967295u, 10, 0), "4294967295\0x"s);
  EXPECT_EQ(format_dec(4294967295u, 12, 1), "4294967295\0\0xx"s);
  EXPECT_EQ(format_dec(4294967295u, 12, 0), "004294967295\0x"s);
  EXPECT_EQ(format_dec(9, 0, 0), "xx");
  SemaphoreControlEnd();
  EXPECT_EQ(format_dec(1234, 6, 0), "\0\0\0\0\0\0xx"s);
  SemaphoreControlBegin();
}

// The float the documented steps give: integer and power each rounded to
// single precision, then divided in single precision.
float steps(uint32_t digits, int decimals) {
  return static_cast<float>(digits) / static_cast<float>(std::pow(10.0, decimals));
}

float to_float(const std::string& text) {
  return ChangeAsciiToFloat(text.c_str(), length_of(text));
}

TEST_F(DecimalText, FloatResultsOfTheSingleStepsAndLengths) {
  EXPECT_EQ(to_float("12.34"), steps(1234, 2));
  EXPECT_EQ(to_float(".5"), 0.5f);
  EXPECT_EQ(to_float("5."), 5.0f);
  EXPECT_EQ(to_float("0.05"), steps(5, 2));
  EXPECT_EQ(to_float("7"), 7.0f);
  EXPECT_EQ(to_float("0.1"), 1.0f / 10.0f);
  EXPECT_EQ(to_float("12345.678"), steps(12345678, 3));
  EXPECT_EQ(to_float("2147483.647"), steps(2147483647, 3));
  EXPECT_EQ(to_float("16777217"), 16777216.0f);  // rounded to single precision
  // 10^38 is still a float, 10^40 rounds to infinity and the quotient to 0.
  EXPECT_EQ(to_float("0." + std::string(37, '0') + "1"), steps(1, 38));
  EXPECT_EQ(to_float("0." + std::string(39, '0') + "1"), 0.0f);
  for (const char* zero_text : {"-1.5", "1.2.3", "3000000000", "21474836.470", ".", "", "1e5"}) {
    EXPECT_EQ(to_float(zero_text), 0.0f) << zero_text;
  }
  // The digits without the point may be long: their parse takes a registered copy.
  EXPECT_EQ(to_float(std::string(600, '0') + "12.5"), steps(125, 1));
  EXPECT_EQ(ChangeAsciiToFloat("1.5", 5), steps(15, 3));  // decimals counted from the length
  EXPECT_EQ(ChangeAsciiToFloat("12.5", 3), 0.0f);         // too short to hold the digits: refused
  EXPECT_EQ(ChangeAsciiToFloat("12.5", 0), 0.0f);
  EXPECT_EQ(ChangeAsciiToFloat(nullptr, 3), 0.0f);
  SemaphoreControlEnd();
  EXPECT_EQ(to_float("1.5"), 0.0f);  // the work area is a registered allocation
  EXPECT_EQ(to_float("15"), 15.0f);
  SemaphoreControlBegin();
}

}  // namespace
