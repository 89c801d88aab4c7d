// Scratch memory of the profile and CSV functions: zero-filled registered
// allocations, so that they share the library's accounting of its blocks and
// fail, like every user of it, until the semaphore table is set up.
#include "hostutil.h"
#include "profile/text_builder.h"

namespace hostutil::profile {
namespace {

void* allocate_registered(std::uint32_t size) { return GlobalAllocEx(HOSTUTIL_ZEROINIT, size); }
void release_registered(void* block) { GlobalFreeExEx(block); }

}  // namespace

const scratch_allocator& registered_scratch() {
  static const scratch_allocator registered{allocate_registered, release_registered};
  return registered;
}

}  // namespace hostutil::profile
