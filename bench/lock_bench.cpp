// The semaphore table with 1,000 and 100,000 names in it, against the plain
// scan of a 102,400-slot array that the table's index replaces. System objects
// are stood in for by counters, so that only the table's own cost is measured.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "counter_semaphores.h"
#include "hostutil.h"

namespace {

// A fresh table of state.range(0) names; their number.
int fill_table(const benchmark::State& state) {
  static const bench::counter_semaphores counters;  // for the rest of the run
  SemaphoreControlEnd();
  SemaphoreControlBegin();
  const int names = static_cast<int>(state.range(0));
  for (int i = 0; i < names; ++i) SemaphoreCreate(nullptr, static_cast<uint64_t>(i));
  return names;
}

// The obvious alternative: a plain array scanned from slot 0 for every call.
struct plain_slot {
  char name[64];
  void* handle;
  unsigned entered;
};
std::vector<plain_slot> plain_table(const benchmark::State& state) {
  std::vector<plain_slot> t(102400);
  for (int i = 0; i < state.range(0); ++i) {
    std::snprintf(t[i].name, sizeof t[i].name, "%016llx", static_cast<unsigned long long>(i));
    t[i].handle = &t[i];
  }
  return t;
}
int plain_find(const std::vector<plain_slot>& t, const char* name) {
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i].handle != nullptr && std::strcmp(t[i].name, name) == 0) return static_cast<int>(i);
  }
  return -1;
}

void BM_IndexedIsExist(benchmark::State& state) {
  const int names = fill_table(state);
  for (auto _ : state) benchmark::DoNotOptimize(SemaphoreIsExist(nullptr, names - 1));
}
void BM_PlainScanFind(benchmark::State& state) {
  const auto t = plain_table(state);
  const std::string last = t[state.range(0) - 1].name;
  for (auto _ : state) benchmark::DoNotOptimize(plain_find(t, last.c_str()));
}
void BM_IndexedEntryLeave(benchmark::State& state) {
  const int names = fill_table(state);
  for (auto _ : state) {
    benchmark::DoNotOptimize(SemaphoreEntry(nullptr, names - 1, 1));
    SemaphoreLeave(nullptr, names - 1);
  }
}
void BM_IndexedCreateRelease(benchmark::State& state) {
  fill_table(state);
  for (auto _ : state) {
    SemaphoreCreate("bench-new-name", 0);
    SemaphoreRelease("bench-new-name", 0);
  }
}
void BM_PlainScanCreateRelease(benchmark::State& state) {
  auto t = plain_table(state);
  for (auto _ : state) {
    // Create: look for the name, then for the lowest free slot; release: look again.
    benchmark::DoNotOptimize(plain_find(t, "bench-new-name"));
    size_t free_slot = 0;
    while (t[free_slot].handle != nullptr) ++free_slot;
    std::strcpy(t[free_slot].name, "bench-new-name");
    t[free_slot].handle = &t[free_slot];
    const int at = plain_find(t, "bench-new-name");
    t[at].handle = nullptr;
    std::memset(t[at].name, 0, sizeof t[at].name);
  }
}

}  // namespace

BENCHMARK(BM_IndexedIsExist)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_PlainScanFind)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_IndexedEntryLeave)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_IndexedCreateRelease)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_PlainScanCreateRelease)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK_MAIN();
