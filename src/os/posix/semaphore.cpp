// Named semaphores on POSIX (Linux): one small file per name in /dev/shm, mapped
// by every handle. The count is a futex word changed only by atomic instructions,
// so a holder killed at any instant cannot wedge the others; open-file-description
// locks tell who still has the object open, so it dies with its last handle and a
// crashed process never keeps it alive.
#include "os/os.h"
#include "os/posix/descriptor.h"

#if !defined(__linux__)
#error "named semaphores need Linux futexes and open-file-description locks"
#endif

#include <fcntl.h>
#include <linux/futex.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

namespace hostutil::os {
namespace {

// The mapped object. The caller's full name follows this fixed part, so that a
// file named by a hash of a long name is never mistaken for another name's.
struct shared_block {
  std::uint32_t magic;      // block_magic, stored last when the object is set up
  std::uint32_t version;    // block_version
  std::uint64_t name_size;  // bytes of name after this header (no NUL)
  std::uint32_t count;      // the count; also the futex word sleepers wait on
  std::uint32_t maximum;    // fixed when the object is set up
  std::uint32_t sleepers;   // threads in a futex wait; a dead one may leave it high, never low
  std::uint32_t reserved;
};
static_assert(sizeof(shared_block) == 32, "the file layout is fixed");
static_assert(std::atomic_ref<std::uint32_t>::is_always_lock_free,
              "the shared words are reached by several processes, so atomics must be address-free");
static_assert(alignof(std::uint32_t) >= std::atomic_ref<std::uint32_t>::required_alignment);

constexpr std::uint32_t block_magic = 0x4D455355;  // "USEM"
constexpr std::uint32_t block_version = 1;

// Bytes of the file used as locks (never as data: record locks are advisory).
// Every open handle holds the membership byte shared; the guard byte is held
// exclusively only while a handle is being opened or closed, which makes the
// "am I the first / the last?" questions and their consequences atomic.
constexpr off_t guard_byte = 0;
constexpr off_t member_byte = 1;

}  // namespace

struct semaphore {
  int fd = -1;                    // holds this handle's locks
  shared_block* block = nullptr;  // this handle's own mapping of the object
  std::size_t mapped = 0;
  std::string path;  // where the object lives, to remove it when last
};

namespace {

std::atomic_ref<std::uint32_t> shared_word(std::uint32_t& word) {
  return std::atomic_ref<std::uint32_t>(word);
}

// Where the objects live: /dev/shm, or the temporary folder where it is missing.
const std::string& object_folder() {
  static const std::string folder = [] {
    struct stat st;
    if (::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode)) return std::string("/dev/shm");
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp");
  }();
  return folder;
}

std::uint64_t fnv1a_64(const char* bytes, std::size_t size) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= static_cast<unsigned char>(bytes[i]);
    hash *= 0x100000001b3ull;
  }
  return hash;
}

// The object's path. Names map one-to-one onto file names: "/" and "%" are
// percent-encoded and every other byte is kept. A file name that would pass the
// file system's limit becomes "%h" and a hash instead; encoding never yields
// "%h", so hashed and plain file names cannot meet. Throws std::bad_alloc.
std::string object_path(const char* name, std::size_t name_size) {
  std::string path = object_folder();
  path += "/hostutil-sem-";
  path += std::to_string(::geteuid());
  path += '-';
  const std::size_t stem = path.size() - object_folder().size() - 1;

  std::size_t encoded = 0;
  for (std::size_t i = 0; i < name_size; ++i) encoded += (name[i] == '/' || name[i] == '%') ? 3 : 1;

  if (stem + encoded <= NAME_MAX) {
    path.reserve(path.size() + encoded);
    for (std::size_t i = 0; i < name_size; ++i) {
      if (name[i] == '/') {
        path += "%2F";
      } else if (name[i] == '%') {
        path += "%25";
      } else {
        path += name[i];
      }
    }
  } else {
    static const char digits[] = "0123456789abcdef";
    const std::uint64_t hash = fnv1a_64(name, name_size);
    path += "%h";
    for (int shift = 60; shift >= 0; shift -= 4) path += digits[(hash >> shift) & 0xF];
  }
  return path;
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

// With the guard held: when no other handle is a member, this handle is the
// object's last, so the file goes. False only when the removal failed.
bool remove_if_last(int fd, const char* path) {
  if (!set_lock(fd, F_WRLCK, member_byte, 1, false)) return true;  // others still hold it
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

// With the guard and the membership byte held exclusively (nobody else has the
// object open): sets the object up afresh, whatever a dead holder left in it.
bool set_up(semaphore& sem, const char* name, std::size_t name_size, std::uint32_t initial,
            std::uint32_t maximum) {
  const std::size_t size = sizeof(shared_block) + name_size;
  // Emptying first zeroes every byte; reserving the blocks (rather than leaving
  // a sparse file) means a full /dev/shm fails here, not as SIGBUS on first use.
  if (::ftruncate(sem.fd, 0) != 0) return false;
  if (const int rc = ::posix_fallocate(sem.fd, 0, static_cast<off_t>(size)); rc != 0) {
    errno = rc;
    return false;
  }
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, sem.fd, 0);
  if (p == MAP_FAILED) return false;
  sem.block = static_cast<shared_block*>(p);
  sem.mapped = size;

  shared_block& b = *sem.block;
  b.version = block_version;
  b.name_size = name_size;
  b.count = initial;
  b.maximum = maximum;
  b.sleepers = 0;
  std::memcpy(&b + 1, name, name_size);
  shared_word(b.magic).store(block_magic, std::memory_order_release);
  return true;
}

// With the guard held and membership shared: maps the object others hold and
// checks that it is a semaphore of this layout, for exactly this name.
bool attach(semaphore& sem, const char* name, std::size_t name_size) {
  struct stat st;
  if (::fstat(sem.fd, &st) != 0) return false;
  if (st.st_size < static_cast<off_t>(sizeof(shared_block))) {
    errno = EINVAL;
    return false;
  }
  const auto size = static_cast<std::size_t>(st.st_size);
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, sem.fd, 0);
  if (p == MAP_FAILED) return false;
  sem.block = static_cast<shared_block*>(p);
  sem.mapped = size;

  shared_block& b = *sem.block;
  if (shared_word(b.magic).load(std::memory_order_acquire) != block_magic ||
      b.version != block_version || b.maximum == 0 || b.name_size != size - sizeof(shared_block)) {
    errno = EINVAL;  // not one of ours, or of another layout
    return false;
  }
  if (b.name_size != name_size || std::memcmp(&b + 1, name, name_size) != 0) {
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

// One attempt at opening the object at sem.path and joining it.
outcome join(semaphore& sem, const char* name, std::size_t name_size, std::uint32_t initial,
             std::uint32_t maximum) {
  sem.fd = ::open(sem.path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (sem.fd < 0) return outcome::failed;
  if (!set_lock(sem.fd, F_WRLCK, guard_byte, 1, true)) {
    release(sem);
    return outcome::failed;
  }

  struct stat mine;
  switch (still_linked(sem.fd, sem.path.c_str(), mine)) {
    case linked::yes:
      break;
    case linked::no:  // its last closer removed it meanwhile: open whatever is there now
      release(sem);
      return outcome::retry;
    case linked::error:
      release(sem);
      return outcome::failed;
  }
  if (!S_ISREG(mine.st_mode) || mine.st_uid != ::geteuid()) {
    errno = EACCES;  // never share an object with another user
    release(sem);
    return outcome::failed;
  }

  // Nobody else a member: the object is new, or every holder has gone (closed
  // or died, the kernel dropping their locks), so it starts afresh.
  bool ok;
  if (set_lock(sem.fd, F_WRLCK, member_byte, 1, false)) {
    ok = set_up(sem, name, name_size, initial, maximum) &&
         set_lock(sem.fd, F_RDLCK, member_byte, 1, false);
  } else if (errno == EAGAIN || errno == EACCES) {
    ok = set_lock(sem.fd, F_RDLCK, member_byte, 1, false) && attach(sem, name, name_size);
  } else {
    ok = false;
  }

  if (!ok) {
    {
      errno_keeper keep;
      remove_if_last(sem.fd, sem.path.c_str());  // do not leave a half-made object behind
    }
    release(sem);
    return outcome::failed;
  }
  if (!set_lock(sem.fd, F_UNLCK, guard_byte, 1, false)) {
    errno_keeper keep;
    remove_if_last(sem.fd, sem.path.c_str());
    release(sem);
    return outcome::failed;
  }
  return outcome::opened;
}

long futex(std::uint32_t* word, int op, std::uint32_t value, const timespec* deadline) {
  // Not FUTEX_PRIVATE_FLAG: the word is shared with other processes.
  return ::syscall(SYS_futex, word, op, value, deadline, nullptr, FUTEX_BITSET_MATCH_ANY);
}

bool try_take(shared_block& b) {
  auto count = shared_word(b.count);
  std::uint32_t c = count.load(std::memory_order_relaxed);
  while (c != 0) {
    if (count.compare_exchange_weak(c, c - 1, std::memory_order_acquire,
                                    std::memory_order_relaxed)) {
      return true;
    }
  }
  return false;
}

}  // namespace

semaphore* semaphore_open(const char* name, std::uint32_t initial, std::uint32_t maximum) {
  // Windows takes signed counts: a maximum past INT32_MAX is as invalid there.
  if (name == nullptr || maximum == 0 || maximum > INT32_MAX || initial > maximum) {
    errno = EINVAL;
    return nullptr;
  }
  auto* sem = new (std::nothrow) semaphore;
  if (sem == nullptr) {
    errno = ENOMEM;
    return nullptr;
  }
  const std::size_t name_size = std::strlen(name);
  try {
    sem->path = object_path(name, name_size);
  } catch (const std::bad_alloc&) {
    delete sem;
    errno = ENOMEM;
    return nullptr;
  }
  for (;;) {
    switch (join(*sem, name, name_size, initial, maximum)) {
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

wait_status semaphore_wait(semaphore* sem, std::uint32_t timeout_ms) {
  if (sem == nullptr || sem->block == nullptr) {
    errno = EINVAL;
    return wait_status::failed;
  }
  shared_block& b = *sem->block;
  if (try_take(b)) return wait_status::acquired;
  if (timeout_ms == 0) return wait_status::timed_out;

  // An absolute deadline on the monotonic clock (FUTEX_WAIT_BITSET's clock),
  // so wake-ups and signals along the way do not stretch the wait.
  timespec deadline = {};
  if (::clock_gettime(CLOCK_MONOTONIC, &deadline) != 0) return wait_status::failed;
  deadline.tv_sec += static_cast<time_t>(timeout_ms / 1000);
  deadline.tv_nsec += static_cast<long>(timeout_ms % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_nsec -= 1000000000L;
    deadline.tv_sec += 1;
  }

  auto sleepers = shared_word(b.sleepers);
  for (;;) {
    // Announce the sleep before the kernel checks the count is still zero; a
    // poster bumps the count before it looks for sleepers, so one of the two
    // always sees the other and no wake-up is lost.
    sleepers.fetch_add(1, std::memory_order_seq_cst);
    const long rc = futex(&b.count, FUTEX_WAIT_BITSET, 0, &deadline);
    const int err = errno;
    sleepers.fetch_sub(1, std::memory_order_seq_cst);
    if (try_take(b)) return wait_status::acquired;
    if (rc != 0) {
      if (err == ETIMEDOUT) return wait_status::timed_out;
      if (err != EAGAIN && err != EINTR) {
        errno = err;
        return wait_status::failed;
      }
    }
  }
}

bool semaphore_post(semaphore* sem) {
  if (sem == nullptr || sem->block == nullptr) {
    errno = EINVAL;
    return false;
  }
  shared_block& b = *sem->block;
  auto count = shared_word(b.count);
  const std::uint32_t maximum = b.maximum;
  std::uint32_t c = count.load(std::memory_order_relaxed);
  do {
    if (c >= maximum) {
      errno = EOVERFLOW;
      return false;
    }
  } while (
      !count.compare_exchange_weak(c, c + 1, std::memory_order_seq_cst, std::memory_order_relaxed));
  // Wake every sleeper, not one: each rechecks the count, so a woken sleeper
  // that dies before taking it cannot strand the others asleep.
  if (shared_word(b.sleepers).load(std::memory_order_seq_cst) != 0) {
    futex(&b.count, FUTEX_WAKE, INT_MAX, nullptr);
  }
  return true;
}

bool semaphore_close(semaphore* sem) {
  if (sem == nullptr) {
    errno = EINVAL;
    return false;
  }
  // The handle goes whatever happens; false tells that the object's file may
  // have been left behind (the next opener then starts it afresh anyway).
  bool ok =
      set_lock(sem->fd, F_WRLCK, guard_byte, 1, true) && remove_if_last(sem->fd, sem->path.c_str());
  int err = ok ? 0 : errno;
  if (sem->block != nullptr) ::munmap(sem->block, sem->mapped);
  if (::close(sem->fd) != 0 && errno != EINTR && ok) {  // after EINTR the descriptor is gone too
    ok = false;
    err = errno;
  }
  delete sem;
  if (!ok) errno = err;
  return ok;
}

}  // namespace hostutil::os
