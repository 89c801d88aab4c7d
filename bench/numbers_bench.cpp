// The number and search hot paths against the obvious alternatives: the CRC
// against the byte-at-a-time table loop and against merely reading its input, QuickSort against
// std::sort, and the substring searches against the C library's on 1 MiB.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "algo/crc.h"
#include "hostutil.h"

namespace {

const std::vector<unsigned char>& crc_data() {
  static const std::vector<unsigned char> data = [] {
    std::vector<unsigned char> v(16u << 20);
    std::mt19937 gen(1);
    for (auto& b : v) b = static_cast<unsigned char>(gen());
    return v;
  }();
  return data;
}

void BM_CrcByteTable(benchmark::State& state) {
  const auto& d = crc_data();
  for (auto _ : state) {
    benchmark::DoNotOptimize(hostutil::algo::crc_continue_bytewise(0, d.data(), d.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * d.size()));
}
BENCHMARK(BM_CrcByteTable)->Unit(benchmark::kMillisecond);

void BM_CalculateCRC(benchmark::State& state) {
  const auto& d = crc_data();
  if (CalculateCRC(d.data(), static_cast<uint32_t>(d.size())) !=
      hostutil::algo::crc_continue_bytewise(0, d.data(), d.size())) {
    state.SkipWithError("results differ");
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(CalculateCRC(d.data(), static_cast<uint32_t>(d.size())));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * d.size()));
}
BENCHMARK(BM_CalculateCRC)->Unit(benchmark::kMillisecond);

// The speed of memory itself: the same bytes XORed together 32 at a time.
void BM_ReadOnly(benchmark::State& state) {
  const auto& d = crc_data();
  for (auto _ : state) {
    std::uint64_t acc[4] = {};
    for (std::size_t i = 0; i + 32 <= d.size(); i += 32) {
      for (int k = 0; k < 4; ++k) {
        std::uint64_t w;
        std::memcpy(&w, d.data() + i + 8 * k, sizeof w);
        acc[k] ^= w;
      }
    }
    benchmark::DoNotOptimize(acc);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * d.size()));
}
BENCHMARK(BM_ReadOnly)->Unit(benchmark::kMillisecond);

// ---- sort: 100,000 elements, argument 0 sorted, 1 reversed, 2 random ----

constexpr int32_t sort_count = 100000;

std::vector<int32_t> sort_input(int64_t kind) {
  std::vector<int32_t> v(sort_count);
  std::iota(v.begin(), v.end(), -sort_count / 2);
  if (kind == 1) std::reverse(v.begin(), v.end());
  if (kind == 2) {
    std::mt19937 gen(2);
    for (auto& x : v) x = static_cast<int32_t>(gen());
  }
  return v;
}

void quick_sort(std::vector<int32_t>& v) { QuickSort(v.data(), sort_count, 1); }
void std_sort(std::vector<int32_t>& v) { std::sort(v.begin(), v.end()); }

template <void (*sort)(std::vector<int32_t>&)>
void BM_Sort(benchmark::State& state) {
  const auto input = sort_input(state.range(0));
  std::vector<int32_t> v;
  for (auto _ : state) {
    state.PauseTiming();
    v = input;
    state.ResumeTiming();
    sort(v);
    benchmark::DoNotOptimize(v.data());
  }
  if (!std::is_sorted(v.begin(), v.end())) state.SkipWithError("not sorted");
}
BENCHMARK(BM_Sort<quick_sort>)
    ->Name("BM_QuickSort")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sort<std_sort>)->Name("BM_StdSort")->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// ---- searches on 1 MiB of word-like text with one match near the end ----

const std::string needle = "Quintessential";

const std::string& text() {
  static const std::string t = [] {
    std::mt19937 gen(3);
    std::string s;
    s.reserve(1u << 20);
    while (s.size() < (1u << 20) - 64) {
      const int word = 2 + static_cast<int>(gen() % 9);
      for (int i = 0; i < word; ++i) s += static_cast<char>('a' + gen() % 26);
      s += ' ';
    }
    s.insert(s.size() - 1000, needle);
    return s;
  }();
  return t;
}

// Argument 0: a needle whose first letter occurs nowhere else; 1: one that
// starts with the text's most frequent letter. Both match once, near the end.
std::string first_needle(int64_t kind, bool upper = false) {
  std::string k = kind == 0 ? needle : needle.substr(5);
  if (upper) std::transform(k.begin(), k.end(), k.begin(), [](char c) { return c & ~0x20; });
  return k;
}

void BM_memstr(benchmark::State& state) {
  const auto& t = text();
  const std::string k = first_needle(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(memstr(t.c_str(), k.c_str(), 0xFFFFFFFFu));
}
BENCHMARK(BM_memstr)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_memmem(benchmark::State& state) {
  const auto& t = text();
  const std::string k = first_needle(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(memmem(t.data(), t.size(), k.data(), k.size()));
}
BENCHMARK(BM_memmem)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_strstr(benchmark::State& state) {
  const auto& t = text();
  const std::string k = first_needle(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(std::strstr(t.c_str(), k.c_str()));
}
BENCHMARK(BM_strstr)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Argument 0: the needle matching once near the end; 1: "e", matching everywhere.
const char* rstr_needle(int64_t kind) { return kind == 0 ? needle.c_str() : "e"; }

void BM_strrstr(benchmark::State& state) {
  const auto& t = text();
  const char* k = rstr_needle(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(strrstr(t.c_str(), k));
}
BENCHMARK(BM_strrstr)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The last match the plain way: strstr again from the byte after every match.
void BM_strrstr_by_strstr(benchmark::State& state) {
  const auto& t = text();
  const char* k = rstr_needle(state.range(0));
  for (auto _ : state) {
    const char* last = nullptr;
    for (const char* p = std::strstr(t.c_str(), k); p; p = std::strstr(p + 1, k)) last = p;
    benchmark::DoNotOptimize(last);
  }
}
BENCHMARK(BM_strrstr_by_strstr)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_strnostr(benchmark::State& state) {
  const auto& t = text();
  const std::string k = first_needle(state.range(0), true);
  for (auto _ : state) benchmark::DoNotOptimize(strnostr(t.c_str(), k.c_str()));
}
BENCHMARK(BM_strnostr)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_strcasestr(benchmark::State& state) {
  const auto& t = text();
  const std::string k = first_needle(state.range(0), true);
  for (auto _ : state) benchmark::DoNotOptimize(strcasestr(t.c_str(), k.c_str()));
}
BENCHMARK(BM_strcasestr)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
