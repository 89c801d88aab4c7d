// The fixed-width number text shared by the hexadecimal and decimal
// formatters: exactly width digits built in a registered work area, optionally
// without leading zeros, copied out with a NUL.
#include "convert/fixed_width.h"

#include <cstring>

#include "heap/scratch_block.h"

namespace hostutil::convert {

// Writes value as exactly width digits into output (width + 1 bytes), through
// a registered work area; radix 10 or 16.
void write_fixed_width(std::uint32_t value, char* output, std::uint32_t width, bool suppress,
                       std::uint32_t radix) {
  if (output == nullptr) return;
  if (width > 0) std::memset(output, 0, width);
  heap::scratch_block area(width);
  if (!area) return;
  char* digits = area.get();
  for (std::uint32_t i = width; i-- > 0;) {
    const std::uint32_t d = value % radix;
    digits[i] = static_cast<char>(d < 10 ? '0' + d : 'A' + (d - 10));
    value /= radix;
  }
  std::uint32_t skip = 0;
  if (suppress) {
    while (skip + 1 < width && digits[skip] == '0') ++skip;
  }
  std::memcpy(output, digits + skip, width - skip);
  output[width - skip] = '\0';
}

}  // namespace hostutil::convert
