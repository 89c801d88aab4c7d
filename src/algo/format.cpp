// sprintfEx: formatting bounded by the caller's buffer, the text cut to fit and
// the rest of the buffer zero. The formatting itself is the platform C
// library's, reached through os/format.h.
#include <cstdarg>
#include <cstring>

#include "frame/text.h"
#include "hostutil.h"
#include "os/system_calls.h"

extern "C" {

HOSTUTIL_API void HOSTUTIL_CALL sprintfEx(char* buffer, uint32_t bufferSize, const char* format,
                                          ...) {
  if (hostutil::empty(format) || !hostutil::clear_output(buffer, bufferSize)) return;
  // Sizes from 2^31 up do not fit the C library's signed counts: left cleared.
  if (bufferSize >= 0x80000000u) return;
  std::va_list args;
  va_start(args, format);
  hostutil::os::calls().format_bounded(buffer, bufferSize, format, args);
  va_end(args);
  // Wine's CRT pads "%5c" into a 1-byte buffer with no room left: the last byte ends the text.
  buffer[bufferSize - 1] = '\0';
  // Some C libraries fill the unused tail with a pattern; it is zero here.
  if (auto* nul = static_cast<char*>(std::memchr(buffer, 0, bufferSize))) {
    std::memset(nul, 0, bufferSize - static_cast<std::size_t>(nul - buffer));
  }
}

}  // extern "C"
