// Small text tests every subsystem makes of its callers' arguments.
#pragma once

#include <cstdint>
#include <cstring>

namespace hostutil {

// True for a null text and for one of no characters.
inline bool empty(const char* text) { return text == nullptr || text[0] == '\0'; }

// Zero-fills a caller's output buffer of size bytes; false, and nothing
// written, when there is none (null, or 0 bytes). Checked after every other
// argument, so that a refused call leaves the buffer as it was.
inline bool clear_output(void* buffer, std::uint32_t size) {
  if (buffer == nullptr || size == 0) return false;
  std::memset(buffer, 0, size);
  return true;
}

}  // namespace hostutil
