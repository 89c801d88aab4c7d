// The growing text of the profile writer: its first block is sized from the
// file, and a rebuilt text that outgrows it moves to a larger block rather
// than being refused or written past its end.
#include "profile/text_builder.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace hostutil::profile {

bool text_builder::reserve(std::uint32_t capacity) {
  if (capacity <= capacity_) return true;
  heap::scratch_block bigger(capacity);
  if (!bigger) return false;
  if (size_ != 0) std::memcpy(bigger.get(), block_.get(), size_);
  block_ = std::move(bigger);
  capacity_ = capacity;
  return true;
}

bool text_builder::append(const char* data, std::size_t length) {
  constexpr std::uint64_t most = 0xFFFFFFFFu;
  const std::uint64_t needed = std::uint64_t{size_} + length + 1;  // and the NUL
  if (needed > most) return false;
  if (needed > capacity_) {
    const std::uint64_t grown = std::clamp(std::uint64_t{capacity_} * 2, needed, most);
    if (!reserve(static_cast<std::uint32_t>(grown))) return false;
  }
  if (length != 0) std::memcpy(block_.get() + size_, data, length);
  size_ += static_cast<std::uint32_t>(length);
  block_.get()[size_] = '\0';
  return true;
}

}  // namespace hostutil::profile
