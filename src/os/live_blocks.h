// The set of blocks the heap facility has handed out and not yet taken back, so
// that a size query or a release of any other address (a block freed twice, say)
// is answered from the set and never reads memory the process no longer owns.
#pragma once

#include <mutex>
#include <new>
#include <unordered_set>

namespace hostutil::os {

class live_blocks {
 public:
  // False when the set cannot grow; the block must then not be handed out.
  bool add(const void* block) noexcept {
    try {
      std::lock_guard lock(mutex_);
      return blocks_.insert(block).second;
    } catch (...) {
      return false;
    }
  }

  bool contains(const void* block) noexcept {
    try {
      std::lock_guard lock(mutex_);
      return blocks_.count(block) != 0;
    } catch (...) {
      return false;
    }
  }

  // False when the block was not live.
  bool remove(const void* block) noexcept {
    try {
      std::lock_guard lock(mutex_);
      return blocks_.erase(block) != 0;
    } catch (...) {
      return false;
    }
  }

 private:
  std::mutex mutex_;
  std::unordered_set<const void*> blocks_;
};

}  // namespace hostutil::os
