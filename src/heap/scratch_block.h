// A zero-filled registered allocation held for the length of a call: taken
// with GlobalAllocEx, given back with GlobalFreeExEx on every path. Like every
// registered allocation it is refused before SemaphoreControlBegin, so a
// function that takes one fails then.
#pragma once

#include <cstdint>
#include <utility>

#include "hostutil.h"

namespace hostutil::heap {

class scratch_block {
 public:
  scratch_block() = default;
  explicit scratch_block(std::uint32_t size)
      : block_(static_cast<char*>(GlobalAllocEx(HOSTUTIL_ZEROINIT, size))) {}
  ~scratch_block() { release(); }
  scratch_block(scratch_block&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
  scratch_block& operator=(scratch_block&& other) noexcept {
    if (this != &other) {
      release();
      block_ = std::exchange(other.block_, nullptr);
    }
    return *this;
  }
  scratch_block(const scratch_block&) = delete;
  scratch_block& operator=(const scratch_block&) = delete;

  explicit operator bool() const { return block_ != nullptr; }
  char* get() const { return block_; }

  // Gives the block back before the guard goes, where a caller must not hold it longer.
  void release() {
    if (block_ != nullptr) GlobalFreeExEx(block_);
    block_ = nullptr;
  }

 private:
  char* block_ = nullptr;
};

}  // namespace hostutil::heap
