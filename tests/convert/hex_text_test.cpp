// The hexadecimal parsers and formatter: the digit set, where a text ends,
// digits shifted out, the sign rule of the fixed-width reading, and the
// formatter's registered work area before and after SemaphoreControlBegin.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "heap/registry.h"
#include "hostutil.h"

namespace {

using namespace std::string_literals;

class HexText : public ::testing::Test {
 protected:
  void SetUp() override {
    SemaphoreControlEnd();
    SemaphoreControlBegin();
  }
  void TearDown() override {
    EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);  // work areas given back
    SemaphoreControlEnd();
  }
};

// All three 32-bit parsers on one text: value, Ex result and output
// (0xDEADBEEF where it was left alone), Ex2.
struct parsed {
  uint32_t plain;
  int32_t ex_result;
  uint32_t ex_output;
  int32_t ex2;
  bool operator==(const parsed&) const = default;
};

parsed parse_all(const char* text, uint32_t length) {
  parsed p{ChangeAsciiToHex(text, length), 0, 0xDEADBEEFu, ChangeAsciiToHexEx2(text, length)};
  p.ex_result = ChangeAsciiToHexEx(text, length, &p.ex_output);
  return p;
}

TEST_F(HexText, ParsersAgreeOnDigitsEndsAndFailures) {
  const struct {
    const char* text;
    uint32_t length;
    parsed want;
  } cases[] = {
      {"1a2B", 4, {0x1A2B, 1, 0x1A2B, 0x1A2B}},
      {"1a2B", 2, {0x1A, 1, 0x1A, 0x1A}},
      {"abcdef", 6, {0xABCDEF, 1, 0xABCDEF, -5517841}},
      {"ABCDEF", 6, {0xABCDEF, 1, 0xABCDEF, -5517841}},
      // The leading digits shift out of 32 bits.
      {"0123456789", 10, {0x23456789, 1, 0x23456789, 0x23456789}},
      {"FFFFFFFF00000001", 16, {1, 1, 1, 1}},
      {"ABCDEF0123", 10, {0xCDEF0123, 1, 0xCDEF0123, -839974621}},
      // A non-digit fails; Ex keeps the digits before it.
      {"12 3", 4, {0, 0, 0x12, 0}},
      {"0x10", 4, {0, 0, 0, 0}},
      {"", 4, {0, 0, 0xDEADBEEF, 0}},
      {nullptr, 4, {0, 0, 0xDEADBEEF, 0}},
      // A NUL inside the length ends the text; a length beyond it is harmless.
      {"12\00034", 5, {0x12, 1, 0x12, 0x12}},
      {"abc", 0xFFFFFFFFu, {0xABC, 1, 0xABC, 0xABC}},  // bit 31 of a 32-bit field: clear
      // A length of 0 reads nothing: success with 0 from the Ex form only.
      {"FF", 0, {0, 1, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.text ? c.text : "null") << " " << c.length);
    const parsed p = parse_all(c.text, c.length);
    EXPECT_EQ(p.plain, c.want.plain);
    EXPECT_EQ(p.ex_result, c.want.ex_result);
    EXPECT_EQ(p.ex_output, c.want.ex_output);
    EXPECT_EQ(p.ex2, c.want.ex2);
  }
  // The bytes next to each digit range, signs, blanks, prefixes and high bytes.
  for (const char* bad :
       {"/", ":", "@", "G", "`", "g", " ", "-", "+", ".", "x", "h", "\x80", "\xFF", "\t"}) {
    EXPECT_EQ(parse_all(("1"s + bad).c_str(), 2), (parsed{0, 0, 1, 0})) << bad;
  }
  EXPECT_EQ(ChangeAsciiToHexEx("12", 2, nullptr), 0);
}

TEST_F(HexText, SignOfAFixedWidthField) {
  // The length decides the sign bit, not the digits read; from 8 digits on the
  // result is the 32-bit value read as signed (length 9 names bit 3).
  const struct {
    const char* text;
    uint32_t length;
    int32_t value;
  } cases[] = {{"FFFE", 4, -2},
               {"7F", 2, 127},
               {"80", 2, -128},
               {"80", 4, 128},
               {"F", 2, 15},
               {"8000", 4, -32768},
               {"8", 1, -8},
               {"7", 1, 7},
               {"FFFFFFFF", 8, -1},
               {"80000000", 8, INT32_MIN},
               {"7FFFFFFF", 8, INT32_MAX},
               {"FFFFFFFFF", 9, -1},
               {"000000008", 9, 8},
               {"100000000", 9, 0}};
  for (const auto& c : cases) EXPECT_EQ(ChangeAsciiToHexEx2(c.text, c.length), c.value) << c.text;
  std::mt19937 gen(4);
  for (uint32_t length = 1; length <= 7; ++length) {
    for (int i = 0; i < 2000; ++i) {
      const uint32_t v = gen() & ((1u << (4 * length)) - 1u);
      char text[16];
      std::snprintf(text, sizeof text, "%0*X", static_cast<int>(length), v);
      const int64_t field = int64_t{1} << (4 * length);
      const int64_t want = v >= field / 2 ? int64_t{v} - field : int64_t{v};
      ASSERT_EQ(ChangeAsciiToHexEx2(text, length), want) << text;
    }
  }
}

TEST(ChangeAsciiToPtr, SixteenDigitsAtMostAndNothingButDigits) {
  const struct {
    const char* text;
    uint32_t length;
    uint64_t value;
  } cases[] = {{"00000000012ab3f0", 16, 0x12AB3F0u},
               {"00000000012ab3f0", 20, 0x12AB3F0u},  // ends at the NUL
               {"1a2B", 2, 0x1A},
               {"123456789", 9, 0x123456789u},
               {"FFFFFFFFFFFFFFFF", 16, UINT64_MAX},
               {"10000000000000000", 17, 0},  // the leading 1 is shifted out
               {"12 3", 4, 0},
               {"0x10", 4, 0},
               {"ffg", 3, 0},
               {"ffg", 2, 0xFF},  // the bad byte lies past the length
               {nullptr, 16, 0},
               {"", 16, 0},
               {"ff", 0, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(ChangeAsciiToPtr(c.text, c.length), c.value) << (c.text ? c.text : "null");
  }
}

// Output of width + 1 bytes with a guard byte behind it.
std::string format_hex(uint32_t value, uint32_t width, int32_t suppress) {
  std::string out(width + 2, 'x');
  ChangeHexToAscii(value, out.data(), width, suppress);
  return out;
}

TEST_F(HexText, FormatterWidthsAndSuppression) {
  // Suppressed: only the width bytes were cleared, so the byte at width keeps its x.
  EXPECT_EQ(format_hex(0xABC, 2, 0), "BC\0x"s);
  EXPECT_EQ(format_hex(0, 1, 1), "0\0x"s);
  EXPECT_EQ(format_hex(0xFF, 10, 0), "00000000FF\0x"s);
  EXPECT_EQ(format_hex(0xFF, 10, 1), "FF\0\0\0\0\0\0\0\0xx"s);
  EXPECT_EQ(format_hex(0x1A, 4, 1), "1A\0\0xx"s);
  EXPECT_EQ(format_hex(0, 4, 1), "0\0\0\0xx"s);
  EXPECT_EQ(format_hex(0xABCDEF, 6, 0), "ABCDEF\0x"s);  // upper case only
  EXPECT_EQ(format_hex(0xFFFFFFFFu, 8, 1), "FFFFFFFF\0x"s);
  EXPECT_EQ(format_hex(0x12, 0, 0), "xx");
  SemaphoreControlEnd();
  // The work area is refused: the width bytes are cleared and nothing else is
  // written. The parsers take no memory and work as ever.
  EXPECT_EQ(format_hex(0x1A, 4, 0), "\0\0\0\0xx"s);
  EXPECT_EQ(ChangeAsciiToHex("1a2B", 4), 0x1A2Bu);
  SemaphoreControlBegin();
  EXPECT_EQ(format_hex(0x1A, 4, 0), "001A\0x"s);
}

}  // namespace
