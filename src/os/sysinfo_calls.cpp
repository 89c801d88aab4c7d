// The swappable table of machine queries, starting out at the platform's own
// implementation.
#include "os/sysinfo.h"

namespace hostutil::os {

sysinfo_calls& sysinfo_syscalls() {
  static sysinfo_calls calls{system_folder, computer_name,        sockets_start, sockets_end,
                             host_name,     first_ipv4_address,   version,       display_mode,
                             language_name, administrators_access};
  return calls;
}

}  // namespace hostutil::os
