// What the POSIX file code shares between its parts: the permission bits that
// make a file writable, and the wildcard patterns of the Windows find.
#pragma once

#include <sys/stat.h>

namespace hostutil::os {

// A file with none of these bits is read-only.
inline constexpr mode_t write_bits = S_IWUSR | S_IWGRP | S_IWOTH;

// * is any run of characters, ? exactly one; as on Windows, a pattern ending
// in ".*" also matches a name without that extension ("*.*" is everything).
bool wildcard_match(const char* pattern, const char* name);

}  // namespace hostutil::os
