// The per-process table of named system semaphores: 102,400 slots, the lowest
// free slot taken, names matched byte for byte. Waiting is always done outside
// the table's in-process mutex, and a handle that one thread waits on is never
// closed under it by another thread.
#include "lock/semaphore_table.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <vector>

#include "hostutil.h"
#include "os/system_calls.h"

namespace hostutil::lock {
namespace {

constexpr std::uint32_t table_slots = 102400;
constexpr std::uint32_t no_slot = 0xFFFFFFFFu;
constexpr std::uint32_t name_capacity = 64;  // 63 characters and the NUL
constexpr std::uint32_t attempt_wait_ms = 1;
constexpr std::uint32_t retry_pause_ms = 500;

struct SemaphoreSlot {
  char name[name_capacity];  // NUL-terminated; all zero in a free slot
  os::semaphore* handle;     // null exactly when the slot is free
  std::uint32_t entered;     // 1 while this process holds it through SemaphoreEntry
};

SemaphoreSlot g_slots[table_slots];
std::uint32_t g_table_initialised;  // 0 = not set up

// Beside the table, so that every table operation costs the same with 10 names
// or 100,000 (the table itself and its lowest-free-slot rule are unchanged):
// which slots are free, with the lowest free one found in a few word scans.
class free_slot_map {
 public:
  // Every slot free.
  void reset() {
    free_.fill(~std::uint64_t{0});
    nonempty_.fill(0);
    for (std::uint32_t w = 0; w < words; ++w) nonempty_[w / 64] |= std::uint64_t{1} << (w % 64);
  }

  // no_slot when the table is full.
  std::uint32_t lowest() const {
    for (std::uint32_t s = 0; s < summary_words; ++s) {
      if (nonempty_[s] == 0) continue;
      const std::uint32_t w = s * 64 + static_cast<std::uint32_t>(std::countr_zero(nonempty_[s]));
      return w * 64 + static_cast<std::uint32_t>(std::countr_zero(free_[w]));
    }
    return no_slot;
  }

  void take(std::uint32_t slot) {
    const std::uint32_t w = slot / 64;
    free_[w] &= ~(std::uint64_t{1} << (slot % 64));
    if (free_[w] == 0) nonempty_[w / 64] &= ~(std::uint64_t{1} << (w % 64));
  }

  void give(std::uint32_t slot) {
    const std::uint32_t w = slot / 64;
    free_[w] |= std::uint64_t{1} << (slot % 64);
    nonempty_[w / 64] |= std::uint64_t{1} << (w % 64);
  }

 private:
  static constexpr std::uint32_t words = table_slots / 64;           // 1,600
  static constexpr std::uint32_t summary_words = (words + 63) / 64;  // 25
  std::array<std::uint64_t, words> free_{};                          // bit set = slot free
  std::array<std::uint64_t, summary_words> nonempty_{};  // bit set = word has a free slot
};

// Open-addressing hash of names to slots. The names themselves stay in the
// table; the index holds slot numbers.
class name_index {
 public:
  void reset() { entries_.fill(0); }

  // no_slot when absent.
  std::uint32_t find(const char* name) const {
    const std::uint32_t e = entries_[bucket_holding(name)];
    return e == 0 ? no_slot : e - 1;
  }

  // The name must be absent.
  void insert(const char* name, std::uint32_t slot) { entries_[bucket_holding(name)] = slot + 1; }

  void erase(const char* name) {
    std::size_t hole = bucket_holding(name);
    if (entries_[hole] == 0) return;
    // Backward-shift deletion keeps every probe chain unbroken without tombstones.
    for (std::size_t next = after(hole); entries_[next] != 0; next = after(next)) {
      const std::size_t home = bucket_of(g_slots[entries_[next] - 1].name);
      // Move the entry back when its home does not lie in (hole, next].
      const bool stays =
          hole <= next ? (home > hole && home <= next) : (home > hole || home <= next);
      if (!stays) {
        entries_[hole] = entries_[next];
        hole = next;
      }
    }
    entries_[hole] = 0;
  }

 private:
  static constexpr std::uint32_t buckets = 1u << 18;  // load stays under 40 %

  static std::size_t after(std::size_t b) { return (b + 1) & (buckets - 1); }

  // The bucket that holds name, or the empty one where its probe chain ends.
  std::size_t bucket_holding(const char* name) const {
    std::size_t b = bucket_of(name);
    while (entries_[b] != 0 && std::strcmp(g_slots[entries_[b] - 1].name, name) != 0) b = after(b);
    return b;
  }

  static std::size_t bucket_of(const char* name) {
    // FNV-1a: names are short, and this spreads numbered names well.
    std::uint64_t h = 14695981039346656037ull;
    for (const auto* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
      h = (h ^ *p) * 1099511628211ull;
    }
    return static_cast<std::size_t>(h ^ (h >> 29)) & (buckets - 1);
  }

  std::array<std::uint32_t, buckets> entries_{};  // slot + 1; 0 = empty
};

// The table has no visible lock; this one only keeps concurrent callers of one
// process from tearing the table and its index apart.
std::mutex g_mutex;
name_index g_names;
free_slot_map g_free;

// Handles in use by a waiting thread outside the mutex. A slot cleared
// meanwhile leaves its handle here, closed by the last thread to return it.
struct borrowed_handle {
  os::semaphore* handle;
  std::uint32_t users;
  bool closing;
};
std::vector<borrowed_handle> g_borrowed;

// Resolves the caller's name/number pair into the semaphore's name.
class semaphore_name {
 public:
  semaphore_name(const char* name, std::uint64_t number) {
    if (name != nullptr && name[0] != '\0') {
      text_ = name;
    } else {
      numbered_name(number, numbered_);
      text_ = numbered_;
    }
  }
  const char* c_str() const { return text_; }
  bool fits() const { return std::strlen(text_) < name_capacity; }

 private:
  char numbered_[17] = {};
  const char* text_;
};

// The slot that holds the name while the table is set up; no_slot otherwise.
// Must be called with the mutex held.
std::uint32_t slot_of(const char* name, std::uint64_t number) {
  if (g_table_initialised == 0) return no_slot;
  const semaphore_name n(name, number);
  return n.fits() ? g_names.find(n.c_str()) : no_slot;
}

// The record of a borrowed handle, or g_borrowed.end(). Must be called with the mutex held.
std::vector<borrowed_handle>::iterator borrowed(os::semaphore* h) {
  return std::find_if(g_borrowed.begin(), g_borrowed.end(),
                      [h](const borrowed_handle& b) { return b.handle == h; });
}

// Must be called with the mutex held.
os::semaphore* borrow(std::uint32_t slot) {
  os::semaphore* h = g_slots[slot].handle;
  if (const auto it = borrowed(h); it != g_borrowed.end()) {
    ++it->users;
  } else {
    g_borrowed.push_back({h, 1, false});
  }
  return h;
}

// Must be called with the mutex held.
void give_back(os::semaphore* h) {
  const auto it = borrowed(h);
  if (it == g_borrowed.end()) return;
  if (--it->users == 0) {
    if (it->closing) os::calls().semaphore_close(h);
    g_borrowed.erase(it);
  }
}

// Closes a handle that has left the table, or leaves it to its last borrower.
// Must be called with the mutex held.
void close_handle(os::semaphore* h) {
  if (const auto it = borrowed(h); it != g_borrowed.end()) {
    it->closing = true;
  } else {
    os::calls().semaphore_close(h);
  }
}

void clear_slot(std::uint32_t slot) {
  g_names.erase(g_slots[slot].name);
  g_slots[slot] = SemaphoreSlot{};
  g_free.give(slot);
}

// Takes the slot's semaphore, waiting outside the mutex without a bound (1 ms
// attempts, 500 ms apart); then empties the slot if it still holds the handle,
// gives the count back and closes the handle (or leaves that to its last
// borrower). False when giving the count back failed; the handle then stays open.
bool take_and_retire(std::unique_lock<std::mutex>& lock, std::uint32_t slot) {
  os::semaphore* h = borrow(slot);
  lock.unlock();
  while (os::calls().semaphore_wait(h, attempt_wait_ms) == os::wait_status::timed_out) {
    os::calls().pause_ms(retry_pause_ms);
  }
  lock.lock();
  const bool ours = g_slots[slot].handle == h;
  if (ours) clear_slot(slot);
  const bool posted = os::calls().semaphore_post(h);
  if (ours && posted) close_handle(h);
  give_back(h);
  return posted;
}

}  // namespace

void numbered_name(std::uint64_t number, char (&out)[17]) {
  static constexpr char digits[] = "0123456789abcdef";
  for (int i = 15; i >= 0; --i) {
    out[i] = digits[number & 0xF];
    number >>= 4;
  }
  out[16] = '\0';
}

std::uint32_t occupied_slots() {
  std::lock_guard lock(g_mutex);
  return static_cast<std::uint32_t>(
      std::ranges::count_if(g_slots, [](const SemaphoreSlot& s) { return s.handle != nullptr; }));
}

}  // namespace hostutil::lock

using namespace hostutil;
using namespace hostutil::lock;

extern "C" {

HOSTUTIL_API void HOSTUTIL_CALL SemaphoreControlBegin(void) {
  std::lock_guard lock(g_mutex);
  if (g_table_initialised != 0) return;
  std::memset(g_slots, 0, sizeof g_slots);
  g_names.reset();
  g_free.reset();
  g_table_initialised = 1;
  os::calls().semaphore_reuse(true);  // released names come back cheaply, as the heap's often do
  // Here, not at the first open of a name: every process of the family sets the
  // table up once before it locks anything, so what killed processes left goes
  // at the next start of any of them, and opening keeps its cost of no scan.
  os::calls().semaphore_sweep();
}

HOSTUTIL_API void HOSTUTIL_CALL SemaphoreControlEnd(void) {
  std::unique_lock lock(g_mutex);
  if (g_table_initialised == 0) return;
  g_table_initialised = 0;
  os::calls().semaphore_reuse(false);  // nothing kept, and every handle below closed for good
  for (std::uint32_t slot = 0; slot < table_slots; ++slot) {
    // A failure stops the sweep; this and every later handle stays open, forgotten.
    if (g_slots[slot].handle != nullptr && !take_and_retire(lock, slot)) return;
  }
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreCreate(const char* name, uint64_t number) {
  std::lock_guard lock(g_mutex);
  if (g_table_initialised == 0) return 0;
  const semaphore_name n(name, number);
  if (!n.fits()) return 0;  // a slot holds 63 characters; never truncate a name
  if (g_names.find(n.c_str()) != no_slot) return 1;
  const std::uint32_t slot = g_free.lowest();
  if (slot == no_slot) return 0;
  os::semaphore* h = os::calls().semaphore_open(n.c_str(), 1, 2);
  if (h == nullptr) return 0;
  std::strcpy(g_slots[slot].name, n.c_str());
  g_slots[slot].handle = h;  // a free slot is all zero: not entered
  g_free.take(slot);
  g_names.insert(g_slots[slot].name, slot);
  return 1;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreEntry(const char* name, uint64_t number,
                                                   uint32_t retryCount) {
  std::unique_lock lock(g_mutex);
  if (g_table_initialised == 0) return 0;
  const std::uint32_t slot = slot_of(name, number);
  if (slot == no_slot) return 1;  // nothing to wait for
  os::semaphore* h = borrow(slot);
  lock.unlock();

  // A retry count of 0 tries without end, and without a pause.
  os::wait_status status;
  for (std::uint32_t attempts = 1;; ++attempts) {
    status = os::calls().semaphore_wait(h, attempt_wait_ms);
    if (status != os::wait_status::timed_out || (retryCount != 0 && attempts >= retryCount)) break;
    if (retryCount != 0) os::calls().pause_ms(retry_pause_ms);
  }

  lock.lock();
  give_back(h);
  if (status != os::wait_status::acquired) return 0;
  // The slot may have been released meanwhile; only a slot that still holds
  // this handle records the entry. A borrowed handle is neither closed nor
  // handed out again, so no other slot can hold it.
  if (g_slots[slot].handle == h) g_slots[slot].entered = 1;
  return 1;
}

HOSTUTIL_API void HOSTUTIL_CALL SemaphoreLeave(const char* name, uint64_t number) {
  std::lock_guard lock(g_mutex);
  const std::uint32_t slot = slot_of(name, number);
  if (slot == no_slot) return;
  os::calls().semaphore_post(g_slots[slot].handle);  // at the maximum this fails; that is fine
  g_slots[slot].entered = 0;
}

HOSTUTIL_API void HOSTUTIL_CALL SemaphoreRelease(const char* name, uint64_t number) {
  std::unique_lock lock(g_mutex);
  const std::uint32_t slot = slot_of(name, number);
  if (slot != no_slot) take_and_retire(lock, slot);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreIsEntry(const char* name, uint64_t number) {
  std::lock_guard lock(g_mutex);
  const std::uint32_t slot = slot_of(name, number);
  return slot == no_slot ? 0 : g_slots[slot].entered;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreIsExist(const char* name, uint32_t number) {
  std::lock_guard lock(g_mutex);
  return slot_of(name, number) == no_slot ? 0 : 1;
}

}  // extern "C"
