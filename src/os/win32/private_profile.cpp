// Private-profile values on Windows: the platform's reader itself.
#include "os/private_profile.h"

#include <windows.h>

namespace hostutil::os {

std::uint32_t private_profile_string(const char* section, const char* key, const char* default_text,
                                     char* buffer, std::uint32_t size, const char* path) {
  return GetPrivateProfileStringA(section, key, default_text, buffer, size, path);
}

}  // namespace hostutil::os
