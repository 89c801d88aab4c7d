// POSIX named semaphores: names that escaping or hashing could bring together,
// a lifetime that ends with the last handle, even when holders are killed, and
// the released names a process keeps for reuse while its table is set up.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "hostutil.h"
#include "os/os.h"
#include "support/child.h"

namespace fs = std::filesystem;
namespace os = hostutil::os;
using namespace std::chrono_literals;
using hostutil::test::child_process;
using hostutil::test::touch;
using hostutil::test::unique_name;
using hostutil::test::wait_for_file;

namespace {

using handle =
    std::unique_ptr<os::semaphore, decltype([](os::semaphore* s) { os::semaphore_close(s); })>;

handle open_sem(const std::string& name, std::uint32_t initial = 1, std::uint32_t maximum = 2) {
  return handle(os::semaphore_open(name.c_str(), initial, maximum));
}

bool take(os::semaphore* s, std::uint32_t ms = 0) {
  return os::semaphore_wait(s, ms) == os::wait_status::acquired;
}

// The count a handle sees, found by draining it (and then put back).
int count_of(os::semaphore* s) {
  int n = 0;
  while (n < 100 && take(s)) ++n;
  for (int i = 0; i < n; ++i) os::semaphore_post(s);
  return n;
}

// Files in /dev/shm whose names hold the text.
std::set<std::string> shm_files(const std::string& text) {
  std::set<std::string> found;
  std::error_code error;
  for (const auto& e : fs::directory_iterator("/dev/shm", error))
    if (e.path().filename().string().find(text) != std::string::npos) found.insert(e.path());
  return found;
}

// A forked child running body. reap() gives its exit status, 128 + signal
// when killed, and never signals for a failed fork (whose -1 means everyone).
pid_t spawn(const std::function<int()>& body) {
  std::fflush(nullptr);  // else output buffered so far is written twice
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  return pid;
}

int reap(pid_t pid, bool kill = false) {
  int st = -1;  // not an exit status of 0, should the wait fail
  if (pid <= 0 || (kill && ::kill(pid, SIGKILL) != 0)) return -1;
  while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) continue;
  return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}

// Memory shared with forked children; never freed, like the children's copies.
template <typename T>
T* shared() {
  void* p = ::mmap(nullptr, sizeof(T), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : new (p) T();
}

// True once the value reaches target; false after 5 s.
bool await(const std::atomic<int>& value, int target) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (value.load() < target && std::chrono::steady_clock::now() < end) ::sched_yield();
  return value.load() >= target;
}

}  // namespace

TEST(PosixSemaphore, RefusalsHarmNothing) {
  // Bad arguments and handles make nothing; a long name is stored by its hash,
  // and an object found there that keeps another full name (a collision, stood
  // in for by changing the last byte of the name the object keeps at its end)
  // is refused, its holder working on.
  const std::string name = unique_name("clash") + std::string(300, 'c');
  const auto before = shm_files("%h");
  errno = 0;
  EXPECT_TRUE(!os::semaphore_open(nullptr, 1, 2) && !os::semaphore_open(name.c_str(), 3, 2) &&
              !os::semaphore_open(name.c_str(), 0, 0) && errno == EINVAL);
  EXPECT_EQ(os::semaphore_wait(nullptr, 0), os::wait_status::failed);
  EXPECT_FALSE(os::semaphore_post(nullptr) || os::semaphore_close(nullptr));
  handle holder = open_sem(name);
  std::vector<std::string> added;
  std::ranges::set_difference(shm_files("%h"), before, std::back_inserter(added));
  ASSERT_TRUE(holder && added.size() == 1) << added.size();
  std::fstream(added[0], std::ios::in | std::ios::out).seekp(fs::file_size(added[0]) - 1).put('d');
  EXPECT_EQ(os::semaphore_open(name.c_str(), 1, 2), nullptr);
  EXPECT_TRUE(take(holder.get()));
}

TEST(PosixSemaphore, DistinctNamesAreDistinctObjects) {
  // Names that escaping or hashing could bring together, and every length from
  // well inside to well past the 255-byte file-name limit.
  const std::string base = unique_name("n"), stem = base + std::string(300 - base.size(), 'L');
  std::vector<std::string> names = {stem.substr(0, 299) + "M", stem + "L"};
  for (const std::string tail :
       {"/x", "%2Fx", "%2fx", "%x", "%25x", "x", "/", "//", "%", "%%", "%h", "%h0", "Case", "case",
        "CASE", "", "%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%"}) {
    names.push_back(base + tail);
    names.push_back(base + std::string(100, '/') + tail);  // short, but too long once escaped
  }
  for (std::size_t len = 200; len <= 300; ++len) names.push_back(stem.substr(0, len));
  std::vector<handle> handles;
  for (const auto& n : names) {  // each has its own count
    handles.push_back(open_sem(n, 1, 1));
    ASSERT_TRUE(handles.back() && take(handles.back().get())) << n.size() << "-byte name " << n;
  }
  // Each name, reopened, finds its own object again.
  for (const auto& n : names) EXPECT_EQ(count_of(open_sem(n, 1, 1).get()), 0) << n;
}

TEST(PosixSemaphore, TheObjectLivesExactlyAsLongAsItsHandles) {
  // While this process holds the object, another takes the count and closes, or
  // is killed holding it; or the only holder is killed, having drained the
  // count or posted it to its maximum.
  for (const std::string& name :
       {unique_name("life"), unique_name("life") + std::string(300, 'z')}) {
    for (const int how : {0, 1, 2, 3}) {
      SCOPED_TRACE(std::to_string(name.size()) + " bytes, case " + std::to_string(how));
      handle mine = how < 2 ? open_sem(name) : nullptr;
      auto* ready = shared<std::atomic<int>>();
      const pid_t other = spawn([&] {
        handle s = open_sem(name), t = open_sem(name);
        if (!s || !t || !(how == 3 ? os::semaphore_post(t.get()) : take(s.get(), 5000))) return 1;
        for (*ready = 1; how != 0;) ::pause();
        return 0;
      });
      EXPECT_TRUE(await(*ready, 1));
      EXPECT_EQ(reap(other, how != 0), how == 0 ? 0 : 128 + SIGKILL);
      // Still held here: a newcomer joins the object, whose count stays taken,
      // by a dead process too, as on Windows.
      EXPECT_EQ(mine ? count_of(open_sem(name).get()) : 0, 0);
      mine.reset();
      // Nobody holds it any more: it starts over at its initial count.
      EXPECT_EQ(count_of(open_sem(name).get()), 1);
      EXPECT_TRUE(name.size() > 100 || shm_files(name).empty());  // a long one is hashed
    }
  }
}

// Processes and threads open and close handles all the time, so the object
// keeps dying and being made again: never may two objects live under one name
// at once, nor a live object be started over under its holders (a plain counter
// bumped inside would lose updates), and a post wakes sleepers in other processes.
TEST(PosixSemaphore, OpenCloseChurnNeverSplitsTheObject) {
  struct state {
    std::atomic<int> inside, faults;
    long total;
  }* st = shared<state>();
  const std::string name = unique_name("churn");
  auto rounds = [st, &name] {
    for (int i = 0; i < 300; ++i) {
      handle s = open_sem(name, 1, 2);
      const bool in = s && take(s.get(), 10000);
      if (!in || ++st->inside > 1) ++st->faults;
      if (!in) continue;
      const long v = *static_cast<volatile long*>(&st->total);
      ::sched_yield();
      *static_cast<volatile long*>(&st->total) = v + 1;
      --st->inside;
      if (!os::semaphore_post(s.get())) ++st->faults;
    }
    return 0;
  };
  std::vector<pid_t> children;
  // All children first: a fork beside running threads may copy a lock one of them holds.
  for (int i = 0; i < 3; ++i) children.push_back(spawn(rounds));
  hostutil::test::on_threads(3, [&](int) { rounds(); });
  for (pid_t c : children) EXPECT_EQ(reap(c), 0);
  EXPECT_EQ(std::pair(st->faults.load(), st->total), std::pair(0, 6L * 300));
  EXPECT_TRUE(shm_files(name).empty());
}

// args: name, folder. Takes the name, then leaves when folder/release appears.
HOSTUTIL_CHILD_ROLE(take_released_name) {
  SemaphoreControlBegin();
  const char* name = args.at(0).c_str();
  if (SemaphoreCreate(name, 0) != 1 || SemaphoreEntry(name, 0, 1) != 1) return 2;
  touch(fs::path(args.at(1)) / "held");
  if (!wait_for_file(fs::path(args.at(1)) / "release", 60s)) return 3;
  SemaphoreLeave(name, 0);
  SemaphoreRelease(name, 0);
  return 0;  // the exit gives up what is kept, without SemaphoreControlEnd
}

// A released name this process keeps is still shared with other processes,
// starts afresh when its holder was killed, and leaves /dev/shm once every
// process that used it has ended or given it up.
TEST(SemaphoreReuse, KeptNameIsSharedAndStartsAfreshAfterAKilledHolder) {
  for (const bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "holder killed" : "holder leaves");
    const fs::path folder = hostutil::test::scratch_folder("reuse");
    const std::string name = unique_name("reuse");
    const char* n = name.c_str();
    SemaphoreControlBegin();
    ASSERT_EQ(SemaphoreCreate(n, 0), 1u);
    SemaphoreRelease(n, 0);  // kept here, no member
    child_process child("take_released_name", {name, folder.string()});
    ASSERT_TRUE(wait_for_file(folder / "held"));
    if (killed) {
      child.kill();
      child.wait();  // kept here, held by nobody: the object starts afresh when reopened
    }
    ASSERT_EQ(SemaphoreCreate(n, 0), 1u);
    EXPECT_EQ(SemaphoreEntry(n, 0, 1), killed ? 1u : 0u);
    if (!killed) {
      touch(folder / "release");
      EXPECT_EQ(child.wait(), 0);
      EXPECT_EQ(SemaphoreEntry(n, 0, 1), 1u);
    }
    EXPECT_EQ(SemaphoreEntry(n, 0, 1), 0u);  // one count: started at 1, never above
    SemaphoreLeave(n, 0);
    SemaphoreRelease(n, 0);
    EXPECT_FALSE(shm_files(name).empty());  // kept while this process lives...
    SemaphoreControlEnd();
    // ...and gone with the table, the dead holder's share too.
    EXPECT_TRUE(shm_files(name).empty());
    fs::remove_all(folder);
  }
}

TEST(SemaphoreReuse, NextProcessClearsAwayWhatKilledHoldersLeft) {
  const fs::path folder = hostutil::test::scratch_folder("reuse-killed");
  const std::string name = unique_name("killed");
  for (const char* tail : {"-a", "-b", "-c"}) {
    child_process child("take_released_name", {name + tail, folder.string()});
    ASSERT_TRUE(wait_for_file(folder / "held"));
    child.kill();
    child.wait();
    fs::remove(folder / "held");
  }
  // Nobody opens those names again; the next process to set its table up (and
  // to take and leave a name of its own) ends, and none of them is left.
  ASSERT_FALSE(shm_files(name).empty());  // the last one at least
  touch(folder / "release");
  EXPECT_EQ(child_process("take_released_name", {name + "-next", folder.string()}).wait(), 0);
  EXPECT_TRUE(shm_files(name).empty());
  fs::remove_all(folder);
}
