// The print server on POSIX: ctest's (HOSTUTIL_TEST_CUPS), or one of its own.
#include "system/print_server.h"

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/child.h"

namespace hostutil::test {

namespace {

// Runs the script with the arguments (quoted for the shell); its exit status, or -1.
int run_script(const std::string& args) {
  const int status = std::system(("/bin/sh '" HOSTUTIL_TEST_CUPS_SCRIPT "' " + args).c_str());
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The server this program started, stopped at exit.
struct own_server {
  std::string dir;
  ~own_server() {
    if (dir.empty()) return;
    run_script("stop '" + dir + "'");
    rmdir(dir.substr(0, dir.rfind('/')).c_str());
  }
};

}  // namespace

std::string path_in(const std::string& folder, const std::string& name) {
  return folder + "/" + name;
}

bool use_print_server(std::string& reason) {
  static own_server own;
  static std::string dir = [] {
    const char* given = getenv("HOSTUTIL_TEST_CUPS");
    if (given != nullptr && *given != '\0') return std::string(given);
    std::string scratch = scratch_folder("cups");
    if (scratch.empty()) return scratch;
    scratch += "server";
    if (run_script("start '" + scratch + "' " + std::to_string(getpid())) != 0)
      return std::string();
    own.dir = scratch;
    setenv("CUPS_SERVER", (scratch + "/cups.sock").c_str(), 1);
    setenv("CUPS_SERVERROOT", (scratch + "/root").c_str(), 1);
    return scratch;
  }();
  if (dir.empty()) {
    reason = "the private print server did not start (see cups-server.sh's messages)";
    return false;
  }
  std::ifstream unavailable(dir + "/unavailable");
  if (unavailable) {
    std::ostringstream text;
    text << unavailable.rdbuf();
    reason = text.str();
    return false;
  }
  setenv("HOSTUTIL_TEST_ADDRESSES", plugin_addresses, 1);
  return true;
}

}  // namespace hostutil::test
