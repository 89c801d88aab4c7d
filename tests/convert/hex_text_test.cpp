// The hexadecimal parsers and formatter: the digit set, where a text ends,
// digits shifted out of 32 bits, the sign rule of the fixed-width reading, and
// the formatter's registered work area before and after SemaphoreControlBegin.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "heap/registry.h"
#include "hostutil.h"

namespace {

class HexText : public ::testing::Test {
 protected:
  void SetUp() override {
    SemaphoreControlEnd();
    SemaphoreControlBegin();
  }
  void TearDown() override {
    // Every work area was given back within its call.
    EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);
    SemaphoreControlEnd();
  }
};

// All three parsers on one text: value, Ex result and output, Ex2.
struct parsed {
  uint32_t plain;
  int32_t ex_result;
  uint32_t ex_output;
  int32_t ex2;
};

parsed parse_all(const char* text, uint32_t length) {
  parsed p{};
  p.plain = ChangeAsciiToHex(text, length);
  p.ex_output = 0xDEADBEEFu;
  p.ex_result = ChangeAsciiToHexEx(text, length, &p.ex_output);
  p.ex2 = ChangeAsciiToHexEx2(text, length);
  return p;
}

TEST_F(HexText, DigitSetBothCases) {
  auto p = parse_all("1a2B", 4);
  EXPECT_EQ(p.plain, 0x1A2Bu);
  EXPECT_EQ(p.ex_result, 1);
  EXPECT_EQ(p.ex_output, 0x1A2Bu);
  EXPECT_EQ(p.ex2, 0x1A2B);
  p = parse_all("1a2B", 2);
  EXPECT_EQ(p.plain, 0x1Au);
  EXPECT_EQ(p.ex_output, 0x1Au);
  EXPECT_EQ(ChangeAsciiToHex("0123456789", 10), 0x23456789u);
  EXPECT_EQ(ChangeAsciiToHex("abcdef", 6), 0xABCDEFu);
  EXPECT_EQ(ChangeAsciiToHex("ABCDEF", 6), 0xABCDEFu);
  // The bytes next to each digit range, signs, blanks, prefixes and high bytes.
  for (const char* bad :
       {"/", ":", "@", "G", "`", "g", " ", "-", "+", ".", "x", "h", "\x80", "\xFF", "\t"}) {
    const std::string text = std::string("1") + bad;
    const auto q = parse_all(text.c_str(), 2);
    EXPECT_EQ(q.plain, 0u) << text;
    EXPECT_EQ(q.ex_result, 0) << text;
    EXPECT_EQ(q.ex_output, 1u) << text;  // the digit before the bad byte stays
    EXPECT_EQ(q.ex2, 0) << text;
  }
}

TEST_F(HexText, FailuresAndWhatTheyLeave) {
  auto p = parse_all("12 3", 4);
  EXPECT_EQ(p.plain, 0u);
  EXPECT_EQ(p.ex_result, 0);
  EXPECT_EQ(p.ex_output, 0x12u);
  EXPECT_EQ(p.ex2, 0);
  p = parse_all("0x10", 4);
  EXPECT_EQ(p.plain, 0u);
  EXPECT_EQ(p.ex_result, 0);
  EXPECT_EQ(p.ex2, 0);

  // Empty and null texts: no digits at all, the output untouched.
  for (const char* empty : {"", static_cast<const char*>(nullptr)}) {
    p = parse_all(empty, 4);
    EXPECT_EQ(p.plain, 0u);
    EXPECT_EQ(p.ex_result, 0);
    EXPECT_EQ(p.ex_output, 0xDEADBEEFu);
    EXPECT_EQ(p.ex2, 0);
  }
  EXPECT_EQ(ChangeAsciiToHexEx("12", 2, nullptr), 0);
}

TEST_F(HexText, WhereTheTextEnds) {
  // A NUL inside the length ends the text; a length beyond it is harmless.
  const char with_nul[] =
      "12\0"
      "34";
  auto p = parse_all(with_nul, 5);
  EXPECT_EQ(p.plain, 0x12u);
  EXPECT_EQ(p.ex_result, 1);
  EXPECT_EQ(p.ex_output, 0x12u);
  p = parse_all("abc", 0xFFFFFFFFu);
  EXPECT_EQ(p.plain, 0xABCu);
  EXPECT_EQ(p.ex_output, 0xABCu);
  EXPECT_EQ(p.ex2, 0xABC);  // sign bit 31 of a 32-bit field: clear
  // A length of 0 reads nothing: success with 0 from the Ex form only.
  p = parse_all("FF", 0);
  EXPECT_EQ(p.plain, 0u);
  EXPECT_EQ(p.ex_result, 1);
  EXPECT_EQ(p.ex_output, 0u);
  EXPECT_EQ(p.ex2, 0);
}

TEST_F(HexText, LeadingDigitsShiftOut) {
  EXPECT_EQ(ChangeAsciiToHex("123456789", 9), 0x23456789u);
  EXPECT_EQ(ChangeAsciiToHex("FFFFFFFF00000001", 16), 1u);
  uint32_t out = 0;
  EXPECT_EQ(ChangeAsciiToHexEx("ABCDEF0123", 10, &out), 1);
  EXPECT_EQ(out, 0xCDEF0123u);
}

TEST_F(HexText, SignOfAFixedWidthField) {
  EXPECT_EQ(ChangeAsciiToHexEx2("FFFE", 4), -2);
  EXPECT_EQ(ChangeAsciiToHexEx2("7F", 2), 127);
  EXPECT_EQ(ChangeAsciiToHexEx2("80", 2), -128);
  EXPECT_EQ(ChangeAsciiToHexEx2("80", 4), 128);  // the length decides, not the digits read
  EXPECT_EQ(ChangeAsciiToHexEx2("F", 2), 15);
  EXPECT_EQ(ChangeAsciiToHexEx2("8000", 4), -32768);
  EXPECT_EQ(ChangeAsciiToHexEx2("8", 1), -8);
  EXPECT_EQ(ChangeAsciiToHexEx2("7", 1), 7);
  EXPECT_EQ(ChangeAsciiToHexEx2("FFFFFFFF", 8), -1);
  EXPECT_EQ(ChangeAsciiToHexEx2("80000000", 8), INT32_MIN);
  EXPECT_EQ(ChangeAsciiToHexEx2("7FFFFFFF", 8), INT32_MAX);
  // From 8 digits on the result is the 32-bit value read as signed, whichever
  // bit the length names (length 9 names bit 3).
  EXPECT_EQ(ChangeAsciiToHexEx2("FFFFFFFFF", 9), -1);
  EXPECT_EQ(ChangeAsciiToHexEx2("000000008", 9), 8);
  EXPECT_EQ(ChangeAsciiToHexEx2("100000000", 9), 0);

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

// Output of width + 1 bytes with a guard byte behind it.
std::string format_hex(uint32_t value, uint32_t width, int32_t suppress, char* guard = nullptr) {
  std::string out(width + 2, 'x');
  ChangeHexToAscii(value, out.data(), width, suppress);
  if (guard != nullptr) *guard = out[width + 1];
  return out;
}

TEST_F(HexText, FormatterWidthsAndSuppression) {
  char guard = 0;
  EXPECT_EQ(format_hex(0xABC, 2, 0, &guard), std::string("BC\0x", 4));
  EXPECT_EQ(guard, 'x');
  EXPECT_EQ(format_hex(0, 1, 1), std::string("0\0x", 3));
  EXPECT_EQ(format_hex(0xFF, 10, 0), std::string("00000000FF\0x", 12));
  // Suppressed: only the width bytes were cleared, so the byte at width keeps its x.
  EXPECT_EQ(format_hex(0xFF, 10, 1), std::string("FF\0\0\0\0\0\0\0\0xx", 12));
  EXPECT_EQ(format_hex(0x1A, 4, 0), std::string("001A\0x", 6));
  EXPECT_EQ(format_hex(0x1A, 4, 1), std::string("1A\0\0xx", 6));
  EXPECT_EQ(format_hex(0, 4, 1), std::string("0\0\0\0xx", 6));
  EXPECT_EQ(format_hex(0xABCDEF, 6, 0), std::string("ABCDEF\0x", 8));  // upper case only
  EXPECT_EQ(format_hex(0xFFFFFFFFu, 8, 1), std::string("FFFFFFFF\0x", 10));
  // A width of 0 touches nothing.
  EXPECT_EQ(format_hex(0x12, 0, 0), "xx");
}

TEST_F(HexText, FormatterNeedsTheSemaphoreTable) {
  SemaphoreControlEnd();
  // The work area is refused: the width bytes are cleared and nothing else is written.
  EXPECT_EQ(format_hex(0x1A, 4, 0), std::string("\0\0\0\0xx", 6));
  // The parsers take no memory and work as ever.
  EXPECT_EQ(ChangeAsciiToHex("1a2B", 4), 0x1A2Bu);
  SemaphoreControlBegin();
  EXPECT_EQ(format_hex(0x1A, 4, 0), std::string("001A\0x", 6));
}

}  // namespace
