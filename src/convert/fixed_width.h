// Fixed-width digit text shared by ChangeHexToAscii and ChangeBinToAscii:
// one builder, so both pad, cut and suppress zeros alike.
#pragma once

#include <cstdint>

namespace hostutil::convert {

// Clears the first width bytes of output, then writes value as exactly width
// digits of the radix (10 or 16, upper-case letters) and a NUL: zero-padded on
// the left or cut to its lowest digits. With suppress, leading zeros go, all
// but the last digit. Nothing more when the work area cannot be had (width 0
// included). output holds width + 1 bytes.
void write_fixed_width(std::uint32_t value, char* output, std::uint32_t width, bool suppress,
                       std::uint32_t radix);

}  // namespace hostutil::convert
