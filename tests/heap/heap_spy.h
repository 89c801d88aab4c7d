// A wrapper round the heap calls for single-threaded tests: counts them, makes
// a chosen allocation fail or every size come back as 0, and notes whether each
// small block was all zeros when it was given back.
#pragma once

#include <cstddef>
#include <vector>

#include "os/heap.h"

namespace hostutil::test {

class heap_spy {
 public:
  heap_spy();
  ~heap_spy();  // puts the real calls back and gives back blocks stranded by zero_sizes
  heap_spy(const heap_spy&) = delete;
  heap_spy& operator=(const heap_spy&) = delete;

  int fail_allocation = 0;  // 1 = the next allocation fails, 2 = the one after, ...; 0 = none
  bool zero_sizes = false;  // every size query answers 0

  int allocations = 0;                      // successful ones
  std::vector<bool> zero_fill;              // as asked, per allocation
  std::vector<std::size_t> released_sizes;  // per release, in order
  int dirty_releases = 0;                   // small blocks given back with a byte not zero
  std::vector<void*> stranded;              // blocks whose size was answered as 0

 private:
  os::heap_calls saved_;
};

}  // namespace hostutil::test
