// Child-process roles for the cross-process tests. A test starts a copy of its
// own program with a role name; main() runs the role instead of the tests. And
// the markers and threads the tests of several processes or threads share.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/process.h"

namespace hostutil::test {

using child_role = std::function<int(const std::vector<std::string>& args)>;

// Registers a role at static-initialisation time; returns true.
bool register_child_role(const std::string& name, child_role role);

// Runs the registered role when argv asks for one; -1 otherwise.
int run_child_role(int argc, char** argv);

// A running copy of this test program in the given role.
class child_process : public hostutil::tools::process {
 public:
  child_process(const std::string& role, const std::vector<std::string>& args = {});
};

using hostutil::tools::scratch_folder;
using hostutil::tools::self_path;

// A name of its own for each call in this run, ending in the tag; a short one
// shows verbatim in the file name of a POSIX semaphore object.
inline std::string unique_name(const std::string& tag) {
  static std::atomic<int> serial{0};
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return "hostutil-test-" + std::to_string(now) + "-" + std::to_string(serial++) + "-" + tag;
}

// Marker files by which a test and its children tell each other a step is done.
inline void touch(const std::filesystem::path& p) { std::ofstream(p) << "x"; }

// True once the file exists; false when limit passes first.
template <typename Duration = std::chrono::milliseconds>
bool wait_for_file(const std::filesystem::path& p, Duration limit = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!std::filesystem::exists(p)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Runs body(0) to body(n - 1) on n threads at once, and waits for them all.
template <typename Body>
void on_threads(int n, Body body) {
  std::vector<std::thread> threads;
  for (int t = 0; t < n; ++t) threads.emplace_back(body, t);
  for (auto& thread : threads) thread.join();
}

}  // namespace hostutil::test

#define HOSTUTIL_CHILD_ROLE(name)                                \
  static int name##_role(const std::vector<std::string>& args);  \
  [[maybe_unused]] static const bool name##_registered =         \
      ::hostutil::test::register_child_role(#name, name##_role); \
  static int name##_role([[maybe_unused]] const std::vector<std::string>& args)
