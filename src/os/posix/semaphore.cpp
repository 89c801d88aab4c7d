// Named semaphores on POSIX (Linux), on the objects of semaphore_object.cpp. The
// count is a futex word changed only by atomic instructions, so a holder killed
// at any instant cannot wedge the others. While the semaphore table is set up,
// closed handles are kept for the next open of their name, which then costs no
// system call: the scratch allocator makes and drops a semaphore per block.
#include "os/os.h"
#include "os/posix/semaphore_object.h"

#if !defined(__linux__)
#error "named semaphores need Linux futexes and open-file-description locks"
#endif

#include <linux/futex.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <ctime>
#include <mutex>
#include <utility>

namespace hostutil::os {
namespace {

// Forks this process is away from the one that started the program. A forked
// child shares its parent's open files, and with them the slots' locks: it may
// use the handles it inherited, but closing one only lets go of its own copy.
std::atomic<unsigned> fork_count{0};

// Handles closed while reuse is on, kept by their process for the next open of
// the same name, the oldest first. A kept handle is no member: the object dies
// without it, and a kept handle that is opened again joins as any opener would,
// starting the object afresh when it finds no member. Its file stays while the
// process keeps it; turning reuse off and the normal end of the process (or the
// unloading of the library) close every kept handle for good, so that nothing is
// left behind once every user has gone. A killed process's locks go with it, and
// the next opener starts its objects afresh, as with any killed holder.
class kept_handles {
 public:
  kept_handles() {
    ::pthread_atfork([] { kept().mutex_.lock(); }, [] { kept().mutex_.unlock(); },
                     [] { kept().forget(); });
  }
  kept_handles(const kept_handles&) = delete;
  kept_handles& operator=(const kept_handles&) = delete;

  // Never destroyed: handles may still be closed by other objects' destructors
  // after the flush at exit below, and then close for good.
  static kept_handles& kept() {
    static kept_handles& handles = *new kept_handles;
    return handles;
  }

  void set_on(bool on) {
    semaphore* closing[kept_limit];
    std::size_t n = 0;
    {
      std::lock_guard lock(mutex_);
      on_ = on;
      if (!on) n = std::exchange(count_, 0);
      std::memcpy(closing, handles_, n * sizeof handles_[0]);
    }
    for (std::size_t i = 0; i < n; ++i) object_close(closing[i]);
  }

  // The kept handle of the name, no longer kept; null when there is none.
  semaphore* take(const char* name, std::size_t size) {
    std::lock_guard lock(mutex_);
    for (std::size_t i = count_; i-- > 0;) {
      semaphore* sem = handles_[i];
      if (sem->name.size() == size && std::memcmp(sem->name.data(), name, size) == 0) {
        std::memmove(handles_ + i, handles_ + i + 1, (count_ - i - 1) * sizeof handles_[0]);
        --count_;
        return sem;
      }
    }
    return nullptr;
  }

  // Keeps the handle when reuse is on and its name has no kept handle yet. The
  // handle to close for good is returned: this one when it is not kept, the oldest
  // kept one when the set was full, else null.
  semaphore* keep(semaphore* sem) {
    std::lock_guard lock(mutex_);
    if (!on_) return sem;
    for (std::size_t i = 0; i < count_; ++i) {
      if (handles_[i]->name == sem->name) return sem;
    }
    object_keep(*sem);
    semaphore* oldest = nullptr;
    if (count_ == kept_limit) {
      oldest = handles_[0];
      std::memmove(handles_, handles_ + 1, --count_ * sizeof handles_[0]);
    }
    handles_[count_++] = sem;
    return oldest;
  }

 private:
  static constexpr std::size_t kept_limit = 16;

  // In a forked child: the kept handles are the parent's.
  void forget() {
    fork_count.fetch_add(1, std::memory_order_relaxed);
    for (std::size_t i = 0; i < count_; ++i) object_drop_copy(handles_[i]);
    count_ = 0;
    mutex_.unlock();
  }

  std::mutex mutex_;
  bool on_ = false;
  semaphore* handles_[kept_limit] = {};
  std::size_t count_ = 0;
};

// The end of the process (or the unloading of the library) closes every kept handle.
struct flush_at_exit {
  ~flush_at_exit() { kept_handles::kept().set_on(false); }
} g_flush_at_exit;

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

void semaphore_reuse(bool on) { kept_handles::kept().set_on(on); }

void semaphore_sweep() { object_sweep(); }

semaphore* semaphore_open(const char* name, std::uint32_t initial, std::uint32_t maximum) {
  // Windows takes signed counts: a maximum past INT32_MAX is as invalid there.
  if (name == nullptr || maximum == 0 || maximum > INT32_MAX || initial > maximum) {
    errno = EINVAL;
    return nullptr;
  }
  // As in Windows' object names, a backslash only ends a "Global" or "Local" prefix.
  const char* rest = name;
  for (const char* prefix : {"Global\\", "Local\\"}) {
    if (std::strncmp(name, prefix, std::strlen(prefix)) == 0) rest = name + std::strlen(prefix);
  }
  if (std::strchr(rest, '\\') != nullptr || (rest != name && *rest == '\0')) {
    errno = ENOENT;
    return nullptr;
  }
  const std::size_t name_size = std::strlen(name);
  if (semaphore* sem = kept_handles::kept().take(name, name_size)) {
    object_rejoin(*sem, initial, maximum);
    return sem;
  }
  semaphore* sem = object_open(name, name_size, initial, maximum);
  if (sem != nullptr) sem->forks = fork_count.load(std::memory_order_relaxed);
  return sem;
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
    const long rc = shared_futex(&b.count, FUTEX_WAIT_BITSET, 0, &deadline);
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
    shared_futex(&b.count, FUTEX_WAKE, INT_MAX, nullptr);
  }
  return true;
}

bool semaphore_close(semaphore* sem) {
  if (sem == nullptr) {
    errno = EINVAL;
    return false;
  }
  if (sem->forks != fork_count.load(std::memory_order_relaxed)) {
    object_drop_copy(sem);  // the parent's handle, in a forked child
    return true;
  }
  semaphore* closing = kept_handles::kept().keep(sem);
  if (closing == nullptr) return true;
  const bool ok = object_close(closing);
  return closing != sem || ok;
}

}  // namespace hostutil::os
