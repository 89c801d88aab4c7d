// The scratch allocator's cost: a 283,115,520-byte zero-filled block (time, peak
// memory) against a heap block zeroed by hand, and the 256-byte round trip against
// malloc and free with 0, 100 and 1,000 other live blocks.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "counter_semaphores.h"
#include "hostutil.h"
#include "measures.h"

namespace {

constexpr uint32_t jbk_block = 283115520;

// Peak resident memory of this process so far, in KiB.
long peak_rss_kib() { return bench::status_kib("VmHWM:"); }

void fresh_table() {
  GlobalAreaLumpFree();
  SemaphoreControlEnd();
  SemaphoreControlBegin();
}

// Runs first, so that no other benchmark has raised the peak yet.
void BM_LargeZeroedBlock(benchmark::State& state) {
  fresh_table();
  const long before = peak_rss_kib();
  for (auto _ : state) {
    void* block = GlobalAllocEx(64, jbk_block);
    benchmark::DoNotOptimize(block);
    static_cast<volatile unsigned char*>(block)[0] = 1;  // a caller writes to it
    GlobalFreeExEx(block);
  }
  state.counters["peak_rss_growth_MiB"] = static_cast<double>(peak_rss_kib() - before) / 1024.0;
}

// The pages alone, without registry and semaphore: the facility's own share.
void BM_LargeZeroedBlockPagesOnly(benchmark::State& state) {
  for (auto _ : state) {
    void* block = hostutil::os::heap_allocate(jbk_block, true);
    benchmark::DoNotOptimize(block);
    static_cast<volatile unsigned char*>(block)[0] = 1;
    hostutil::os::heap_release(block);
  }
}

// The obvious alternative: a zero-filled heap block, cleared by hand before free.
void BM_LargeZeroedBlockHeapAndClear(benchmark::State& state) {
  const long before = peak_rss_kib();
  for (auto _ : state) {
    auto* block = static_cast<unsigned char*>(std::calloc(1, jbk_block));
    benchmark::DoNotOptimize(block);
    block[0] = 1;
    std::memset(block, 0, jbk_block);
    benchmark::ClobberMemory();
    std::free(block);
  }
  state.counters["peak_rss_growth_MiB"] = static_cast<double>(peak_rss_kib() - before) / 1024.0;
}

// Allocates and frees 256 bytes with range(0) other blocks live.
template <typename Allocate, typename Release>
void round_trips(benchmark::State& state, Allocate allocate, Release release) {
  std::vector<void*> live;
  for (int64_t i = 0; i < state.range(0); ++i) live.push_back(allocate());
  for (auto _ : state) {
    void* block = allocate();
    benchmark::DoNotOptimize(block);
    release(block);
  }
  for (void* b : live) release(b);
}

void registered_round_trips(benchmark::State& state) {
  round_trips(
      state, [] { return GlobalAllocEx(64, 256); }, [](void* b) { GlobalFreeExEx(b); });
}

void BM_RegisteredRoundTrip(benchmark::State& state) {
  fresh_table();
  registered_round_trips(state);
}

void BM_MallocRoundTrip(benchmark::State& state) {
  round_trips(
      state, [] { return std::malloc(256); }, [](void* b) { std::free(b); });
}

void BM_RegisteredRoundTripCounters(benchmark::State& state) {
  fresh_table();
  const bench::counter_semaphores counters;
  fresh_table();
  registered_round_trips(state);
  SemaphoreControlEnd();
}

// The round trips with 0, 100 and 1,000 other blocks live.
void live_blocks(benchmark::internal::Benchmark* b) {
  b->Arg(0)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(BM_LargeZeroedBlock)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LargeZeroedBlockPagesOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LargeZeroedBlockHeapAndClear)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RegisteredRoundTrip)->Apply(live_blocks);
BENCHMARK(BM_RegisteredRoundTripCounters)->Apply(live_blocks);
BENCHMARK(BM_MallocRoundTrip)->Apply(live_blocks);
BENCHMARK_MAIN();
