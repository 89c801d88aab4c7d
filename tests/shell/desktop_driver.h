// Playing the user of a real dialog under X with xdotool, per platform.
#pragma once

#include <string>
#include <vector>

namespace hostutil::test {

using xdotool_command = std::vector<std::string>;

// Empty when the real dialogs can be shown and driven here; else the reason.
std::string real_dialogs_unavailable();

// Runs xdotool, bounded in time; its exit status (0 under Wine), -1 when it did
// not run. The lines it printed go to output when given.
int xdotool(const xdotool_command& args, std::vector<std::string>* output = nullptr);

// The X window class of the windows the dialogs open (regular expression).
std::string dialog_window_class();

// Types a path into the focused dialog and confirms it; safe to repeat.
std::vector<xdotool_command> type_path_steps(const std::string& path);

// Captions of the dialogs shown without one of the caller's.
std::string default_save_caption();
std::string folder_caption(const std::string& title);

// Whether the folder picker takes a typed path (Wine's shows only a tree).
bool folder_path_can_be_typed();

#if defined(_WIN32)
// Starts a host program under Wine, which cannot wait for it: true once the
// program has made the file dos_marker, false if it did not start or in time.
bool run_host_program(const std::vector<std::string>& argv, const std::string& dos_marker,
                      unsigned timeout_ms);
#endif

}  // namespace hostutil::test
