// Bounded formatting by the platform's C library: the Windows CRT's secure
// form there, vsnprintf here, so that conversions read as each platform's
// printf family reads them.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace hostutil::os {

// Formats into buffer (size bytes, 1 to 2^31 - 1): at most size - 1 characters
// and a NUL, a longer text cut. Returns nothing; the buffer holds a text.
void format_bounded(char* buffer, std::size_t size, const char* format, std::va_list args);

}  // namespace hostutil::os
