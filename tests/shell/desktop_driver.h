// Playing the user of a real dialog under an X server with xdotool: what each
// build needs to find the dialog's window and type into it. Implemented per
// platform (zenity on POSIX, Wine's common dialogs on Windows).
#pragma once

#include <string>
#include <vector>

namespace hostutil::test {

using xdotool_command = std::vector<std::string>;

// Empty when the real dialogs can be shown and driven here; else the reason.
std::string real_dialogs_unavailable();

// Runs xdotool with the arguments, bounded in time, and waits for it. Its exit
// status where the platform can tell (0 under Wine), -1 when it did not run;
// the lines it printed go to output when given.
int xdotool(const xdotool_command& args, std::vector<std::string>* output = nullptr);

// The X window class of the windows the dialogs open (regular expression).
std::string dialog_window_class();

// The xdotool commands that type a path into the focused dialog and confirm
// it; repeating them from the start must do no harm.
std::vector<xdotool_command> type_path_steps(const std::string& path);

// Captions of the dialogs shown without one of the caller's.
std::string default_save_caption();
std::string folder_caption(const std::string& title);

// Whether the folder picker takes a typed path (Wine's shows only a tree).
bool folder_path_can_be_typed();

}  // namespace hostutil::test
