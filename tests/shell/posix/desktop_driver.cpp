// Driving zenity's dialogs with xdotool on POSIX.
#include "../desktop_driver.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

extern char** environ;

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
    return "no DISPLAY: run under xvfb-run (ctest shell_x11)";
  if (!on_path("xdotool")) return "xdotool not found";
  if (!on_path("zenity")) return "zenity not found";
  if (!on_path("timeout")) return "timeout not found";
  return std::string();
}

int xdotool(const xdotool_command& args, std::vector<std::string>* output) {
  std::vector<std::string> all{"timeout", "20", "xdotool"};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, "timeout", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  std::string text;
  char chunk[512];
  for (ssize_t n; (n = read(fds[0], chunk, sizeof chunk)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    text.append(chunk, static_cast<std::size_t>(n));
  }
  close(fds[0]);
  if (spawned != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (output != nullptr) {
    std::stringstream lines(text);
    for (std::string line; std::getline(lines, line);) output->push_back(line);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
