// Reading one value of a private-profile (INI) file by the platform's own
// rules: GetPrivateProfileStringA on Windows, and on POSIX a reader that
// follows the same rules, so capability files read alike on both ports.
#pragma once

#include <cstdint>

namespace hostutil::os {

// The value of key in section of the file at path into buffer (size bytes),
// cut to size - 1 characters and NUL-ended; default_text (null: empty) when
// the file, the section, the key or its value is missing. Result: the
// characters written, not counting the NUL.
std::uint32_t private_profile_string(const char* section, const char* key, const char* default_text,
                                     char* buffer, std::uint32_t size, const char* path);

}  // namespace hostutil::os
