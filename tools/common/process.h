// Child processes, the program's own path and scratch folders: shared by the
// host program and the test support. The platform's half of each is in
// posix/process.cpp or win32/process.cpp, whichever the build picks.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace hostutil::tools {

// What a child does with its standard output and error: write to ours, or
// into a pipe that output() reads once the child has ended.
enum class child_output { shared, captured };

// A running program, argv[0] being its path. A child still running when the
// object goes is killed and reaped, so that no process outlives its owner.
class process {
 public:
  explicit process(const std::vector<std::string>& argv,
                   child_output output = child_output::shared);
  ~process();
  process(const process&) = delete;
  process& operator=(const process&) = delete;

  bool started() const;
  // The exit status (128 + the signal when one ended it on POSIX); -1 when it
  // never started. A captured child's output is read to its end first.
  int wait();
  // Ends it at once (SIGKILL, TerminateProcess).
  void kill();
  // Standard output and error together, as written; complete after wait().
  const std::string& output() const { return output_; }

 private:
  // The platform's half: the child's handle and the read end of its pipe.
  struct impl;
  std::unique_ptr<impl> impl_;
  bool waited_ = false;
  int status_ = -1;
  std::string output_;
};

// Runs argv to its end with its output captured.
struct finished {
  int status;  // as process::wait() gives it
  std::string output;
};
inline finished run_captured(const std::vector<std::string>& argv) {
  process child(argv, child_output::captured);
  const int status = child.wait();
  return {status, child.output()};
}

// The path of the running program.
std::string self_path();

// Copies this program into folder (ending in the separator), so that it can run
// from there, and makes sure the copy finds the shared library that exports
// symbol: a copy of it beside the program on Windows; on POSIX its folder first
// on LD_LIBRARY_PATH, for the children started from now on. The copy's path;
// empty on failure.
std::string copy_of_self(const std::string& folder, const char* symbol);

// A fresh folder under the system's temporary folder, named after tag, ending
// in the platform's separator; empty when none can be made.
std::string scratch_folder(const std::string& tag);

// Standard input and output pass bytes unchanged (no CR LF translation).
void binary_stdio();

}  // namespace hostutil::tools
