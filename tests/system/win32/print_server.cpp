// The print server under Wine: ctest's, whose printers Wine's spooler lists (Unix as Z:).
#include "system/print_server.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>

namespace hostutil::test {

std::string path_in(const std::string& folder, const std::string& name) {
  return folder + "\\" + name;
}

bool use_print_server(std::string& reason) {
  const char* dir = getenv("HOSTUTIL_TEST_CUPS");
  if (dir == nullptr || *dir == '\0') {
    reason = "no print server: ctest starts one for this suite (cups-server.sh)";
    return false;
  }
  std::ifstream unavailable(std::string("Z:") + dir + "/unavailable");
  if (unavailable) {
    std::ostringstream text;
    text << unavailable.rdbuf();
    reason = text.str();
    return false;
  }
  _putenv_s("HOSTUTIL_TEST_ADDRESSES", plugin_addresses);
  return true;
}

}  // namespace hostutil::test
