// The host's xdotool under Wine (Wine's windows are X windows). Wine can
// neither wait for a host program nor reliably see the end of its output
// through a pipe: the run ends by making a file, which is waited for.
#include "../desktop_driver.h"

#include <windows.h>

#include <atomic>

#include "common/command_line.h"

namespace hostutil::test {

void xdotool(const std::vector<std::string>& args) {
  static std::atomic<unsigned> counter{0};
  const std::string name =
      "hostutil-xdotool-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
  std::vector<std::string> argv{"/bin/sh", "-c",
                                "/usr/bin/timeout 20 /usr/bin/xdotool \"$@\" >/dev/null 2>&1; "
                                ": > \"$0\"",
                                "/tmp/" + name};
  argv.insert(argv.end(), args.begin(), args.end());
  std::string command = hostutil::tools::command_line(argv);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return;
  }
  CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
  const std::string result = "Z:\\tmp\\" + name;
  for (int wait = 0; wait < 3000 && GetFileAttributesA(result.c_str()) == INVALID_FILE_ATTRIBUTES;
       ++wait) {
    Sleep(10);
  }
  DeleteFileA(result.c_str());
}

}  // namespace hostutil::test
