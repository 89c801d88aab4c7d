// A text that grows in registered scratch blocks: the profile writer's
// rebuilt file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "heap/scratch_block.h"

namespace hostutil::profile {

// A NUL-terminated text built by appending. It starts in a block of the size
// the caller expects to need and moves to a block twice as large whenever an
// append would not leave room for the NUL, so it never writes past a block.
class text_builder {
 public:
  // Takes the first block. False when it cannot be had.
  bool reserve(std::uint32_t capacity);
  // False, and the text unchanged, when no larger block can be had or the
  // text would pass 4 GiB.
  bool append(const char* data, std::size_t length);
  bool append_line_end() { return append("\r\n", 2); }

  const char* data() const { return block_ ? block_.get() : ""; }
  std::uint32_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

 private:
  heap::scratch_block block_;
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = 0;
};

}  // namespace hostutil::profile
