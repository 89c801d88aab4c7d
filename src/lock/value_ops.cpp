// Reset, set, increment and decrement of a caller's value, each worked out
// while holding "VALUE_OP_SEMAPHORE_CONTROL", which every process shares.
#include "hostutil.h"
#include "lock/named_guard.h"

namespace {

constexpr const char* value_semaphore = "VALUE_OP_SEMAPHORE_CONTROL";

// Runs op under the value semaphore; 0 when the semaphore cannot be had.
template <typename Op>
uint32_t guarded(Op op) {
  if (SemaphoreCreate(value_semaphore, 0) == 0) return 0;
  const hostutil::lock::named_guard guard(value_semaphore);
  return guard.entered() ? op() : 0;
}

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL ResetValue(uint32_t /*value*/) {
  return guarded([] { return uint32_t{0}; });
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL SetValue(uint32_t /*value*/, uint32_t newValue) {
  return guarded([newValue] { return newValue; });
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL IncrementValue(uint32_t value) {
  return guarded([value] { return value + 1; });
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL DecrementValue(uint32_t value) {
  return guarded([value] { return value - 1; });
}

}  // extern "C"
