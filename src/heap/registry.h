// A look at the allocation registry from inside the library (tests, the
// tour's checks): its area pointer, null while no block is registered.
#pragma once

#include "hostutil.h"

namespace hostutil::heap {

HeapAreaHead* allocation_registry();

}  // namespace hostutil::heap
