// ChangeAsciiToPtr: hexadecimal text to a pointer-sized number, as the
// allocation registry turns a block's text back into its address.
#include "convert/hex_digits.h"
#include "hostutil.h"

extern "C" {

HOSTUTIL_API uint64_t HOSTUTIL_CALL ChangeAsciiToPtr(const char* text, uint32_t length) {
  const auto s = hostutil::convert::scan_hex<uint64_t>(text, length);
  return s.all_digits ? s.value : 0;
}

}  // extern "C"
