// One named semaphore as this port makes it: a small file in /dev/shm mapped by
// every handle, with a slot per handle (semaphore_object.cpp; the sweep and the
// listing of all objects in semaphore_listing.cpp). semaphore.cpp builds the
// calls of os.h on it, and the reuse of closed handles.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace hostutil::os {

// Handles of one name open at once, all processes.
inline constexpr std::uint32_t slot_count = 1024;

// The mapped object. The caller's full name follows this fixed part, so that a
// file named by a hash of a long name is never mistaken for another name's.
struct shared_block {
  std::uint32_t magic;       // 0: block_magic, stored last when the object is set up
  std::uint32_t version;     // 4: block_version
  std::uint64_t name_size;   // 8: bytes of name after this header (no NUL)
  std::uint32_t count;       // 16: the count; also the futex word sleepers wait on
  std::uint32_t maximum;     // 20: set when the object starts (afresh)
  std::uint32_t sleepers;    // 24: threads in a futex wait; a dead one may leave it high, never low
  std::uint32_t join_lock;   // 28: the join lock (holder, sequence, waiting)
  std::uint32_t slots_used;  // 32: every slot from here up has always been free
  std::uint32_t reserved;    // 36
  std::uint8_t states[slot_count];  // 40: one state per slot (free, member, kept)
};
static_assert(sizeof(shared_block) == 40 + slot_count, "the file layout is fixed");
static_assert(std::atomic_ref<std::uint32_t>::is_always_lock_free,
              "the shared words are reached by several processes, so atomics must be address-free");
static_assert(alignof(std::uint32_t) >= std::atomic_ref<std::uint32_t>::required_alignment);

// Slot states. A member is a handle that was opened and not yet closed; a kept
// handle was closed but is held by its process for reuse and counts for nothing.
inline constexpr std::uint8_t slot_free = 0;
inline constexpr std::uint8_t slot_member = 1;
inline constexpr std::uint8_t slot_kept = 2;

inline constexpr std::uint32_t block_magic = 0x4D455355;  // "USEM"
inline constexpr std::uint32_t block_version = 2;

// Bytes of the file used as locks (never as data: record locks are advisory).
// Each handle holds its slot's byte exclusively for as long as it is open; the
// guard byte is held exclusively only while a handle is opened or closed for
// good, which makes "is the file still there, and am I its last?" atomic.
inline constexpr off_t guard_byte = 0;
inline constexpr off_t slot_byte(std::uint32_t slot) { return 1 + static_cast<off_t>(slot); }

inline std::uint32_t slots_used(const shared_block& b) {
  return b.slots_used < slot_count ? b.slots_used : slot_count;
}

// Where the objects live: /dev/shm, or the temporary folder where it is missing.
const std::string& object_folder();

// Every object file of this user and layout begins with this. Throws std::bad_alloc.
std::string file_prefix();

// Whether another open file holds the slot's lock byte, that is whether the
// slot's handle is still open in a live process (true when the kernel cannot tell).
bool slot_alive(int fd, std::uint32_t slot);

// With the guard held: when no other handle has the file open, this handle is the
// object's last, so the file goes. False only when the removal failed.
bool remove_if_last(int fd, const char* path);

struct semaphore {
  int fd = -1;                    // holds this handle's locks
  shared_block* block = nullptr;  // this handle's own mapping of the object
  std::size_t mapped = 0;
  std::uint32_t slot = 0;  // this handle's slot of the object
  unsigned forks = 0;      // the process's fork count when opened (semaphore.cpp)
  std::string name;        // the caller's name, to find a kept handle again
  std::string path;        // where the object lives, to remove it when last
};

inline std::atomic_ref<std::uint32_t> shared_word(std::uint32_t& word) {
  return std::atomic_ref<std::uint32_t>(word);
}

// A futex call on a word of the mapping (shared, so never FUTEX_PRIVATE_FLAG).
long shared_futex(std::uint32_t* word, int op, std::uint32_t value, const void* timeout);

// Opens the name's object, creating it or joining it as a member; a new object,
// or one that no member holds any more, starts at initial. Null with errno set
// on failure.
semaphore* object_open(const char* name, std::size_t name_size, std::uint32_t initial,
                       std::uint32_t maximum);

// A kept handle joins again as a member, starting the object afresh when no
// other handle is a member; no system call unless other members must be checked.
void object_rejoin(semaphore& sem, std::uint32_t initial, std::uint32_t maximum);

// A member stays open and mapped but is a member no longer.
void object_keep(semaphore& sem);

// Closes the handle for good; its file goes when no other handle is open. The
// handle is freed whatever happens; false when the file may have been left behind.
bool object_close(semaphore* sem);

// Removes this user's objects that no handle holds open any more (left by
// killed processes), each decided under its guard as its last closer would.
void object_sweep();

// Lets go of this process's copy of the handle and nothing else (a forked child
// shares its parent's open files, and with them the slots' locks).
void object_drop_copy(semaphore* sem);

}  // namespace hostutil::os
