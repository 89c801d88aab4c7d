// POSIX named semaphores, where the lock tables cannot reach: bad arguments,
// names that escaping or hashing could bring together, and a lifetime that
// ends with the last handle, even when holders are killed.
#if defined(__linux__)

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "os/os.h"

namespace fs = std::filesystem;
namespace os = hostutil::os;
using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;

namespace {

// Unique to this test and this run; the tag shows verbatim in the object's file name.
std::string unique_name(const std::string& tag) {
  static std::atomic<int> serial{0};
  return "hostutil-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + "-" + tag;
}

struct closer {
  void operator()(os::semaphore* s) const { os::semaphore_close(s); }
};
using handle = std::unique_ptr<os::semaphore, closer>;

handle open_sem(const std::string& name, std::uint32_t initial = 1, std::uint32_t maximum = 2) {
  return handle(os::semaphore_open(name.c_str(), initial, maximum));
}

// Wait results as words (in the order wait_status lists them), so that failures read well.
std::string wait_on(os::semaphore* s, std::uint32_t ms) {
  static const char* const words[] = {"acquired", "timed_out", "failed"};
  return words[static_cast<int>(os::semaphore_wait(s, ms))];
}

bool acquire(os::semaphore* s, std::uint32_t ms) {
  return os::semaphore_wait(s, ms) == os::wait_status::acquired;
}

// The count a handle sees, found by draining it (and then put back).
int drain_count(os::semaphore* s) {
  int n = 0;
  while (n < 100 && acquire(s, 0)) ++n;
  for (int i = 0; i < n; ++i) os::semaphore_post(s);
  return n;
}

// Entries of a folder (or, for /proc/self/fd, the targets of its links) that
// contain the text.
std::set<std::string> entries_with(const std::string& folder, const std::string& text,
                                   bool follow_links = false) {
  std::set<std::string> found;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return found;
  while (dirent* e = ::readdir(dir)) {
    std::string entry = e->d_name;
    if (follow_links) {
      char target[PATH_MAX];
      const ssize_t n = ::readlink((folder + "/" + entry).c_str(), target, sizeof target - 1);
      entry = n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "";
    }
    if (entry.find(text) != std::string::npos) found.insert(entry);
  }
  ::closedir(dir);
  return found;
}

std::set<std::string> shm_entries_with(const std::string& text) {
  return entries_with("/dev/shm", text);
}

// Opens the name, and tells which /dev/shm file the new handle holds.
handle open_and_locate(const std::string& name, std::string& file) {
  const auto before = entries_with("/proc/self/fd", "/dev/shm/", true);
  handle h = open_sem(name);
  const auto after = entries_with("/proc/self/fd", "/dev/shm/", true);
  std::vector<std::string> added;
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                      std::back_inserter(added));
  file = added.size() == 1 ? added[0] : std::string();
  return h;
}

// A forked child running body, its result the exit status; killed and reaped
// on destruction, so a failing test leaves no process behind.
class child {
 public:
  explicit child(const std::function<int()>& body) {
    std::fflush(nullptr);  // else output buffered so far may be written twice
    pid_ = ::fork();
    if (pid_ == 0) ::_exit(body());
  }
  ~child() {
    kill();
    join();
  }
  bool started() const { return pid_ > 0; }
  void kill() {
    if (pid_ > 0) ::kill(pid_, SIGKILL);
  }
  // Exit status, 128 + signal when killed, -1 when there is nothing to wait for.
  int join() {
    if (pid_ <= 0) return -1;
    int st = 0;
    pid_t r;
    while ((r = ::waitpid(pid_, &st, 0)) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    if (r < 0) return -1;
    return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  }

 private:
  pid_t pid_ = -1;
};

// Memory shared with forked children.
template <typename T>
T* shared_memory() {
  void* p = ::mmap(nullptr, sizeof(T), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : new (p) T();
}
template <typename T>
void free_shared(T* p) {
  if (p != nullptr) ::munmap(p, sizeof(T));
}

// Waits until the value reaches target, for 5 s at most.
template <typename T>
void await(const std::atomic<T>& value, T target) {
  const auto start = clock_type::now();
  while (value.load() < target && clock_type::now() - start < 5s) ::sched_yield();
}

// Runs body in a child that, once body succeeded, waits to be killed; then kills it.
void run_then_kill(const std::function<bool()>& body) {
  auto* ready = shared_memory<std::atomic<int>>();
  ASSERT_NE(ready, nullptr);
  child holder([&] {
    if (!body()) return 1;
    *ready = 1;
    for (;;) ::pause();
  });
  ASSERT_TRUE(holder.started());
  await(*ready, 1);
  ASSERT_EQ(ready->load(), 1);
  holder.kill();
  EXPECT_EQ(holder.join(), 128 + SIGKILL);
  free_shared(ready);
}

}  // namespace

TEST(PosixSemaphoreCount, RejectsBadArgumentsAndHandles) {
  const std::string name = unique_name("args");
  const struct {
    const char* name;
    std::uint32_t initial, maximum;
  } bad[] = {{nullptr, 1, 2}, {name.c_str(), 3, 2}, {name.c_str(), 0, 0}};
  for (const auto& b : bad) {
    errno = 0;
    EXPECT_EQ(os::semaphore_open(b.name, b.initial, b.maximum), nullptr) << b.initial;
    EXPECT_EQ(errno, EINVAL);
  }
  EXPECT_TRUE(shm_entries_with(name).empty());
  EXPECT_EQ(wait_on(nullptr, 0), "failed");
  EXPECT_FALSE(os::semaphore_post(nullptr));
  EXPECT_FALSE(os::semaphore_close(nullptr));
}

TEST(PosixSemaphoreNames, DistinctNamesAreDistinctObjects) {
  // Names that escaping or hashing could bring together, and every length from
  // well inside to well past the 255-byte file-name limit.
  const std::string base = unique_name("n");
  const std::string long_stem = base + std::string(300 - base.size(), 'L');
  std::vector<std::string> names;
  for (const char* tail : {"/x", "%2Fx", "%2fx", "%x", "%25x", "x", "/", "//", "%", "%%", "%h",
                           "%h0", "Case", "case", "CASE"}) {
    names.push_back(base + tail);
  }
  names.push_back(long_stem);                       // 300 bytes: too long for a file name
  names.push_back(long_stem.substr(0, 299) + "M");  // differs only in its last byte
  names.push_back(long_stem + "L");                 // one byte longer
  names.push_back(base + std::string(100, '/'));    // short, but too long once escaped
  names.push_back(base + std::string(100, '%'));
  names.push_back(base + std::string(100, '/') + "%");
  for (std::size_t len = 200; len <= 300; ++len) {
    names.push_back(base + std::string(len - base.size(), 'q'));
  }
  std::vector<handle> handles;
  for (const auto& n : names) {
    handles.push_back(open_sem(n, 1, 1));
    ASSERT_TRUE(handles.back()) << n.size() << "-byte name " << n << ": errno " << errno;
  }
  // Each has its own count, and each name, reopened, finds its own object again.
  for (std::size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(wait_on(handles[i].get(), 0), "acquired");
    handle again = open_sem(names[i], 1, 1);
    ASSERT_TRUE(again);
    EXPECT_EQ(wait_on(again.get(), 0), "timed_out");
    EXPECT_TRUE(os::semaphore_post(again.get()));
    EXPECT_EQ(wait_on(handles[i].get(), 0), "acquired");
  }
}

TEST(PosixSemaphoreNames, AnObjectHoldingAnotherNameIsRefused) {
  if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm here";
  // A long name is stored by its hash: stand in for a collision by changing
  // the full name the live object keeps.
  const std::string name = unique_name("clash") + std::string(300, 'c');
  std::string file;
  handle holder = open_and_locate(name, file);
  ASSERT_TRUE(holder);
  ASSERT_FALSE(file.empty());
  {
    const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    struct stat st;
    ASSERT_EQ(::fstat(fd, &st), 0);
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    ASSERT_EQ(::pread(fd, bytes.data(), bytes.size(), 0), st.st_size);
    const std::size_t at = bytes.rfind(name);
    ASSERT_NE(at, std::string::npos) << "the object should keep the full name";
    ASSERT_EQ(::pwrite(fd, "d", 1, static_cast<off_t>(at + name.size() - 1)), 1);
    ::close(fd);
  }
  errno = 0;
  EXPECT_EQ(os::semaphore_open(name.c_str(), 1, 2), nullptr);
  EXPECT_NE(errno, 0);
  // The refusal harmed nothing: the holder works, and its close removes the file.
  EXPECT_EQ(wait_on(holder.get(), 0), "acquired");
  EXPECT_TRUE(os::semaphore_close(holder.release()));
  EXPECT_FALSE(fs::exists(file));
  handle fresh = open_sem(name);
  ASSERT_TRUE(fresh);
  EXPECT_EQ(drain_count(fresh.get()), 1);
}

TEST(PosixSemaphoreLifetime, LastCloseRemovesTheObjectKilledHoldersAside) {
  if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm here";
  for (const bool killed : {false, true}) {
    for (const std::string& name :
         {unique_name("life"), unique_name("life") + std::string(300, 'z')}) {
      SCOPED_TRACE(std::string(killed ? "killed, " : "closed, ") + std::to_string(name.size()));
      std::string file;
      handle mine = open_and_locate(name, file);
      ASSERT_TRUE(mine);
      ASSERT_FALSE(file.empty());
      if (killed) {
        ASSERT_NO_FATAL_FAILURE(run_then_kill([&] {
          os::semaphore* s = os::semaphore_open(name.c_str(), 1, 2);
          return s != nullptr && acquire(s, 5000);  // killed holding the count and the handle
        }));
      } else {
        handle other = open_sem(name);
        ASSERT_TRUE(other);
        ASSERT_EQ(wait_on(other.get(), 0), "acquired");
        EXPECT_TRUE(os::semaphore_close(other.release()));
        EXPECT_TRUE(fs::exists(file));  // still held here
      }
      // The count taken stays taken, by a dead process too as on Windows...
      EXPECT_EQ(wait_on(mine.get(), 0), "timed_out");
      // ...but neither holds the object any more: this close is the last.
      EXPECT_TRUE(os::semaphore_close(mine.release()));
      EXPECT_FALSE(fs::exists(file));
      if (name.size() < 100) {  // a short name shows verbatim in its file's name
        EXPECT_TRUE(shm_entries_with(name).empty());
      }
      // Gone means gone: opened again, it starts over at its initial count.
      handle again = open_sem(name, 1, 2);
      ASSERT_TRUE(again);
      EXPECT_EQ(drain_count(again.get()), 1);
      EXPECT_TRUE(os::semaphore_close(again.release()));
      EXPECT_FALSE(fs::exists(file));
    }
  }
}

TEST(PosixSemaphoreLifetime, ObjectWhoseEveryHolderDiedStartsAfresh) {
  if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm here";
  // Drained to nothing, or posted to its maximum, by holders all killed since.
  for (const int left : {0, 2}) {
    SCOPED_TRACE(left);
    const std::string name = unique_name("orphan");
    ASSERT_NO_FATAL_FAILURE(run_then_kill([&] {
      os::semaphore* s = os::semaphore_open(name.c_str(), 1, 2);
      os::semaphore* t = os::semaphore_open(name.c_str(), 1, 2);
      if (s == nullptr || t == nullptr) return false;
      return left == 0 ? acquire(s, 0) : os::semaphore_post(t);
    }));
    handle fresh = open_sem(name, 1, 2);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(drain_count(fresh.get()), 1);
    handle second = open_sem(name, 0, 2);  // joins, not starts over again
    ASSERT_TRUE(second);
    EXPECT_EQ(drain_count(second.get()), 1);
    fresh.reset();
    second.reset();
    EXPECT_TRUE(shm_entries_with(name).empty());
  }
}

// Processes and threads open and close handles all the time, so the object
// keeps dying and being made again: never may two objects live under one name
// at once, nor a live object be started over under its holders (a plain counter
// bumped inside would lose updates), and a post wakes sleepers in other processes.
TEST(PosixSemaphoreProcesses, OpenCloseChurnNeverSplitsTheObject) {
  struct shared_state {
    std::atomic<int> inside, most_inside, failures;
    long total;
  };
  shared_state* state = shared_memory<shared_state>();
  ASSERT_NE(state, nullptr);
  const std::string name = unique_name("churn");
  auto cycle = [state, &name] {
    handle s = open_sem(name, 1, 2);
    if (!s || !acquire(s.get(), 10000)) {
      ++state->failures;
      return;
    }
    const int now = ++state->inside;
    int most = state->most_inside.load();
    while (now > most && !state->most_inside.compare_exchange_weak(most, now)) {
    }
    const long v = *static_cast<volatile long*>(&state->total);
    ::sched_yield();
    *static_cast<volatile long*>(&state->total) = v + 1;
    --state->inside;
    if (!os::semaphore_post(s.get())) ++state->failures;
  };
  std::vector<std::unique_ptr<child>> children;
  for (int c = 0; c < 3; ++c) {
    children.push_back(std::make_unique<child>([&] {
      for (int i = 0; i < 300; ++i) cycle();
      return 0;
    }));
    ASSERT_TRUE(children.back()->started());
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 300; ++i) cycle();
    });
  }
  for (auto& t : threads) t.join();
  for (auto& c : children) EXPECT_EQ(c->join(), 0);
  EXPECT_EQ(state->failures.load(), 0);
  EXPECT_EQ(state->most_inside.load(), 1);
  EXPECT_EQ(state->total, 6 * 300);
  EXPECT_TRUE(shm_entries_with(name).empty());
  free_shared(state);
}

// Members killed at random moments, in the middle of waits and posts, never
// stall the survivors.
TEST(PosixSemaphoreProcesses, KilledBusyMembersNeverStallSurvivors) {
  struct shared_state {
    std::atomic<long> survivor_rounds, victim_rounds;
  };
  shared_state* state = shared_memory<shared_state>();
  ASSERT_NE(state, nullptr);
  const std::string name = unique_name("busy");
  handle mine = open_sem(name, 1, 2);
  ASSERT_TRUE(mine);
  auto busy = [&name](std::atomic<long>& rounds) {
    os::semaphore* s = os::semaphore_open(name.c_str(), 1, 2);
    if (s == nullptr) return 1;
    for (;;) {
      if (acquire(s, 2000)) {
        os::semaphore_post(s);
        ++rounds;
      }
    }
  };
  child survivor([&] { return busy(state->survivor_rounds); });
  ASSERT_TRUE(survivor.started());
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    const long victim_target = state->victim_rounds.load() + 200;
    child victim([&] { return busy(state->victim_rounds); });
    ASSERT_TRUE(victim.started());
    await(state->victim_rounds, victim_target);
    victim.kill();
    EXPECT_EQ(victim.join(), 128 + SIGKILL);
    // A victim killed holding the count took it along, as on Windows; put one
    // back (refused, harmlessly, when the count is already full).
    os::semaphore_post(mine.get());
    const long survivor_before = state->survivor_rounds.load();
    await(state->survivor_rounds, survivor_before + 50);
    EXPECT_GE(state->survivor_rounds.load(), survivor_before + 50);
    EXPECT_EQ(wait_on(mine.get(), 5000), "acquired");
    os::semaphore_post(mine.get());
  }
  survivor.kill();
  EXPECT_EQ(survivor.join(), 128 + SIGKILL);
  EXPECT_TRUE(os::semaphore_close(mine.release()));
  EXPECT_TRUE(shm_entries_with(name).empty());
  free_shared(state);
}

#endif  // __linux__
