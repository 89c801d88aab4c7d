// The table of system calls, starting out at the platform's own implementation.
#include "os/system_calls.h"

namespace hostutil::os {

system_calls& calls() {
  static system_calls table{
#define HOSTUTIL_SYSTEM_CALL_VALUE(name) .name = name,
      HOSTUTIL_SYSTEM_CALLS(HOSTUTIL_SYSTEM_CALL_VALUE)
#undef HOSTUTIL_SYSTEM_CALL_VALUE
  };
  return table;
}

}  // namespace hostutil::os
