// Driving zenity's dialogs with xdotool on POSIX.
#include "../desktop_driver.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace hostutil::test {

namespace {

bool on_path(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path != nullptr ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (access((folder + "/" + name).c_str(), X_OK) == 0) return true;
  }
  return false;
}

}  // namespace

std::string real_dialogs_unavailable() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0')
    return "no DISPLAY: run under a virtual X server (ctest shell_x11)";
  if (!on_path("xdotool")) return "xdotool not found";
  if (!on_path("zenity")) return "zenity not found";
  if (!on_path("timeout")) return "timeout not found";
  return std::string();
}

int xdotool(const xdotool_command& args, std::vector<std::string>* output) {
  std::string command = "timeout 20 xdotool";
  for (const std::string& a : args) {
    command += " '";
    for (char c : a) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += "'";
  }
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return -1;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    if (output != nullptr) output->push_back(std::string(line, std::strcspn(line, "\n")));
  }
  const int status = pclose(pipe);
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string dialog_window_class() { return "^zenity$"; }

std::vector<xdotool_command> type_path_steps(const std::string& path) {
  // "/" opens the location field; characters typed while it appears would be
  // lost, hence the pause, and select-all makes a second round replace the first.
  return {{"key", "slash", "sleep", "0.3", "key", "ctrl+a"},
          {"type", "--delay", "10", path},
          {"key", "Return"}};
}

// zenity leaves the caption to the toolkit, which takes the program's name.
std::string default_save_caption() { return "zenity"; }
std::string folder_caption(const std::string& title) { return title; }
bool folder_path_can_be_typed() { return true; }

}  // namespace hostutil::test
