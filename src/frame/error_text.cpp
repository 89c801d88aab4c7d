// The text of a system error code, copied into the caller's buffer. The words
// are the operating system's own; this file only sizes and copies them.
#include <algorithm>
#include <cstring>
#include <string>

#include "frame/text.h"
#include "hostutil.h"
#include "os/system_calls.h"

extern "C" {

// Checks and clears the caller's buffer, then copies as much of the text as
// fits with its NUL; the text's length, but at most bufferSize.
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetLastErrorString(uint32_t errorCode, char* buffer,
                                                       uint32_t bufferSize) {
  if (!hostutil::clear_output(buffer, bufferSize)) return 0;
  std::string text;
  if (!hostutil::os::calls().error_text(errorCode, text) || text.empty()) {
    return 0;
  }
  std::memcpy(buffer, text.data(), std::min<std::size_t>(text.size(), bufferSize - 1));
  return static_cast<uint32_t>(std::min<std::size_t>(text.size(), bufferSize));
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetLastErrorStringEx(char* buffer, uint32_t bufferSize) {
  // Read the thread's error first: nothing below may disturb it.
  return GetLastErrorString(hostutil::os::calls().last_error(), buffer, bufferSize);
}

}  // extern "C"
