// xdotool on POSIX: through the shell.
#include "../desktop_driver.h"

#include <cstdio>

namespace hostutil::test {

void xdotool(const std::vector<std::string>& args) {
  std::string command = "timeout 20 xdotool";
  for (const std::string& a : args) {
    command += " '";
    for (char c : a) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += "'";
  }
  if (FILE* run = popen((command + " >/dev/null 2>&1").c_str(), "w")) pclose(run);
}

}  // namespace hostutil::test
