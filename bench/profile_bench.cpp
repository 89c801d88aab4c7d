// The profile reader's one-pass walk against the line-by-number walk that calls
// GetFileOneLine for every line and against libinih reading and parsing the
// same file, on files of 10 to 10,000 lines; and the CSV
// and JBK writers, which take their whole text-limit block on every call, for
// 10 and 100,000 records: time, and peak memory above the process's resident set.
#include <benchmark/benchmark.h>
#include <ini.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hostutil.h"
#include "measures.h"

namespace {

namespace fs = std::filesystem;

fs::path bench_folder() {
  static const fs::path folder = [] {
    fs::path p = fs::temp_directory_path() / "hostutil-profile-bench";
    fs::create_directories(p);
    return p;
  }();
  return folder;
}

// A file of the given number of lines: one section whose last key is looked up.
std::string profile_file(int lines) {
  const fs::path path = bench_folder() / ("lines-" + std::to_string(lines) + ".ini");
  if (!fs::exists(path)) {
    std::ofstream out(path, std::ios::binary);
    out << "[Other]\r\n";
    for (int i = 1; i < lines / 2; ++i) out << "Name" << i << "=some value " << i << "\r\n";
    out << "[Settings]\r\n";
    for (int i = lines / 2 + 1; i < lines; ++i)
      out << "Key" << i << "=value of key " << i << "\r\n";
  }
  return path.string();
}

std::string last_key(int lines) { return "Key" + std::to_string(lines - 1); }

// The reader's lookup as a walk by line number: each GetFileOneLine call
// searches from the top of the text again.
uint32_t lookup_by_line_number(const char* section, const char* key, char* buffer,
                               uint32_t bufferSize, const char* path) {
  std::memset(buffer, 0, bufferSize);
  const uint32_t size = FileSizeGet(path);
  if (size == 0) return 0;
  char* text = static_cast<char*>(GlobalAllocEx(HOSTUTIL_ZEROINIT, size + 256));
  if (text == nullptr) return 0;
  uint32_t count = 0;
  if (FileRead(path, text, size + 256) == size) {
    const std::string header = std::string("[") + section + "]";
    char line[256];
    bool in_section = false;
    for (uint32_t n = 1; GetFileOneLine(text, size + 256, n, line, sizeof line) != 0; ++n) {
      if (line[0] == '\0' || (line[0] == '/' && line[1] == '/')) continue;
      if (line[0] == '[') {
        in_section =
            CompareNoCaseN(line, header.c_str(), static_cast<uint32_t>(header.size())) != 0;
        continue;
      }
      if (!in_section) continue;
      char* equals = std::strchr(line, '=');
      if (equals != nullptr) *equals = '\0';
      if (std::strlen(line) != std::strlen(key) || CompareNoCase(line, key) == 0) continue;
      if (equals != nullptr && equals[1] != '\0') {
        count = static_cast<uint32_t>(std::strlen(equals + 1));
        std::memcpy(buffer, equals + 1, count < bufferSize ? count : bufferSize - 1);
      }
      break;
    }
  }
  GlobalFreeExEx(text);
  return count;
}

// Each lookup of the last key, timed on a file of state.range(0) lines. look
// answers the value it found, kept in a buffer of its own, so that the loop
// times the lookup alone; the last answer is checked after the loop.
template <class Look>
void lookup_bench(benchmark::State& state, Look look) {
  const int lines = static_cast<int>(state.range(0));
  const std::string path = profile_file(lines);
  const std::string key = last_key(lines);
  const char* found = "";
  for (auto _ : state) benchmark::DoNotOptimize(found = look(key.c_str(), path.c_str()));
  if (found != "value of key " + std::to_string(lines - 1)) state.SkipWithError("wrong value");
}

void BM_LookupOnePass(benchmark::State& state) {
  lookup_bench(state, [](const char* key, const char* path) {
    static char value[256];
    GetPrivateProfileStrEx("Settings", key, "", value, sizeof value, path);
    return static_cast<const char*>(value);
  });
}

// The obvious alternative: libinih parses the whole file, a handler keeps the value.
struct inih_lookup {
  const char* key;
  std::string value;
};

void BM_LookupInih(benchmark::State& state) {
  lookup_bench(state, [](const char* key, const char* path) {
    static inih_lookup lookup;
    lookup.key = key;
    lookup.value.clear();
    ini_parse(
        path,
        [](void* user, const char* section, const char* name, const char* value) {
          auto* l = static_cast<inih_lookup*>(user);
          if (std::strcmp(section, "Settings") == 0 && std::strcmp(name, l->key) == 0) {
            l->value = value;
          }
          return 1;
        },
        &lookup);
    return lookup.value.c_str();
  });
}

void BM_LookupByLineNumber(benchmark::State& state) {
  lookup_bench(state, [](const char* key, const char* path) {
    static char value[256];
    lookup_by_line_number("Settings", key, value, sizeof value, path);
    return static_cast<const char*>(value);
  });
}

void BM_KeyList(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const std::string path = profile_file(lines);
  std::vector<char> list(static_cast<size_t>(fs::file_size(path)) + 2);
  for (auto _ : state) {
    benchmark::DoNotOptimize(GetPrivateProfileStrEx(
        "Settings", nullptr, "", list.data(), static_cast<uint32_t>(list.size()), path.c_str()));
  }
}

void BM_Rewrite(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const std::string source = profile_file(lines);
  const std::string path = source + ".rewrite";
  fs::copy_file(source, path, fs::copy_options::overwrite_existing);
  const std::string key = last_key(lines);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        WritePrivateProfileStrEx("Settings", key.c_str(), "changed", path.c_str()));
  }
}

// ---- CSV and JBK files ------------------------------------------------------

// Records of ten items a line: the first of each line carries the CR LF.
HeapAreaHead* make_records(int count) {
  HeapAreaHead* area = nullptr;
  char record[64];
  for (int i = 0; i < count; ++i) {
    std::snprintf(record, sizeof record, "%sitem %d", i % 10 == 0 && i != 0 ? "\r\n" : "", i);
    AllocHeapAreaAndSetData(&area, record, static_cast<uint32_t>(std::strlen(record)));
  }
  return area;
}

// The straightforward alternative: join into a string that grows as needed.
std::string plain_join(const HeapAreaHead* head) {
  std::string text;
  void* cursor = const_cast<HeapAreaHead*>(head);
  char record[64];
  while (uint32_t n = FetchHeapData(&cursor, record, sizeof record)) {
    const bool new_line = n >= 2 && record[0] == '\r';
    if (!text.empty() && !new_line) text += ',';
    text.append(record, n);
  }
  return text + "\r\n";
}

// Writes the records of state.range(0) to file in the bench folder with write:
// time, and the peak memory above the resident set before the loop.
template <class Write>
void records_bench(benchmark::State& state, const char* file, Write write) {
  HeapAreaHead* area = make_records(static_cast<int>(state.range(0)));
  const std::string path = (bench_folder() / file).string();
  const long before = bench::status_kib("VmRSS:");
  std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
  for (auto _ : state) write(path, area);
  // The peak since then above the resident set before the loop, in MiB.
  const long extra = bench::status_kib("VmHWM:") - before;
  state.counters["peak_extra_MiB"] = extra > 0 ? static_cast<double>(extra) / 1024.0 : 0.0;
  FreeHeapArea(&area);
}

void make_file_bench(benchmark::State& state,
                     uint32_t(HOSTUTIL_CALL* make)(const char*, const HeapAreaHead*, uint32_t)) {
  records_bench(state, "records.csv", [make](const std::string& path, const HeapAreaHead* area) {
    benchmark::DoNotOptimize(make(path.c_str(), area, 1));
  });
  state.counters["file_bytes"] = static_cast<double>(fs::file_size(bench_folder() / "records.csv"));
}
void BM_MakeCSVFile(benchmark::State& state) { make_file_bench(state, MakeCSVFile); }
void BM_MakeJBKFile(benchmark::State& state) { make_file_bench(state, MakeJBKFile); }

void BM_PlainJoinAndWrite(benchmark::State& state) {
  records_bench(state, "plain.csv", [](const std::string& path, const HeapAreaHead* area) {
    const std::string text = plain_join(area);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  });
}

void print_ratio(const bench::ratio_reporter& r, const std::string& slow, const std::string& fast) {
  const auto a = r.time(slow);
  const auto b = r.time(fast);
  if (!a || !b || *b == 0) return;
  std::printf("  %-34s / %-30s = %8.1f\n", slow.c_str(), fast.c_str(), *a / *b);
}

}  // namespace

BENCHMARK(BM_LookupOnePass)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000);
BENCHMARK(BM_LookupInih)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000);
BENCHMARK(BM_LookupByLineNumber)->Arg(100)->Arg(1000)->Arg(10000);
BENCHMARK(BM_KeyList)->Arg(100)->Arg(1000)->Arg(10000);
BENCHMARK(BM_Rewrite)->Arg(100)->Arg(1000)->Arg(10000);
BENCHMARK(BM_MakeCSVFile)->Arg(10)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MakeJBKFile)->Arg(10)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainJoinAndWrite)->Arg(10)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  SemaphoreControlBegin();
  benchmark::Initialize(&argc, argv);
  bench::ratio_reporter reporter(bench::clock::real);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nThe one-pass reader against libinih on the same file (times slower):\n");
  for (const std::string n : {"10", "100", "1000", "10000"}) {
    print_ratio(reporter, "BM_LookupOnePass/" + n, "BM_LookupInih/" + n);
  }
  std::printf("\nLine-by-number walk against the one-pass reader (times slower):\n");
  for (const std::string n : {"100", "1000", "10000"}) {
    print_ratio(reporter, "BM_LookupByLineNumber/" + n, "BM_LookupOnePass/" + n);
  }
  std::printf("\nFixed text-limit blocks against a growing string (times slower):\n");
  for (const std::string n : {"10", "100000"}) {
    print_ratio(reporter, "BM_MakeCSVFile/" + n, "BM_PlainJoinAndWrite/" + n);
    print_ratio(reporter, "BM_MakeJBKFile/" + n, "BM_PlainJoinAndWrite/" + n);
  }
  benchmark::Shutdown();
  GlobalAreaLumpFree();
  SemaphoreControlEnd();
  std::error_code ignored;
  fs::remove_all(bench_folder(), ignored);
  return 0;
}
