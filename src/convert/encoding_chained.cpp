// ANSI to UTF-8 and back, chained through UTF-16. Short texts (up to 128 bytes)
// pass through a 512-byte scratch area on the stack; longer ones through a
// registered allocation, which is why these fail before SemaphoreControlBegin.
#include <cstring>

#include "frame/text.h"
#include "heap/scratch_block.h"
#include "hostutil.h"

namespace {

constexpr uint32_t scratch_bytes = 512;

// One text through UTF-16: in, into the area, then out of it. The area holds 4
// bytes (2 units) per input byte, which holds any result since a byte never
// gives more than one unit.
int32_t through_utf16(decltype(&ChangeAnsiToUnicode) in, decltype(&ChangeUTF16ToUTF8) out,
                      const char* text, uint32_t length, char* output, uint32_t outputSize) {
  if (text == nullptr || length == 0 || !hostutil::clear_output(output, outputSize)) return 0;
  const uint64_t bytes = 4ull * length;
  hu_wchar scratch[scratch_bytes / sizeof(hu_wchar)] = {};
  hostutil::heap::scratch_block block;
  hu_wchar* units = scratch;
  if (bytes > scratch_bytes) {
    if (bytes > UINT32_MAX) return 0;
    block = hostutil::heap::scratch_block(static_cast<uint32_t>(bytes));
    units = reinterpret_cast<hu_wchar*>(block.get());
    if (units == nullptr) return 0;
  }
  const int32_t n = in(text, length, units, static_cast<uint32_t>(bytes / sizeof(hu_wchar)));
  if (n <= 0) return 0;
  return out(units, static_cast<uint32_t>(n), output, outputSize);
}

}  // namespace

extern "C" {

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAnsiToUTF8(const char* text, uint32_t length, char* output,
                                                    uint32_t outputSize) {
  return through_utf16(ChangeAnsiToUnicode, ChangeUTF16ToUTF8, text, length, output, outputSize);
}

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF8ToAnsi(const char* text, uint32_t length, char* output,
                                                    uint32_t outputSize) {
  return through_utf16(ChangeUTF8ToUTF16, ChangeUnicodeToAnsi, text, length, output, outputSize);
}

}  // extern "C"
