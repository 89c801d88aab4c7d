// The host's xdotool under Wine (Wine's windows are X windows). Wine can
// neither wait for a host program nor reliably see the end of its output
// through a pipe: the output goes to a file, renamed once it is complete.
#include "../desktop_driver.h"

#include <windows.h>

#include <atomic>
#include <fstream>

#include "common/command_line.h"

namespace hostutil::test {

void xdotool(const std::vector<std::string>& args, std::vector<std::string>* output) {
  static std::atomic<unsigned> counter{0};
  const std::string name =
      "hostutil-xdotool-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
  std::vector<std::string> argv{"/bin/sh", "-c",
                                "/usr/bin/timeout 20 /usr/bin/xdotool \"$@\" > \"$0.part\" "
                                "2>/dev/null; mv \"$0.part\" \"$0\"",
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
  std::ifstream in(result);
  for (std::string line; output != nullptr && std::getline(in, line);) {
    output->push_back(line.substr(0, line.find_last_not_of('\r') + 1));
  }
  in.close();
  DeleteFileA(result.c_str());
}

}  // namespace hostutil::test
