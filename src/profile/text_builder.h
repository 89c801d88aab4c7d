// Scratch memory of the profile and CSV code: where blocks come from, and a
// text that grows in such blocks. Blocks come through a small allocator so the
// parsers can be driven by tests and fuzzers without the registered allocator.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hostutil::profile {

// Zero-filled blocks. allocate answers null on failure.
struct scratch_allocator {
  void* (*allocate)(std::uint32_t size);
  void (*release)(void* block);
};

// The library's registered allocations (zero-filled, freed before a call
// returns): what every exported function takes its scratch from.
const scratch_allocator& registered_scratch();

// One block held for the length of a call; freed on every path.
class scratch_block {
 public:
  scratch_block(const scratch_allocator& from, std::uint32_t size)
      : from_(&from), block_(size != 0 ? from.allocate(size) : nullptr) {}
  ~scratch_block() {
    if (block_ != nullptr) from_->release(block_);
  }
  scratch_block(const scratch_block&) = delete;
  scratch_block& operator=(const scratch_block&) = delete;

  char* get() const { return static_cast<char*>(block_); }
  explicit operator bool() const { return block_ != nullptr; }

 private:
  const scratch_allocator* from_;
  void* block_;
};

// A NUL-terminated text built by appending. It starts in a block of the size
// the caller expects to need and moves to a block twice as large whenever an
// append would not leave room for the NUL, so it never writes past a block.
class text_builder {
 public:
  explicit text_builder(const scratch_allocator& from) : from_(&from) {}
  ~text_builder();
  text_builder(const text_builder&) = delete;
  text_builder& operator=(const text_builder&) = delete;

  // Takes the first block. False when it cannot be had.
  bool reserve(std::uint32_t capacity);
  // False, and the text unchanged, when no larger block can be had or the
  // text would pass 4 GiB.
  bool append(const char* data, std::size_t length);
  bool append_line_end() { return append("\r\n", 2); }

  const char* data() const { return block_ != nullptr ? block_ : ""; }
  std::uint32_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  bool ends_with_line_end() const {
    return size_ >= 2 && block_[size_ - 2] == '\r' && block_[size_ - 1] == '\n';
  }

 private:
  const scratch_allocator* from_;
  char* block_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = 0;
};

}  // namespace hostutil::profile
