// Decimal text and numbers: digit test, zero suppression and padding, fixed-width
// and decimal-point output, range-checked parsers. Work areas are registered
// allocations (they fail before SemaphoreControlBegin); short checks use 512 bytes.
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "convert/fixed_width.h"
#include "heap/scratch_block.h"
#include "hostutil.h"

namespace hostutil::convert {
namespace {

constexpr std::uint32_t scratch_size = 512;
constexpr std::uint64_t largest_value = 2147483647;

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The value of a NUL-ended run of digits, or false once it passes 2147483647
// (leading zeros are no reason to fail).
bool read_digits(const char* digits, std::uint32_t& value) {
  std::uint64_t result = 0;
  for (; *digits != '\0'; ++digits) {
    result = result * 10 + static_cast<std::uint64_t>(*digits - '0');
    if (result > largest_value) return false;
  }
  value = static_cast<std::uint32_t>(result);
  return true;
}

// Reads the digits from text up to length or its NUL. False on a non-digit,
// a value above 2147483647, or a long text whose scratch copy cannot be had.
bool parse_decimal(const char* text, std::uint32_t length, std::uint32_t& value) {
  if (text == nullptr || text[0] == '\0') return false;
  std::uint32_t n = 0;
  for (; n < length && text[n] != '\0'; ++n) {
    if (!is_digit(text[n])) return false;
  }
  // The digits are read from a NUL-ended copy: a fixed scratch area for short
  // lengths, a registered allocation sized to the digits from 512 on.
  if (length < scratch_size) {
    char copy[scratch_size] = {};
    std::memcpy(copy, text, n);
    return read_digits(copy, value);
  }
  heap::scratch_block copy(n + 1);
  if (!copy) return false;
  std::memcpy(copy.get(), text, n);
  return read_digits(copy.get(), value);
}

}  // namespace
}  // namespace hostutil::convert

using hostutil::convert::parse_decimal;
using hostutil::heap::scratch_block;

extern "C" {

HOSTUTIL_API int32_t HOSTUTIL_CALL NumericCheck(const char* text) {
  if (text == nullptr) return 0;
  // One character at a time through the hexadecimal parser: A to F pass too.
  for (; *text != '\0'; ++text) {
    uint32_t digit = 0;
    if (ChangeAsciiToHexEx(text, 1, &digit) != 1) return 0;
  }
  return 1;
}

HOSTUTIL_API int32_t HOSTUTIL_CALL ZeroSuppressProc(char* text, uint32_t bufferSize, uint32_t width,
                                                    int32_t mode) {
  if (text == nullptr || bufferSize == 0) return 0;
  const uint32_t sign = text[0] == '-' ? 1 : 0;
  char* digits = text + sign;
  const uint32_t size = bufferSize - sign;
  scratch_block area(size + 1);
  if (!area) return 0;
  // The text must end within its buffer; one that does not is left alone.
  const auto* end = static_cast<const char*>(std::memchr(digits, '\0', size));
  if (end == nullptr) return 0;
  const uint32_t n = static_cast<uint32_t>(end - digits);

  uint32_t length = 0;
  uint32_t zeros = 0;  // pad mode: zeros in front of the digits
  const char* rest = digits;
  if (mode != 0) {
    while (rest < end && *rest == '0') ++rest;
    length = static_cast<uint32_t>(end - rest);
    if (length == 0) {
      rest = "0";
      length = 1;
    }
  } else {
    if (n >= width) return 0;  // neither padded nor cut
    zeros = width - n;
    length = width;
  }
  // A result that would not fit the caller's buffer is refused, text unchanged.
  if (static_cast<uint64_t>(sign) + length + 1 > bufferSize) return 0;
  char* work = area.get();
  std::memset(work, '0', zeros);
  std::memcpy(work + zeros, rest, length - zeros);
  std::memset(text, 0, bufferSize);
  if (sign != 0) text[0] = '-';
  std::memcpy(text + sign, work, length);
  return 1;
}

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeBinToAsciiWithDecimalPoint(int32_t value, char* buffer,
                                                                    uint32_t bufferSize,
                                                                    uint32_t decimals) {
  if (buffer == nullptr || bufferSize < 12 || decimals > 9) return 0;
  // Built aside and copied at the end, so that a refusal leaves the buffer untouched.
  char text[16] = {};
  std::to_chars(text, text + sizeof text - 1, value);
  if (decimals > 0) {
    const uint32_t sign = text[0] == '-' ? 1 : 0;
    if (std::strlen(text + sign) < decimals + 1 &&
        ZeroSuppressProc(text + sign, sizeof text - sign, decimals + 1, 0) != 1) {
      return 0;
    }
    char* point = text + std::strlen(text) - decimals;
    std::memmove(point + 1, point, decimals);
    *point = '.';
  }
  const std::size_t length = std::strlen(text);
  // Only a negative value with ten digits or nine decimals needs a 13th byte.
  if (length + 1 > bufferSize) return 0;
  std::memset(buffer, 0, bufferSize);
  std::memcpy(buffer, text, length);
  return 1;
}

HOSTUTIL_API void HOSTUTIL_CALL ChangeBinToAscii(uint32_t value, char* output, uint32_t width,
                                                 int32_t suppress) {
  hostutil::convert::write_fixed_width(value, output, width, suppress != 0, 10);
}

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAsciiToBinEx(const char* text, uint32_t length,
                                                      uint32_t* output) {
  // The value is written only when the text converts.
  return output != nullptr && parse_decimal(text, length, *output) ? 1 : 0;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL ChangeAsciiToBin(const char* text, uint32_t length) {
  uint32_t value = 0;
  return parse_decimal(text, length, value) ? value : 0;
}

HOSTUTIL_API float HOSTUTIL_CALL ChangeAsciiToFloat(const char* text, uint32_t length) {
  if (text == nullptr) return 0.0f;
  const char* point = std::strchr(text, '.');
  if (point == nullptr) return static_cast<float>(ChangeAsciiToBin(text, length));
  // The decimals count from the given length, which callers set to the text's.
  const uint32_t before = static_cast<uint32_t>(point - text);
  const uint32_t decimals = length - before - 1;
  // The digits without the point take the text's length in bytes, NUL
  // included; a length shorter than the text cannot hold them.
  const std::size_t after = std::strlen(point + 1);
  if (before + after + 1 > length) return 0.0f;
  scratch_block area(static_cast<uint32_t>(before + after + 1));
  if (!area) return 0.0f;
  char* digits = area.get();
  std::memcpy(digits, text, before);
  std::memcpy(digits + before, point + 1, after);
  const uint32_t whole = ChangeAsciiToBin(digits, static_cast<uint32_t>(before + after));
  area.release();
  // Single precision at each step: the integer, the power of ten, the quotient.
  const float numerator = static_cast<float>(whole);
  const double power = std::pow(10.0, static_cast<double>(decimals));
  // Past the float range the power rounds to infinity and the quotient to 0.
  if (power > std::numeric_limits<float>::max()) return 0.0f;
  return numerator / static_cast<float>(power);
}

}  // extern "C"
