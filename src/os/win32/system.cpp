// Errors and pauses on Windows.
#include <windows.h>

#include "os/os.h"

namespace hostutil::os {

std::uint32_t last_error() { return GetLastError(); }

bool error_text(std::uint32_t code, std::string& text) {
  char* message = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&message),
      0, nullptr);
  if (message == nullptr) return false;
  bool ok = true;
  try {
    text.assign(message, n);
  } catch (...) {
    ok = false;
  }
  LocalFree(message);
  return ok && n != 0;
}

void pause_ms(std::uint32_t ms) { Sleep(ms); }

}  // namespace hostutil::os
