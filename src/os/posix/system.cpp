// Errors and pauses on POSIX: the last error is errno, and the texts are the
// C library's own.
#include <cerrno>
#include <cstring>
#include <ctime>

#include "os/os.h"

namespace hostutil::os {

std::uint32_t last_error() { return static_cast<std::uint32_t>(errno); }

bool error_text(std::uint32_t code, std::string& text) {
  const int err = static_cast<int>(code);
  if (code > 0x7FFFFFFFu) return false;
#if defined(__GLIBC__)
  // A code the C library has no text of its own for has none here either
  // (strerror_r would invent "Unknown error N").
  if (strerrordesc_np(err) == nullptr) return false;
  char scratch[256];
  const char* message = strerror_r(err, scratch, sizeof scratch);
#else
  char message[256];
  if (strerror_r(err, message, sizeof message) != 0) return false;
  if (std::strncmp(message, "Unknown error", 13) == 0) return false;
#endif
  try {
    text.assign(message);
  } catch (...) {
    return false;
  }
  return true;
}

void pause_ms(std::uint32_t ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

}  // namespace hostutil::os
