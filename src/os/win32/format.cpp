// Bounded formatting on Windows: the CRT's _vsnprintf_s with a count of
// size - 1, which cuts a longer text there and ends it with a NUL.
#include "os/format.h"

#include <stdio.h>

namespace hostutil::os {

void format_bounded(char* buffer, std::size_t size, const char* format, std::va_list args) {
  _vsnprintf_s(buffer, size, size - 1, format, args);
}

}  // namespace hostutil::os
