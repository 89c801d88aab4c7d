// Hexadecimal text and 32-bit numbers: three parsers that share the digit rule
// and differ in how they report a failure (and one sign rule), and the
// fixed-width upper-case formatter.
#include <cstdint>

#include "convert/fixed_width.h"
#include "convert/hex_digits.h"
#include "hostutil.h"

namespace {

using hostutil::convert::scan_hex;

// The value of text, or false at a non-digit; a null or empty text has no digits.
bool parse_hex(const char* text, uint32_t length, uint32_t& value) {
  if (text == nullptr || text[0] == '\0') return false;
  const auto scan = scan_hex<uint32_t>(text, length);
  if (!scan.all_digits) return false;
  value = scan.value;
  return true;
}

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL ChangeAsciiToHex(const char* text, uint32_t length) {
  uint32_t value = 0;
  return parse_hex(text, length, value) ? value : 0;
}

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAsciiToHexEx(const char* text, uint32_t length,
                                                      uint32_t* output) {
  if (output == nullptr || text == nullptr || text[0] == '\0') return 0;
  // The one parser that leaves the digits before a bad character behind.
  const auto scan = scan_hex<uint32_t>(text, length);
  *output = scan.value;
  return scan.all_digits ? 1 : 0;
}

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAsciiToHexEx2(const char* text, uint32_t length) {
  uint32_t value = 0;
  if (!parse_hex(text, length, value)) return 0;
  // The sign bit is the top bit of a field of length digits, however many were
  // read; from 8 digits on the field is the whole value.
  const uint32_t sign_bit = (4u * length - 1u) % 32u;
  if (((value >> sign_bit) & 1u) == 0) return static_cast<int32_t>(value);
  const uint32_t mask = length >= 8 ? 0xFFFFFFFFu : (1u << (4u * length)) - 1u;
  return static_cast<int32_t>(0u - ((~value & mask) + 1u));
}

HOSTUTIL_API void HOSTUTIL_CALL ChangeHexToAscii(uint32_t value, char* output, uint32_t width,
                                                 int32_t suppress) {
  hostutil::convert::write_fixed_width(value, output, width, suppress != 0, 16);
}

}  // extern "C"
