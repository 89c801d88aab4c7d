// Windows-1252 where Windows and iconv part ways (windows_1252.cpp).
#pragma once

#include <cstdint>

#include "hostutil/types.h"

namespace hostutil::os {

// The five bytes Windows maps to U+0081, U+008D, U+008F, U+0090 and U+009D.
bool is_1252_hole(std::uint32_t c);

// The byte Windows writes for a UTF-16 unit that iconv's Windows-1252 lacks:
// its best fit, a hole's own byte, or "?".
char windows_1252_fit(hu_wchar unit);

}  // namespace hostutil::os
