// What the benchmark programs measure besides the table: each run's time, kept
// by its full name for the ratios a program prints, and this process's memory
// figures.
#pragma once

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace bench {

enum class clock { real, cpu };

// Prints the table as usual and keeps each run's time by the given clock.
class ratio_reporter : public benchmark::ConsoleReporter {
 public:
  explicit ratio_reporter(clock kept, OutputOptions options = OO_Defaults)
      : ConsoleReporter(options), kept_(kept) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      times_[r.benchmark_name()] =
          kept_ == clock::cpu ? r.GetAdjustedCPUTime() : r.GetAdjustedRealTime();
    }
  }
  // Nothing for a run that did not happen.
  std::optional<double> time(const std::string& name) const {
    const auto it = times_.find(name);
    if (it == times_.end()) return std::nullopt;
    return it->second;
  }

 private:
  clock kept_;
  std::map<std::string, double> times_;
};

// A memory figure of this process in KiB ("VmRSS:", "VmHWM:"), from /proc
// (Linux); 0 elsewhere.
inline long status_kib(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
  }
  return 0;
}

}  // namespace bench
