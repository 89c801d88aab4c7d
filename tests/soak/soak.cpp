// A soak of the shared locks: worker processes load the library like any host
// and update two counters kept in files, each under a name of its own (one
// text name counted up through IncrementValue, one numbered name counted down).
// Some workers are killed while they hold the names open: paused between
// updates, or waiting in SemaphoreEntry for a name this process holds. The
// totals must be exact, every wait is bounded, and nothing may be left behind.
//   hostutil_soak [SECONDS [WORKERS [OPS]]]   SECONDS > 0 repeats rounds that long
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/block_name.h"
#include "common/process.h"
#include "hostutil.h"
#include "support/child.h"

namespace {

namespace fs = std::filesystem;
using clock_type = std::chrono::steady_clock;
using namespace std::chrono_literals;
using hostutil::test::touch;
using hostutil::test::wait_for_file;

// The parent reads it once its line is complete.
void report(const std::string& me, const std::string& text) {
  std::ofstream(me + ".report") << text << '\n';
}

// Attempts of 1 ms each, without the pauses of 500 ms a larger retry count
// makes (which would slow the soak down to a crawl under Wine), up to a limit.
bool enter(const char* name, std::uint64_t number, clock_type::time_point limit) {
  while (SemaphoreEntry(name, number, 1) != 1)
    if (clock_type::now() > limit) return false;
  return true;
}

// One guarded update of a counter: read, worked out (by the library for the
// counter that counts up), stored. Only one lane goes through the library's
// own value lock: a holder made to wait there polls in pauses of 500 ms.
std::string update(std::FILE* f, const char* name, std::uint64_t number, bool down) {
  if (!enter(name, number, clock_type::now() + 60s)) return "no entry within 60 s";
  std::uint32_t v = 0, r = 0;
  bool io = std::fseek(f, 0, SEEK_SET) == 0 && std::fread(&v, 4, 1, f) == 1;
  r = down ? v - 1 : IncrementValue(v);
  io = io && std::fseek(f, 0, SEEK_SET) == 0 && std::fwrite(&r, 4, 1, f) == 1 && !std::fflush(f);
  SemaphoreLeave(name, number);
  if (!io) return "the counter file was not read or written";
  return r == (down ? v - 1 : v + 1) ? "" : "a guarded update failed";
}

// A worker: FOLDER INDEX OPS MODE STOP NAME NUMBER; MODE full, pause or wait.
int worker(char** a) {
  const std::string dir = a[0], me = dir + a[1], mode = a[3], name = a[5];
  const long index = std::stol(a[1]), ops = std::stol(a[2]), stop = std::stol(a[4]);
  const std::uint64_t number = std::stoull(a[6]);
  const auto limit = clock_type::now() + 300s;
  SemaphoreControlBegin();
  std::FILE* files[2] = {std::fopen((dir + "a").c_str(), "r+b"),
                         std::fopen((dir + "b").c_str(), "r+b")};
  std::string error;
  if (!files[0] || !files[1] || !SemaphoreCreate(name.c_str(), 0) ||
      !SemaphoreCreate(nullptr, number))
    error = "the shared objects did not open";
  long done[2] = {0, 0};
  const auto counts = [&] {
    return "ok " + std::to_string(done[0]) + " " + std::to_string(done[1]);
  };
  for (long j = 0; error.empty() && j < ops; ++j) {
    if (j == stop && mode == "pause") {
      report(me, counts());
      touch(me + ".paused");
      while (clock_type::now() < limit) std::this_thread::sleep_for(10ms);
      error = "never killed";
    } else if (j == stop && mode == "wait") {
      report(me, counts());
      touch(me + ".at");
      if (!wait_for_file(me + ".held", limit - clock_type::now()))
        error = "the parent never took the name";
      touch(me + ".entering");
      // Killed in here, inside a wait of 1 ms nearly always.
      if (error.empty())
        error = enter(name.c_str(), 0, limit) ? "entered a held name" : "not killed";
    }
    const int t = static_cast<int>((j + index) % 2);
    if (error.empty()) error = update(files[t], t ? nullptr : name.c_str(), t ? number : 0, t);
    if (error.empty()) ++done[t];
  }
  SemaphoreControlEnd();
  for (std::FILE* f : files)
    if (f) std::fclose(f);
  report(me, error.empty() ? counts() : "error " + error);
  return error.empty() ? 0 : 1;
}

std::uint32_t counter(const std::string& path) {
  std::uint32_t v = 0xDEADBEEF;
  std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(&v), 4);
  return v;
}

bool fail(const std::string& why) {
  std::fprintf(stderr, "soak: FAILED: %s\n", why.c_str());
  return false;
}

bool soak_round(const std::string& self, int workers, long ops, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  const std::string dir = hostutil::tools::scratch_folder("soak");
  const std::string name = "hu-soak-" + std::to_string(seed);
  const std::uint64_t number = 0x50AC000000000000ull | (seed & 0xFFFFFFFFFFFFull);
  const std::string hex = hostutil::tools::block_name(number);
  const std::uint32_t zero = 0;
  for (const char* c : {"a", "b"})
    std::ofstream(dir + c, std::ios::binary).write(reinterpret_cast<const char*>(&zero), 4);
  const auto start = clock_type::now(), deadline = start + 240s;
  SemaphoreControlBegin();
  if (dir.empty() || !SemaphoreCreate(name.c_str(), 0) || !SemaphoreCreate(nullptr, number))
    return fail("no scratch folder or semaphore");
  // Every second worker is killed at a random update: paused, or waiting.
  std::vector<std::unique_ptr<hostutil::tools::process>> kids;
  std::vector<std::string> modes;
  for (int i = 0; i < workers; ++i) {
    modes.push_back(i % 4 == 1 ? "pause" : i % 4 == 3 ? "wait" : "full");
    kids.push_back(std::make_unique<hostutil::tools::process>(std::vector<std::string>{
        self, "--worker", dir, std::to_string(i), std::to_string(ops), modes[i],
        std::to_string(1 + rng() % (ops - 1)), name, std::to_string(number)}));
  }
  for (int i = 0; i < workers; ++i) {
    const std::string me = dir + std::to_string(i);
    if (modes[i] == "full") continue;
    if (!wait_for_file(me + (modes[i] == "pause" ? ".paused" : ".at"),
                       deadline - clock_type::now()))
      return fail("worker " + std::to_string(i) + " never reached its stop");
    if (modes[i] == "wait") {
      if (!enter(name.c_str(), 0, deadline)) return fail("the parent never got the name");
      touch(me + ".held");
      if (!wait_for_file(me + ".entering", deadline - clock_type::now()))
        return fail("the waiter never began to wait");
      std::this_thread::sleep_for(30ms);
    }
    kids[i]->kill();
    kids[i]->wait();
    if (modes[i] == "wait") SemaphoreLeave(name.c_str(), 0);
  }
  std::uint32_t a = 0, b = 0;
  for (int i = 0; i < workers; ++i) {
    const std::string me = dir + std::to_string(i);
    std::string status, text;
    while ((text = (std::ostringstream() << std::ifstream(me + ".report").rdbuf()).str()).empty() ||
           text.back() != '\n') {
      if (clock_type::now() > deadline)
        return fail("worker " + std::to_string(i) + " has not ended: a deadlock?");
      std::this_thread::sleep_for(2ms);
    }
    std::uint32_t da = 0, db = 0;
    if (!(std::istringstream(text) >> status >> da >> db) || status != "ok" ||
        (modes[i] == "full" && kids[i]->wait() != 0))
      return fail("worker " + std::to_string(i) + ": " + text);
    a += da;
    b -= db;
  }
  // A killed waiter took no count and left none: the names are free, once.
  for (const char* n : {name.c_str(), static_cast<const char*>(nullptr)}) {
    const std::uint64_t k = n ? 0 : number;
    if (SemaphoreEntry(n, k, 2) != 1 || SemaphoreEntry(n, k, 1) != 0)
      return fail(std::string("the count of ") + (n ? std::string(n) : hex) + " is not 1");
    SemaphoreLeave(n, k);
  }
  SemaphoreControlEnd();
  if (counter(dir + "a") != a || counter(dir + "b") != b)
    return fail("counters " + std::to_string(counter(dir + "a")) + " " +
                std::to_string(counter(dir + "b")) + ", expected " + std::to_string(a) + " " +
                std::to_string(b));
  std::error_code ignored;  // no /dev/shm: nothing to look through
  for (const auto& e : fs::directory_iterator("/dev/shm", ignored)) {
    const std::string f = e.path().filename().string();
    if (f.find(name) != std::string::npos || f.find(hex) != std::string::npos)
      return fail("left behind: " + e.path().string());
  }
  fs::remove_all(dir, ignored);
  std::printf("soak: seed %llu, %d workers x %ld updates, %d killed, totals %u and %u, %.1f s\n",
              static_cast<unsigned long long>(seed), workers, ops, workers / 2, a, b,
              std::chrono::duration<double>(clock_type::now() - start).count());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 9 && std::string(argv[1]) == "--worker") return worker(argv + 2);
  const long seconds = argc > 1 ? std::stol(argv[1]) : 0;
  const int workers = argc > 2 ? std::stoi(argv[2]) : 8;
  const long ops = argc > 3 ? std::stol(argv[3]) : 10000;
  std::random_device entropy;
  const auto end = clock_type::now() + std::chrono::seconds(seconds);
  do {
    const std::uint64_t seed = (std::uint64_t{entropy()} << 16) ^ entropy();
    if (!soak_round(hostutil::tools::self_path(), workers, ops, seed)) return 1;
  } while (clock_type::now() < end);
  return 0;
}
