// What the POSIX file code shares between its parts: the permission bits that
// make a file writable.
#pragma once

#include <sys/stat.h>

namespace hostutil::os {

// A file with none of these bits is read-only.
inline constexpr mode_t write_bits = S_IWUSR | S_IWGRP | S_IWOTH;

}  // namespace hostutil::os
