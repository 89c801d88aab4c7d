// xdotool on POSIX: a pipe from the shell.
#include "../desktop_driver.h"

#include <cstdio>
#include <cstring>

namespace hostutil::test {

void xdotool(const std::vector<std::string>& args, std::vector<std::string>* output) {
  std::string command = "timeout 20 xdotool";
  for (const std::string& a : args) {
    command += " '";
    for (char c : a) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += "'";
  }
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return;
  for (char line[512]; std::fgets(line, sizeof line, pipe) != nullptr;) {
    if (output != nullptr) output->push_back(std::string(line, std::strcspn(line, "\n")));
  }
  pclose(pipe);
}

}  // namespace hostutil::test
