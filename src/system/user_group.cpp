// Whether the code runs with administrator rights: not a look-up of group
// membership but an access check, so that a token holding the Administrators
// group for deny only (an administrator without elevation) counts as a user.
#include "hostutil.h"
#include "os/system_calls.h"
#include "system/internal.h"

namespace hostutil::system {

std::uint32_t IsCurrentUserAdministrator() {
  return os::calls().administrators_access() ? 1 : 0;
}

}  // namespace hostutil::system

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetCurrentUserGroup(void) {
  // Only the NT platform has the two groups; a failed version query lands here too.
  if (HOSTUTIL_OSVER_PLATFORM(GetOSVer()) != HOSTUTIL_OSVER_PLATFORM_NT) {
    return HOSTUTIL_GROUP_NONE;
  }
  return hostutil::system::IsCurrentUserAdministrator() != 0 ? HOSTUTIL_GROUP_ADMINISTRATORS
                                                             : HOSTUTIL_GROUP_USERS;
}

}  // extern "C"
