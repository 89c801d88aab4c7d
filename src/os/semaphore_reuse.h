// Reuse of closed named semaphores within the process. While it is on, a closed
// handle is kept (a few names, the oldest given up first) so that opening its
// name again costs next to nothing; the object still dies with the last open
// handle in any process, kept ones not counting. Turning it off closes every
// kept handle for good. The semaphore table has it on while it is set up.
#pragma once

namespace hostutil::os {

void semaphore_reuse(bool on);

}  // namespace hostutil::os
