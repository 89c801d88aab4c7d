// The text of a system error code, copied into the caller's buffer. The words
// are the operating system's own; this file only sizes and copies them.
#include <cstring>
#include <string>

#include "hostutil.h"
#include "os/system_calls.h"

namespace {

uint32_t copy_error_text(uint32_t code, char* buffer, uint32_t bufferSize) {
  std::string text;
  if (!hostutil::os::calls().error_text(code, text) || text.empty()) {
    return 0;
  }
  const std::size_t n = text.size();
  const std::size_t copied = n < bufferSize ? n : bufferSize - 1;
  std::memcpy(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return n < bufferSize ? static_cast<uint32_t>(n) : bufferSize;
}

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetLastErrorString(uint32_t errorCode, char* buffer,
                                                       uint32_t bufferSize) {
  if (buffer == nullptr || bufferSize == 0) {
    return 0;
  }
  std::memset(buffer, 0, bufferSize);
  return copy_error_text(errorCode, buffer, bufferSize);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetLastErrorStringEx(char* buffer, uint32_t bufferSize) {
  // Read the thread's error first: nothing below may disturb it.
  const uint32_t code = hostutil::os::calls().last_error();
  if (buffer == nullptr || bufferSize == 0) {
    return 0;
  }
  std::memset(buffer, 0, bufferSize);
  return copy_error_text(code, buffer, bufferSize);
}

}  // extern "C"
