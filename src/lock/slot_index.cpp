// Free-slot map and name hash beside the semaphore table.
#include "lock/slot_index.h"

#include <bit>
#include <cstring>

namespace hostutil::lock {

void free_slot_map::reset() {
  free_.fill(~std::uint64_t{0});
  nonempty_.fill(0);
  for (std::uint32_t w = 0; w < words; ++w) nonempty_[w / 64] |= std::uint64_t{1} << (w % 64);
}

std::uint32_t free_slot_map::lowest() const {
  for (std::uint32_t s = 0; s < summary_words; ++s) {
    if (nonempty_[s] == 0) continue;
    const std::uint32_t w = s * 64 + static_cast<std::uint32_t>(std::countr_zero(nonempty_[s]));
    return w * 64 + static_cast<std::uint32_t>(std::countr_zero(free_[w]));
  }
  return no_slot;
}

void free_slot_map::take(std::uint32_t slot) {
  const std::uint32_t w = slot / 64;
  free_[w] &= ~(std::uint64_t{1} << (slot % 64));
  if (free_[w] == 0) nonempty_[w / 64] &= ~(std::uint64_t{1} << (w % 64));
}

void free_slot_map::give(std::uint32_t slot) {
  const std::uint32_t w = slot / 64;
  free_[w] |= std::uint64_t{1} << (slot % 64);
  nonempty_[w / 64] |= std::uint64_t{1} << (w % 64);
}

void name_index::reset() { entries_.fill(0); }

std::size_t name_index::bucket_of(const char* name) const {
  // FNV-1a: names are short, and this spreads numbered names well.
  std::uint64_t h = 14695981039346656037ull;
  for (const auto* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
    h = (h ^ *p) * 1099511628211ull;
  }
  return static_cast<std::size_t>(h ^ (h >> 29)) & (buckets - 1);
}

std::uint32_t name_index::find(const char* name) const {
  for (std::size_t b = bucket_of(name);; b = (b + 1) & (buckets - 1)) {
    const std::uint32_t e = entries_[b];
    if (e == 0) return no_slot;
    if (std::strcmp(name_of_(e - 1), name) == 0) return e - 1;
  }
}

void name_index::insert(const char* name, std::uint32_t slot) {
  std::size_t b = bucket_of(name);
  while (entries_[b] != 0) b = (b + 1) & (buckets - 1);
  entries_[b] = slot + 1;
}

void name_index::erase(const char* name) {
  std::size_t b = bucket_of(name);
  while (entries_[b] != 0 && std::strcmp(name_of_(entries_[b] - 1), name) != 0) {
    b = (b + 1) & (buckets - 1);
  }
  if (entries_[b] == 0) return;
  // Backward-shift deletion keeps every probe chain unbroken without tombstones.
  std::size_t hole = b;
  for (std::size_t next = (hole + 1) & (buckets - 1); entries_[next] != 0;
       next = (next + 1) & (buckets - 1)) {
    const std::size_t home = bucket_of(name_of_(entries_[next] - 1));
    // Move the entry back when its home does not lie in (hole, next].
    const bool stays = hole <= next ? (home > hole && home <= next) : (home > hole || home <= next);
    if (!stays) {
      entries_[hole] = entries_[next];
      hole = next;
    }
  }
  entries_[hole] = 0;
}

}  // namespace hostutil::lock
