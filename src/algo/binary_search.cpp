// Binary search of signed 32-bit arrays, ascending and descending. Bounds are
// kept signed and 64 bits wide so that "high = middle - 1" below index 0 ends
// the loop instead of wrapping.
#include <cstdint>

#include "hostutil.h"

namespace {

template <bool ascending>
uint32_t bisect(const int32_t* array, uint32_t count, int32_t key) {
  if (array == nullptr || count == 0) return HOSTUTIL_NOT_FOUND;
  std::int64_t low = 0;
  std::int64_t high = static_cast<std::int64_t>(count) - 1;
  while (low <= high) {
    const std::int64_t middle = low + (high - low) / 2;
    const int32_t value = array[middle];
    if (value == key) return static_cast<uint32_t>(middle);
    // "Before the key" in the array's own order: the key lies behind the middle.
    const bool key_after = ascending ? value < key : value > key;
    if (key_after) {
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }
  return HOSTUTIL_NOT_FOUND;
}

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL BinarySearch(const int32_t* array, uint32_t count,
                                                 int32_t key) {
  return bisect<true>(array, count, key);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL BinarySearchDSC(const int32_t* array, uint32_t count,
                                                    int32_t key) {
  return bisect<false>(array, count, key);
}

}  // extern "C"
