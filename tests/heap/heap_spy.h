// Shared by the heap tests: a heap call spy and registry text.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "hostutil.h"
#include "support/scratch_files.h"
#include "support/stand_in.h"

namespace hostutil::test {

// Counts the heap calls, makes a chosen allocation fail or every size come back
// as 0, and notes whether each small block was all zeros when given back.
class heap_spy {
 public:
  heap_spy();
  ~heap_spy();  // gives back blocks stranded by zero_sizes; then the real calls come back
  heap_spy(const heap_spy&) = delete;
  heap_spy& operator=(const heap_spy&) = delete;

  int fail_allocation = 0;  // 1 = the next allocation fails, 2 = the one after, ...; 0 = none
  bool zero_sizes = false;  // every size query answers 0

  std::vector<bool> zero_fill;              // as asked, per successful allocation
  std::vector<std::size_t> released_sizes;  // per release, in order
  int dirty_releases = 0;                   // small blocks given back with a byte not zero
  std::vector<void*> stranded;              // blocks whose size was answered as 0

 private:
  stand_in<&os::system_calls::heap_allocate> allocate_;
  stand_in<&os::system_calls::heap_size> size_;
  stand_in<&os::system_calls::heap_release> release_;
};

// The text a registered block is known by: its address in 16 hex digits.
std::string text_of(const void* block);

}  // namespace hostutil::test
