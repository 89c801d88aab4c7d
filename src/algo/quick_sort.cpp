// QuickSort: first element as pivot, Lomuto partition. Recursing into the smaller
// side keeps the stack within log2(count) frames; linear order tests of each range
// leave a sorted range alone and reverse a reversed one (equal values are alike).
#include <algorithm>
#include <cstdint>
#include <utility>

#include "hostutil.h"

namespace {

template <bool ascending>
inline bool before(int32_t a, int32_t b) {
  return ascending ? a < b : a > b;
}

enum class run { sorted, reversed, mixed };

// Each test stops at the first pair that breaks its order.
template <bool ascending>
run order_of(const int32_t* a, std::int64_t low, std::int64_t high) {
  if (std::is_sorted(a + low, a + high + 1, before<ascending>)) return run::sorted;
  return std::is_sorted(a + low, a + high + 1, before<!ascending>) ? run::reversed : run::mixed;
}

template <bool ascending>
std::int64_t partition(int32_t* a, std::int64_t low, std::int64_t high) {
  const int32_t pivot = a[low];
  std::int64_t m = low;
  for (std::int64_t j = low + 1; j <= high; ++j) {
    if (before<ascending>(a[j], pivot)) {
      ++m;
      std::swap(a[m], a[j]);
    }
  }
  std::swap(a[low], a[m]);
  return m;
}

template <bool ascending>
void sort_range(int32_t* a, std::int64_t low, std::int64_t high) {
  while (low < high) {
    const run order = order_of<ascending>(a, low, high);
    if (order == run::sorted) return;
    if (order == run::reversed) {
      std::reverse(a + low, a + high + 1);
      return;
    }
    const std::int64_t m = partition<ascending>(a, low, high);
    if (m - low < high - m) {
      sort_range<ascending>(a, low, m - 1);
      low = m + 1;
    } else {
      sort_range<ascending>(a, m + 1, high);
      high = m - 1;
    }
  }
}

}  // namespace

extern "C" {

HOSTUTIL_API void HOSTUTIL_CALL QuickSort(int32_t* array, uint32_t count, int32_t ascending) {
  // The upper bound is read as signed: a count of 0, or one above 2^31, sorts nothing.
  const std::int64_t high = static_cast<int32_t>(count - 1u);
  if (ascending != 0) {
    sort_range<true>(array, 0, high);
  } else {
    sort_range<false>(array, 0, high);
  }
}

}  // extern "C"
