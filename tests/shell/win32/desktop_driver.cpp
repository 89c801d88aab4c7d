// Driving Wine's common dialogs with the host's xdotool (Wine's windows are X windows).
#include "../desktop_driver.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <string>

#include "common/command_line.h"

namespace hostutil::test {

namespace {

bool host_program(const char* dos_path) {
  return GetFileAttributesA(dos_path) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

bool run_host_program(const std::vector<std::string>& argv, const std::string& dos_marker,
                      unsigned timeout_ms) {
  std::string cmd = hostutil::tools::command_line(argv);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return false;
  }
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  while (GetFileAttributesA(dos_marker.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount64() > end) return false;
    Sleep(10);
  }
  return true;
}

std::string real_dialogs_unavailable() {
  char display[256];
  if (GetEnvironmentVariableA("DISPLAY", display, sizeof display) == 0) {
    return "no DISPLAY: run under a virtual X server (ctest shell_x11)";
  }
  if (!host_program("Z:\\usr\\bin\\xdotool")) return "xdotool not found (not under Wine?)";
  if (!host_program("Z:\\usr\\bin\\timeout")) return "timeout not found";
  return std::string();
}

int xdotool(const xdotool_command& args, std::vector<std::string>* output) {
  // Wine can neither wait for a host program nor reliably see the end of its
  // output through a pipe: the program writes a file and renames it when done.
  static std::atomic<unsigned> counter{0};
  const std::string name =
      "hostutil-xdotool-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
  const std::string unix_result = "/tmp/" + name;
  const std::string dos_result = "Z:\\tmp\\" + name;
  std::vector<std::string> argv{
      "/bin/sh", "-c",
      "/usr/bin/timeout 20 /usr/bin/xdotool \"$@\" > \"$0.part\" 2>/dev/null; "
      "mv \"$0.part\" \"$0\"",
      unix_result};
  argv.insert(argv.end(), args.begin(), args.end());
  if (!run_host_program(argv, dos_result, 30000)) return -1;
  if (output != nullptr) {
    std::ifstream in(dos_result);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      output->push_back(line);
    }
  }
  DeleteFileA(dos_result.c_str());
  return 0;
}

std::string dialog_window_class() {
  char self[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string name(self, n);
  name = name.substr(name.find_last_of("\\/") + 1);
  std::string pattern = "^";
  for (char c : name) {
    if (c == '.') pattern += '\\';
    pattern += c;
  }
  return pattern + "$";
}

std::vector<xdotool_command> type_path_steps(const std::string& path) {
  return {{"key", "End", "shift+Home"}, {"type", "--delay", "10", path}, {"key", "Return"}};
}

std::string default_save_caption() { return "Save As"; }
std::string folder_caption(const std::string&) { return "Browse for Folder"; }
bool folder_path_can_be_typed() { return false; }

}  // namespace hostutil::test
