// The swappable tables through which the library reaches the system. Each
// starts out pointing at the platform's implementation.
#include "os/os.h"

namespace hostutil::os {

semaphore_calls& semaphore_syscalls() {
  static semaphore_calls calls{semaphore_open, semaphore_wait, semaphore_post, semaphore_close,
                               pause_ms};
  return calls;
}

}  // namespace hostutil::os
