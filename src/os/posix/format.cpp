// Bounded formatting on POSIX: the C library's vsnprintf cuts the text at
// size - 1 characters and always ends it with a NUL.
#include "os/format.h"

#include <cstdio>

namespace hostutil::os {

void format_bounded(char* buffer, std::size_t size, const char* format, std::va_list args) {
  std::vsnprintf(buffer, size, format, args);
}

}  // namespace hostutil::os
