// The hexadecimal digit rule that every hexadecimal parser of the library
// shares: which bytes are digits, where a text ends, and how digits build a
// value. Parsers differ only in how they report the outcome.
#pragma once

#include <cstdint>
#include <type_traits>

namespace hostutil::convert {

// The value of a hexadecimal digit (0-9, A-F, a-f), or -1 for any other byte:
// no blank, sign, prefix letter, point, control byte or byte from 0x80 up.
constexpr int hex_digit_value(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

template <typename Value>
struct hex_scan {
  Value value;      // the digits before the end, accumulated
  bool all_digits;  // false when a byte that is not a digit ended the scan
};

// Reads at most length characters of text, stopping early at a NUL byte or at
// the first byte that is not a digit (a null text is an empty one). Each digit
// shifts the value left by 4 bits in Value's own width, with no overflow check:
// only the last digits that fit are kept. On a non-digit the value holds the
// digits before it; a caller that counts that as failure drops it.
template <typename Value>
constexpr hex_scan<Value> scan_hex(const char* text, std::uint32_t length) noexcept {
  static_assert(std::is_unsigned_v<Value>, "the shift is done in an unsigned width");
  hex_scan<Value> s{0, true};
  for (std::uint32_t i = 0; text != nullptr && i < length && text[i] != '\0'; ++i) {
    const int digit = hex_digit_value(text[i]);
    if (digit < 0) {
      s.all_digits = false;
      return s;
    }
    s.value = static_cast<Value>((s.value << 4) | static_cast<Value>(digit));
  }
  return s;
}

}  // namespace hostutil::convert
