// A named semaphore object on POSIX (Linux): one small file per name in /dev/shm,
// mapped by every handle. Every handle owns a slot of the object: a state byte
// in the mapping and a lock byte of the file (an open-file-description lock,
// which the kernel drops with the handle's process). Who is still a member is
// read from the states and checked against the locks only when a state says so,
// so joining a known object costs no system call, the object dies with its last
// member, and a crashed process never keeps it alive.
#include "os/posix/semaphore_object.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include "os/posix/descriptor.h"

namespace hostutil::os {

const std::string& object_folder() {
  static const std::string folder = [] {
    struct stat st;
    if (::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode)) return std::string("/dev/shm");
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp");
  }();
  return folder;
}

std::string file_prefix() {
  return "hostutil-sem" + std::to_string(block_version) + '-' + std::to_string(::geteuid()) + '-';
}

bool slot_alive(int fd, std::uint32_t slot) {
  struct flock fl = lock_range(F_WRLCK, slot_byte(slot), 1);
  errno_keeper keep;
  return ::fcntl(fd, F_OFD_GETLK, &fl) != 0 || fl.l_type != F_UNLCK;
}

namespace {

// The join lock's word: the holder's slot + 1 (0 when free), a sequence number,
// and whether anybody waits.
constexpr std::uint32_t lock_holder = 0x7FF;
constexpr std::uint32_t lock_sequence = 0x7FFFF800;
constexpr std::uint32_t lock_sequence_step = 0x800;
constexpr std::uint32_t lock_waiting = 0x80000000u;
static_assert(slot_count < lock_holder);

std::uint64_t fnv1a_64(const char* bytes, std::size_t size) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= static_cast<unsigned char>(bytes[i]);
    hash *= 0x100000001b3ull;
  }
  return hash;
}

// The object's path. The layout's version is part of it, so that a build of
// another layout never meets this one's objects. Names map one-to-one onto file
// names: "/" and "%" are percent-encoded and every other byte is kept. A file
// name that would pass the file system's limit becomes "%h" and a hash instead;
// encoding never yields "%h", so hashed and plain file names cannot meet.
// Throws std::bad_alloc.
std::string object_path(const std::string& name) {
  std::string path = object_folder() + '/' + file_prefix();
  const std::size_t stem = path.size() - object_folder().size() - 1;

  std::string encoded;
  for (const char c : name) {
    if (c == '/') {
      encoded += "%2F";
    } else if (c == '%') {
      encoded += "%25";
    } else {
      encoded += c;
    }
  }
  if (stem + encoded.size() <= NAME_MAX) return path + encoded;

  static const char digits[] = "0123456789abcdef";
  const std::uint64_t hash = fnv1a_64(name.data(), name.size());
  path += "%h";
  for (int shift = 60; shift >= 0; shift -= 4) path += digits[(hash >> shift) & 0xF];
  return path;
}

// The join lock: a futex word in the mapping that orders every change of the
// slot states and every fresh start of the count. A holder is known by its slot,
// so a waiter that finds the holder's process gone frees the lock; a sequence
// number bumped by every taker keeps that from freeing a later holder's lock.
void lock_joins(const semaphore& sem) {
  auto word = shared_word(sem.block->join_lock);
  std::uint32_t seen = word.load(std::memory_order_relaxed);
  std::uint32_t waited = 0;
  for (;;) {
    if ((seen & lock_holder) == 0) {
      // Taken after a wait, others may still wait: the unlock must wake them.
      const std::uint32_t next =
          ((seen + lock_sequence_step) & lock_sequence) | (sem.slot + 1) | waited;
      if (word.compare_exchange_weak(seen, next, std::memory_order_acquire,
                                     std::memory_order_relaxed)) {
        return;
      }
      continue;
    }
    if ((seen & lock_waiting) == 0 &&
        !word.compare_exchange_weak(seen, seen | lock_waiting, std::memory_order_relaxed)) {
      continue;
    }
    seen |= lock_waiting;
    waited = lock_waiting;
    const timespec pause = {0, 10 * 1000000L};
    shared_futex(&sem.block->join_lock, FUTEX_WAIT, seen, &pause);
    std::uint32_t now = word.load(std::memory_order_relaxed);
    if (now == seen && !slot_alive(sem.fd, (seen & lock_holder) - 1)) {
      word.compare_exchange_strong(now, seen & lock_sequence, std::memory_order_relaxed);
    }
    seen = word.load(std::memory_order_relaxed);
  }
}

void unlock_joins(const semaphore& sem) {
  auto word = shared_word(sem.block->join_lock);
  if ((word.fetch_and(lock_sequence, std::memory_order_release) & lock_waiting) != 0) {
    shared_futex(&sem.block->join_lock, FUTEX_WAKE, INT_MAX, nullptr);
  }
}

// With the join lock held: whether a handle other than this one is a member.
// A member slot whose process has gone is freed on the way.
bool other_member_alive(const semaphore& sem) {
  shared_block& b = *sem.block;
  for (std::uint32_t s = 0, used = slots_used(b); s < used; ++s) {
    if (s == sem.slot || b.states[s] != slot_member) continue;
    if (slot_alive(sem.fd, s)) return true;
    b.states[s] = slot_free;
  }
  return false;
}

// With the join lock held: makes this handle a member, its slot within those
// used. With no other member the object is dead (closed by all, or its holders
// killed), so it starts afresh, in place: the file may be mapped by kept handles
// elsewhere and is never shrunk under them.
void become_member(const semaphore& sem, std::uint32_t initial, std::uint32_t maximum) {
  shared_block& b = *sem.block;
  if (sem.slot >= b.slots_used) b.slots_used = sem.slot + 1;
  if (!other_member_alive(sem)) {
    b.maximum = maximum;
    shared_word(b.sleepers).store(0, std::memory_order_relaxed);
    shared_word(b.count).store(initial, std::memory_order_release);
  }
  b.states[sem.slot] = slot_member;
}

void set_state(const semaphore& sem, std::uint8_t state) {
  lock_joins(sem);
  sem.block->states[sem.slot] = state;
  unlock_joins(sem);
}

// With the guard held (so no other handle is being opened): takes a slot for this
// handle by its lock byte, trying free slots first, then those whose handle's
// process has gone. False when all are in use.
bool claim_slot(semaphore& sem) {
  const shared_block& b = *sem.block;
  for (const bool free_ones : {true, false}) {
    for (std::uint32_t s = 0; s < slot_count; ++s) {
      if ((b.states[s] == slot_free) != free_ones) continue;
      if (set_lock(sem.fd, F_WRLCK, slot_byte(s), 1, false)) {
        sem.slot = s;
        return true;
      }
      if (errno != EAGAIN && errno != EACCES) return false;
    }
  }
  errno = EMFILE;
  return false;
}

enum class linked { yes, no, error };

// Whether the open file is still the one at the path. An opener may open the
// file just before its last closer unlinks it; such a file is a dead object.
linked still_linked(int fd, const char* path, struct stat& mine) {
  if (::fstat(fd, &mine) != 0) return linked::error;
  if (mine.st_nlink == 0) return linked::no;
  struct stat there;
  if (::lstat(path, &there) != 0) return errno == ENOENT ? linked::no : linked::error;
  return there.st_dev == mine.st_dev && there.st_ino == mine.st_ino ? linked::yes : linked::no;
}

}  // namespace

bool remove_if_last(int fd, const char* path) {
  if (!set_lock(fd, F_WRLCK, slot_byte(0), slot_count, false)) return true;  // others hold it
  struct stat mine;
  switch (still_linked(fd, path, mine)) {
    case linked::yes:
      return ::unlink(path) == 0 || errno == ENOENT;
    case linked::no:
      return true;
    case linked::error:
      return false;
  }
  return false;
}

namespace {

// Maps size bytes of the object's file as this handle's block.
bool map_block(semaphore& sem, std::size_t size) {
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, sem.fd, 0);
  if (p == MAP_FAILED) return false;
  sem.block = static_cast<shared_block*>(p);
  sem.mapped = size;
  return true;
}

// With the guard and every slot's byte held (nobody else has the file open): sets
// the object up afresh, whatever a dead holder left in it, this handle in slot 0.
bool set_up(semaphore& sem, std::uint32_t initial, std::uint32_t maximum) {
  const std::size_t size = sizeof(shared_block) + sem.name.size();
  // Emptying first zeroes every byte; reserving the blocks (rather than leaving
  // a sparse file) means a full /dev/shm fails here, not as SIGBUS on first use.
  if (::ftruncate(sem.fd, 0) != 0) return false;
  if (const int rc = ::posix_fallocate(sem.fd, 0, static_cast<off_t>(size)); rc != 0) {
    errno = rc;
    return false;
  }
  if (!map_block(sem, size)) return false;
  sem.slot = 0;

  shared_block& b = *sem.block;
  b.version = block_version;
  b.name_size = sem.name.size();
  b.count = initial;
  b.maximum = maximum;
  b.slots_used = 1;
  b.states[0] = slot_member;
  std::memcpy(&b + 1, sem.name.data(), sem.name.size());
  shared_word(b.magic).store(block_magic, std::memory_order_release);
  return true;
}

// With the guard held: maps the object others hold and checks that it is a
// semaphore of this layout, for exactly this name.
bool attach(semaphore& sem) {
  struct stat st;
  if (::fstat(sem.fd, &st) != 0) return false;
  if (st.st_size < static_cast<off_t>(sizeof(shared_block))) {
    errno = EINVAL;
    return false;
  }
  const auto size = static_cast<std::size_t>(st.st_size);
  if (!map_block(sem, size)) return false;

  shared_block& b = *sem.block;
  if (shared_word(b.magic).load(std::memory_order_acquire) != block_magic ||
      b.version != block_version || b.maximum == 0 || b.name_size != size - sizeof(shared_block)) {
    errno = EINVAL;  // not one of ours, or of another layout
    return false;
  }
  if (b.name_size != sem.name.size() || std::memcmp(&b + 1, sem.name.data(), b.name_size) != 0) {
    errno = EEXIST;  // a long name whose hash another name's object already uses
    return false;
  }
  return true;
}

void release(semaphore& sem) {
  errno_keeper keep;
  if (sem.block != nullptr) ::munmap(sem.block, sem.mapped);
  if (sem.fd >= 0) ::close(sem.fd);  // drops every lock this handle had
  sem.block = nullptr;
  sem.mapped = 0;
  sem.fd = -1;
}

enum class outcome { opened, retry, failed };

// Lets go of what an attempt holds (errno kept); the attempt's outcome.
outcome give_up(semaphore& sem, outcome result) {
  release(sem);
  return result;
}

// One attempt at opening the object at sem.path and joining it.
outcome join(semaphore& sem, std::uint32_t initial, std::uint32_t maximum) {
  sem.fd = ::open(sem.path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (sem.fd < 0) return outcome::failed;
  if (!set_lock(sem.fd, F_WRLCK, guard_byte, 1, true)) return give_up(sem, outcome::failed);

  struct stat mine;
  switch (still_linked(sem.fd, sem.path.c_str(), mine)) {
    case linked::yes:
      break;
    case linked::no:  // its last closer removed it meanwhile: open whatever is there now
      return give_up(sem, outcome::retry);
    case linked::error:
      return give_up(sem, outcome::failed);
  }
  if (!S_ISREG(mine.st_mode) || mine.st_uid != ::geteuid()) {
    errno = EACCES;  // never share an object with another user
    return give_up(sem, outcome::failed);
  }

  bool ok;
  if (set_lock(sem.fd, F_WRLCK, slot_byte(0), slot_count, false)) {
    // Nobody else has the file open: the object is new, or every handle has gone.
    ok = set_up(sem, initial, maximum) &&
         set_lock(sem.fd, F_UNLCK, slot_byte(1), slot_count - 1, false);
  } else if (errno == EAGAIN || errno == EACCES) {
    ok = attach(sem) && claim_slot(sem);
    if (ok) object_rejoin(sem, initial, maximum);  // joins as a kept handle does
  } else {
    ok = false;
  }

  if (ok && set_lock(sem.fd, F_UNLCK, guard_byte, 1, false)) return outcome::opened;
  // A member whose guard could not be let go leaves again.
  errno_keeper keep;
  if (ok) set_state(sem, slot_free);
  remove_if_last(sem.fd, sem.path.c_str());  // do not leave a half-made object behind
  return give_up(sem, outcome::failed);
}

}  // namespace

long shared_futex(std::uint32_t* word, int op, std::uint32_t value, const void* timeout) {
  return ::syscall(SYS_futex, word, op, value, timeout, nullptr, FUTEX_BITSET_MATCH_ANY);
}

semaphore* object_open(const char* name, std::size_t name_size, std::uint32_t initial,
                       std::uint32_t maximum) {
  semaphore* sem = nullptr;
  try {
    sem = new semaphore;
    sem->name.assign(name, name_size);
    sem->path = object_path(sem->name);
  } catch (const std::bad_alloc&) {
    delete sem;
    errno = ENOMEM;
    return nullptr;
  }
  for (;;) {
    switch (join(*sem, initial, maximum)) {
      case outcome::opened:
        return sem;
      case outcome::retry:
        continue;
      case outcome::failed: {
        errno_keeper keep;
        delete sem;
        return nullptr;
      }
    }
  }
}

void object_rejoin(semaphore& sem, std::uint32_t initial, std::uint32_t maximum) {
  lock_joins(sem);
  become_member(sem, initial, maximum);
  unlock_joins(sem);
}

void object_keep(semaphore& sem) { set_state(sem, slot_kept); }

bool object_close(semaphore* sem) {
  bool ok = set_lock(sem->fd, F_WRLCK, guard_byte, 1, true);
  set_state(*sem, slot_free);
  ok = ok && remove_if_last(sem->fd, sem->path.c_str());
  int err = ok ? 0 : errno;
  ::munmap(sem->block, sem->mapped);
  if (::close(sem->fd) != 0 && errno != EINTR && ok) {  // after EINTR the descriptor is gone too
    ok = false;
    err = errno;
  }
  delete sem;
  if (!ok) errno = err;
  return ok;
}

void object_drop_copy(semaphore* sem) {
  release(*sem);
  delete sem;
}

}  // namespace hostutil::os
