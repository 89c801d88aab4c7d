// The shared hexadecimal digit rule at its edges, and ChangeAsciiToPtr on top
// of it: where a text ends, what a non-digit does, and what is shifted out.
#include <gtest/gtest.h>

#include <cstdint>

#include "convert/hex_digits.h"
#include "hostutil.h"

namespace {

using hostutil::convert::hex_digit_value;
using hostutil::convert::hex_scan_end;
using hostutil::convert::scan_hex;

TEST(HexDigitRule, DigitsAndTheirNeighbours) {
  EXPECT_EQ(hex_digit_value('0'), 0);
  EXPECT_EQ(hex_digit_value('9'), 9);
  EXPECT_EQ(hex_digit_value('A'), 10);
  EXPECT_EQ(hex_digit_value('f'), 15);
  for (char c : {'/', ':', '@', 'G', '`', 'g', 'x', 'h', ' ', '-', '+', '.', '\t', '\0',
                 static_cast<char>(0xB0), static_cast<char>(0xC6)}) {
    EXPECT_EQ(hex_digit_value(c), -1) << static_cast<int>(c);
  }
}

TEST(HexDigitRule, ScanEndsAtLengthNulOrNonDigit) {
  auto s = scan_hex<uint32_t>("1a2B", 4);
  EXPECT_EQ(s.value, 0x1A2Bu);
  EXPECT_EQ(s.end, hex_scan_end::length);
  s = scan_hex<uint32_t>("1a2B", 9);
  EXPECT_EQ(s.value, 0x1A2Bu);
  EXPECT_EQ(s.end, hex_scan_end::nul);
  s = scan_hex<uint32_t>("12 3", 4);  // the partial value stays for callers that want it
  EXPECT_EQ(s.value, 0x12u);
  EXPECT_EQ(s.read, 2u);
  EXPECT_EQ(s.end, hex_scan_end::not_digit);
  EXPECT_EQ(scan_hex<uint32_t>("0x10", 4).read, 1u);
  // Shifts in the result's own width: 32 bits keep the last 8 digits.
  EXPECT_EQ(scan_hex<uint32_t>("123456789", 9).value, 0x23456789u);
  EXPECT_EQ(scan_hex<uint32_t>(nullptr, 5).end, hex_scan_end::nul);
  EXPECT_EQ(scan_hex<uint32_t>("zz", 0).end, hex_scan_end::length);  // nothing read
}

TEST(ChangeAsciiToPtr, SixteenDigitsAtMostAndNothingButDigits) {
  EXPECT_EQ(ChangeAsciiToPtr("00000000012ab3f0", 16), 0x12AB3F0u);
  EXPECT_EQ(ChangeAsciiToPtr("00000000012ab3f0", 20), 0x12AB3F0u);  // ends at the NUL
  EXPECT_EQ(ChangeAsciiToPtr("1a2B", 2), 0x1Au);
  EXPECT_EQ(ChangeAsciiToPtr("123456789", 9), 0x123456789u);
  EXPECT_EQ(ChangeAsciiToPtr("FFFFFFFFFFFFFFFF", 16), UINT64_MAX);
  EXPECT_EQ(ChangeAsciiToPtr("10000000000000000", 17), 0u);  // the leading 1 is shifted out
  EXPECT_EQ(ChangeAsciiToPtr("12 3", 4), 0u);
  EXPECT_EQ(ChangeAsciiToPtr("0x10", 4), 0u);
  EXPECT_EQ(ChangeAsciiToPtr("ffg", 3), 0u);
  EXPECT_EQ(ChangeAsciiToPtr("ffg", 2), 0xFFu);  // the bad byte lies past the length
  EXPECT_EQ(ChangeAsciiToPtr(nullptr, 16), 0u);
  EXPECT_EQ(ChangeAsciiToPtr("", 16), 0u);
  EXPECT_EQ(ChangeAsciiToPtr("ff", 0), 0u);
}

}  // namespace
