// The four single conversions between ANSI, UTF-8 and UTF-16: argument checks
// and a zero-filled output around one system conversion. UTF-16 capacities are
// counted in code units, so the zero-filling covers exactly the caller's buffer,
// and a failed conversion leaves it zero-filled, not half written.
#include <cstring>

#include "hostutil.h"
#include "os/system_calls.h"

namespace {

using hostutil::os::code_page;

// One system conversion into the zero-filled output. A conversion that did not
// fit may have begun; a failure leaves only zeros.
template <typename In, typename Out>
int32_t zeroed_conversion(uint32_t (*convert)(code_page, const In*, uint32_t, Out*, uint32_t),
                          code_page page, const In* text, uint32_t length, Out* output,
                          uint32_t capacity) {
  if (text == nullptr || length == 0 || output == nullptr || capacity == 0) return 0;
  const std::size_t bytes = std::size_t{capacity} * sizeof(Out);
  std::memset(output, 0, bytes);
  const uint32_t n = convert(page, text, length, output, capacity);
  if (n == 0) std::memset(output, 0, bytes);
  return static_cast<int32_t>(n);
}

}  // namespace

extern "C" {

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF8ToUTF16(const char* text, uint32_t length,
                                                     hu_wchar* output, uint32_t capacity) {
  return zeroed_conversion(hostutil::os::calls().to_utf16, code_page::utf8, text, length, output,
                           capacity);
}

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF16ToUTF8(const hu_wchar* text, uint32_t length,
                                                     char* output, uint32_t outputSize) {
  return zeroed_conversion(hostutil::os::calls().from_utf16, code_page::utf8, text, length, output,
                           outputSize);
}

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAnsiToUnicode(const char* text, uint32_t length,
                                                       hu_wchar* output, uint32_t capacity) {
  if (text == nullptr || output == nullptr || capacity == 0) return 0;
  if (length == 0) {
    // The text up to its NUL (an empty one is refused below); one too long to
    // count in 32 bits is refused whole.
    const std::size_t n = std::strlen(text);
    if (n > INT32_MAX) return 0;
    length = static_cast<uint32_t>(n);
  }
  return zeroed_conversion(hostutil::os::calls().to_utf16, code_page::ansi, text, length, output,
                           capacity);
}

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUnicodeToAnsi(const hu_wchar* text, uint32_t length,
                                                       char* output, uint32_t outputSize) {
  return zeroed_conversion(hostutil::os::calls().from_utf16, code_page::ansi, text, length, output,
                           outputSize);
}

}  // extern "C"
