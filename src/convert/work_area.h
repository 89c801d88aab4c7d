// The zero-filled scratch block a conversion takes for one call: a registered
// allocation (so it fails before SemaphoreControlBegin, as every registered
// allocation does), given back on every path when the guard goes.
#pragma once

#include <cstdint>

#include "hostutil.h"

namespace hostutil::convert {

class work_area {
 public:
  explicit work_area(std::uint32_t size)
      : block_(static_cast<char*>(GlobalAllocEx(HOSTUTIL_ZEROINIT, size))) {}
  ~work_area() { release(); }
  work_area(const work_area&) = delete;
  work_area& operator=(const work_area&) = delete;

  explicit operator bool() const { return block_ != nullptr; }
  char* get() const { return block_; }

  // Frees the block before the guard goes, where a caller must not hold it longer.
  void release() {
    if (block_ != nullptr) GlobalFreeExEx(block_);
    block_ = nullptr;
  }

 private:
  char* block_;
};

}  // namespace hostutil::convert
