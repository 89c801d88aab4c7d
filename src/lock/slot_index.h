// The index kept beside the semaphore table: a name -> slot hash and a map of
// free slots, so that every table operation costs the same with 10 names or
// 100,000. The table itself (and its lowest-free-slot rule) is unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace hostutil::lock {

inline constexpr std::uint32_t table_slots = 102400;
inline constexpr std::uint32_t no_slot = 0xFFFFFFFFu;

// Which slots are free, with the lowest free one found in a few word scans.
class free_slot_map {
 public:
  void reset();                  // every slot free
  std::uint32_t lowest() const;  // no_slot when the table is full
  void take(std::uint32_t slot);
  void give(std::uint32_t slot);

 private:
  static constexpr std::uint32_t words = table_slots / 64;           // 1,600
  static constexpr std::uint32_t summary_words = (words + 63) / 64;  // 25
  std::array<std::uint64_t, words> free_{};                          // bit set = slot free
  std::array<std::uint64_t, summary_words> nonempty_{};  // bit set = word has a free slot
};

// Open-addressing hash of names to slots. The names themselves stay in the
// table; the index holds slot numbers and asks the table for a slot's name.
class name_index {
 public:
  using name_of_fn = const char* (*)(std::uint32_t slot);
  explicit name_index(name_of_fn name_of) : name_of_(name_of) {}

  void reset();
  std::uint32_t find(const char* name) const;         // no_slot when absent
  void insert(const char* name, std::uint32_t slot);  // name must be absent
  void erase(const char* name);

 private:
  static constexpr std::uint32_t buckets = 1u << 18;  // load stays under 40 %
  std::size_t bucket_of(const char* name) const;
  std::array<std::uint32_t, buckets> entries_{};  // slot + 1; 0 = empty
  name_of_fn name_of_;
};

}  // namespace hostutil::lock
