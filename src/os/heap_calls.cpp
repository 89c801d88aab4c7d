// The swappable table of heap calls. It starts out pointing at the platform's
// implementation in src/os/<platform>/heap.cpp.
#include "os/heap.h"

namespace hostutil::os {

heap_calls& heap_syscalls() {
  static heap_calls calls{heap_allocate, heap_size, heap_scrub, heap_release};
  return calls;
}

}  // namespace hostutil::os
