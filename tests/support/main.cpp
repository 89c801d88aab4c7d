// The suite's main: a child role when asked for one, else the tests; and the
// start of a copy of this program in a role.
#include <gtest/gtest.h>

#include <map>

#include "support/child.h"

namespace hostutil::test {

namespace {
std::map<std::string, child_role>& roles() {
  static std::map<std::string, child_role> r;
  return r;
}

}  // namespace

bool register_child_role(const std::string& name, child_role role) {
  roles()[name] = std::move(role);
  return true;
}

int run_child_role(int argc, char** argv) {
  if (argc < 3 || std::string(argv[1]) != "--child-role") return -1;
  auto it = roles().find(argv[2]);
  if (it == roles().end()) return 99;
  return it->second(std::vector<std::string>(argv + 3, argv + argc));
}

child_process::child_process(const std::string& role, const std::vector<std::string>& args)
    : process([&] {
        std::vector<std::string> argv{self_path(), "--child-role", role};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
      }()) {}

}  // namespace hostutil::test

int main(int argc, char** argv) {
  const int role = hostutil::test::run_child_role(argc, argv);
  if (role >= 0) return role;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
