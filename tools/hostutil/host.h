// The command-line host's pieces: each subsystem's file registers its
// subcommands and its steps of the tour at start-up, so that adding a
// subsystem touches no shared file.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

namespace host {

// The status main() returns; subcommand callbacks set it.
inline int exit_code = 0;

// Adds one or more subcommands to the application.
using command_setup = std::function<void(CLI::App& app)>;
bool add_commands(command_setup setup);

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
struct tour_step {
  int order;
  std::string title;
  std::function<bool(tour_context&)> run;
};
bool add_tour_step(tour_step step);

// Process helpers (the host is an ordinary application; it starts processes).
std::string self_path();
int run_process(const std::vector<std::string>& argv);  // exit status, -1 if not started
std::string make_scratch_folder();
void remove_tree(const std::string& path);

}  // namespace host
