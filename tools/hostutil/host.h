// The command-line host's pieces: each subsystem's file registers its
// subcommands and its steps of the tour at start-up, so that adding a
// subsystem touches no shared file.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "hostutil.h"

namespace host {

// Adds one or more subcommands to the application.
using command_setup = std::function<void(CLI::App& app)>;
bool add_commands(command_setup setup);

// What a subcommand does once the command line is parsed; its result is the
// program's exit status.
void runs(CLI::App* command, std::function<int()> work);

// What a tour step gets: a scratch folder of its own (ending in the path
// separator) and the path of this program, to start a second process.
struct tour_context {
  std::string scratch;
  std::string self;
  // Prints one line under the step's title.
  void say(const std::string& line) const;
  // Records a check: prints it with ok/FAILED, returns ok.
  bool check(bool ok, const std::string& what) const;
};

// A tour step: order decides the running order (subsystem order, tens apart).
// A step that writes files beside the program runs in a copy of the program
// placed in the scratch folder, so that an installed folder is never written.
struct tour_step {
  int order;
  std::string title;
  std::function<bool(tour_context&)> run;
  bool beside_program = false;
};
bool add_tour_step(tour_step step);

// The library's scratch memory needs the semaphore table: taken for a
// command's run, every block left over freed at its end.
struct library_session {
  library_session() { SemaphoreControlBegin(); }
  ~library_session() {
    GlobalAreaLumpFree();
    SemaphoreControlEnd();
  }
  library_session(const library_session&) = delete;
  library_session& operator=(const library_session&) = delete;
};

// Prints message and a line end on standard error; returns status, for the
// subcommand to return.
int fail(int status, const std::string& message);

// The whole of a file, byte for byte (standard input for an empty path);
// nothing when it cannot be opened or read.
std::optional<std::string> read_file(const std::string& path);

// "0x" and eight upper-case hexadecimal digits.
std::string hex32(std::uint32_t value);

// Text without the CR and LF it ends in.
std::string trimmed(std::string text);

// Text with its CR and LF shown as \r and \n, to print on one line.
std::string one_line(const std::string& text);

}  // namespace host
