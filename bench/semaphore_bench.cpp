// The named semaphores with the real system objects: making and dropping a name
// (the one a process keeps coming back to, as the scratch allocator does, and a
// different one every time) and entering and leaving a held one, against POSIX
// named semaphores (sem_open and sem_unlink, sem_wait and sem_post).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <semaphore.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "hostutil.h"

namespace {

// POSIX semaphore names begin with a slash, the library's need not.
std::string unique_name(const char* tag, const char* lead = "") {
  return std::string(lead) + "hostutil-bench-" + tag + '-' + std::to_string(::getpid());
}

void BM_CreateReleaseSameName(benchmark::State& state) {
  SemaphoreControlBegin();
  const std::string name = unique_name("same");
  for (auto _ : state) {
    benchmark::DoNotOptimize(SemaphoreCreate(name.c_str(), 0));
    SemaphoreRelease(name.c_str(), 0);
  }
  SemaphoreControlEnd();
}

void BM_CreateReleaseNewName(benchmark::State& state) {
  SemaphoreControlBegin();
  const std::string stem = unique_name("new");
  std::uint64_t serial = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string name = stem + "-" + std::to_string(serial++);
    state.ResumeTiming();
    benchmark::DoNotOptimize(SemaphoreCreate(name.c_str(), 0));
    SemaphoreRelease(name.c_str(), 0);
  }
  SemaphoreControlEnd();
}

// The obvious alternative: a POSIX named semaphore made, closed and unlinked.
void BM_SemOpenUnlink(benchmark::State& state) {
  const std::string name = unique_name("posix", "/");
  for (auto _ : state) {
    sem_t* s = ::sem_open(name.c_str(), O_CREAT, 0600, 1);
    benchmark::DoNotOptimize(s);
    ::sem_close(s);
    ::sem_unlink(name.c_str());
  }
}

void BM_EntryLeave(benchmark::State& state) {
  SemaphoreControlBegin();
  const std::string name = unique_name("held");
  SemaphoreCreate(name.c_str(), 0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(SemaphoreEntry(name.c_str(), 0, 1));
    SemaphoreLeave(name.c_str(), 0);
  }
  SemaphoreRelease(name.c_str(), 0);
  SemaphoreControlEnd();
}

void BM_SemWaitPost(benchmark::State& state) {
  const std::string name = unique_name("posix-held", "/");
  sem_t* s = ::sem_open(name.c_str(), O_CREAT, 0600, 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(::sem_wait(s));
    ::sem_post(s);
  }
  ::sem_close(s);
  ::sem_unlink(name.c_str());
}

}  // namespace

BENCHMARK(BM_CreateReleaseSameName)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CreateReleaseNewName)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SemOpenUnlink)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EntryLeave)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SemWaitPost)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
