// The blocks the heap facility has handed out, with each one's size and kind. Size
// queries and releases are answered from here, so an unknown address (a block freed
// twice) is never read, and a large block needs no header page of its own.
#pragma once

#include <cstddef>
#include <mutex>
#include <unordered_map>

namespace hostutil::os {

struct live_block {
  std::size_t size;  // bytes asked for
  bool mapped;       // pages of its own rather than a heap block
};

class live_blocks {
 public:
  // False when the table cannot grow; the block must then not be handed out.
  bool add(const void* block, live_block info) noexcept {
    try {
      std::lock_guard lock(mutex_);
      return blocks_.emplace(block, info).second;
    } catch (...) {
      return false;
    }
  }

  bool find(const void* block, live_block& info) noexcept { return look_up(block, info, false); }

  // False when the block was not live.
  bool remove(const void* block, live_block& info) noexcept { return look_up(block, info, true); }

 private:
  bool look_up(const void* block, live_block& info, bool erase) noexcept {
    try {
      std::lock_guard lock(mutex_);
      const auto it = blocks_.find(block);
      if (it == blocks_.end()) return false;
      info = it->second;
      if (erase) blocks_.erase(it);
      return true;
    } catch (...) {
      return false;
    }
  }

  std::mutex mutex_;
  std::unordered_map<const void*, live_block> blocks_;
};

// The process's one table. Never destroyed: a block may be freed late in the
// process's exit.
inline live_blocks& live() {
  static live_blocks* blocks = new live_blocks;
  return *blocks;
}

// Hands the block out once the table knows it; else gives it back and hands
// out nothing. A null block passes through.
template <typename GiveBack>
void* admit(void* block, const live_block& info, GiveBack give_back) {
  if (block == nullptr || live().add(block, info)) return block;
  give_back(block, info);
  return nullptr;
}

}  // namespace hostutil::os
