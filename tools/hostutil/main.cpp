// hostutil: the command-line host of the library. Subcommands and tour steps
// are registered by the files that own them.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "host.h"
#include "hostutil.h"

namespace host {

namespace {
std::vector<command_setup>& setups() {
  static std::vector<command_setup> s;
  return s;
}
std::vector<tour_step>& steps() {
  static std::vector<tour_step> s;
  return s;
}
}  // namespace

bool add_commands(command_setup setup) {
  setups().push_back(std::move(setup));
  return true;
}

bool add_tour_step(tour_step step) {
  steps().push_back(std::move(step));
  return true;
}

void tour_context::say(const std::string& line) const { std::cout << "    " << line << "\n"; }

bool tour_context::check(bool ok, const std::string& what) const {
  std::cout << "    " << (ok ? "ok      " : "FAILED  ") << what << "\n";
  return ok;
}

namespace {

int run_tour() {
  auto all = steps();
  std::stable_sort(all.begin(), all.end(),
                   [](const tour_step& a, const tour_step& b) { return a.order < b.order; });
  tour_context ctx;
  ctx.self = self_path();
  const std::string root = make_scratch_folder();
  if (root.empty()) {
    std::cerr << "hostutil tour: cannot make a scratch folder\n";
    return 1;
  }
  std::cout << "hostutil tour: " << all.size() << " steps, scratch folder " << root << "\n";
  int failed = 0;
  for (const auto& step : all) {
    std::cout << "\n== " << step.title << "\n";
    ctx.scratch = root;
    bool ok = false;
    try {
      ok = step.run(ctx);
    } catch (const std::exception& e) {
      std::cout << "    FAILED  " << e.what() << "\n";
    }
    if (!ok) ++failed;
  }
  remove_tree(root);
  std::cout << "\n" << (all.size() - failed) << " passed, " << failed << " failed\n";
  return failed == 0 ? 0 : 1;
}

}  // namespace
}  // namespace host

int main(int argc, char** argv) {
  CLI::App app{"hostutil: the command-line host of the hostutil library"};
  app.require_subcommand(1);
  auto* tour = app.add_subcommand("tour", "Guided run of every subsystem, in a scratch folder");
  int status = 0;
  tour->callback([&status] { status = host::run_tour(); });
  for (auto& setup : host::setups()) setup(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  return status != 0 ? status : host::exit_code;
}
