// hostutil: the command-line host of the library. Subcommands and tour steps
// are registered by the files that own them; the helpers they share are here.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "common/process.h"
#include "host.h"

namespace host {

namespace {
// What the files register as they start, reached through a function so that it
// exists before the first of them; and the work of the subcommand chosen.
struct registry {
  std::vector<command_setup> setups;
  std::vector<tour_step> steps;
  std::function<int()> chosen;
};
registry& registered() {
  static registry r;
  return r;
}
}  // namespace

bool add_commands(command_setup setup) {
  registered().setups.push_back(std::move(setup));
  return true;
}

void runs(CLI::App* command, std::function<int()> work) {
  command->callback([work = std::move(work)] { registered().chosen = work; });
}

bool add_tour_step(tour_step step) {
  registered().steps.push_back(std::move(step));
  return true;
}

void tour_context::say(const std::string& line) const { std::cout << "    " << line << "\n"; }

bool tour_context::check(bool ok, const std::string& what) const {
  std::cout << "    " << (ok ? "ok      " : "FAILED  ") << what << "\n";
  return ok;
}

int fail(int status, const std::string& message) {
  std::cerr << message << "\n";
  return status;
}

std::optional<std::string> read_file(const std::string& path) {
  std::ifstream file;
  if (!path.empty()) {
    file.open(path, std::ios::binary);
    if (!file) return std::nullopt;
  }
  std::istream& in = path.empty() ? std::cin : file;
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return bytes;
}

std::string hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

std::string trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::string one_line(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
  return out;
}

namespace {

// One step, in the copy of this program that the tour placed in its scratch
// folder: that folder is the step's, and the program's.
int run_copied_step(int order) {
  const std::string self = hostutil::tools::self_path();
  tour_context ctx{self.substr(0, self.find_last_of("/\\") + 1), self};
  for (const auto& step : registered().steps) {
    if (step.order == order) return step.run(ctx) ? 0 : 1;
  }
  return 1;
}

int run_tour(int copied_step) {
  if (copied_step >= 0) return run_copied_step(copied_step);
  auto all = registered().steps;
  std::stable_sort(all.begin(), all.end(),
                   [](const tour_step& a, const tour_step& b) { return a.order < b.order; });
  const std::string root = hostutil::tools::scratch_folder("tour");
  if (root.empty()) return fail(1, "hostutil tour: cannot make a scratch folder");
  tour_context ctx{root, hostutil::tools::self_path()};
  std::string copy;  // of this program in the scratch folder, made when a step needs it
  std::cout << "hostutil tour: " << all.size() << " steps, scratch folder " << root << "\n";
  std::size_t failed = 0;
  for (const auto& step : all) {
    std::cout << "\n== " << step.title << "\n";
    bool ok = false;
    try {
      if (step.beside_program && copy.empty()) {
        copy = hostutil::tools::copy_of_self(root, "SemaphoreControlBegin");
        if (copy.empty()) ctx.check(false, "cannot copy the program into " + root);
      }
      if (!step.beside_program) {
        ok = step.run(ctx);
      } else if (!copy.empty()) {
        const std::vector<std::string> argv{copy, "tour", "--step", std::to_string(step.order)};
        ok = hostutil::tools::process(argv).wait() == 0;
      }
    } catch (const std::exception& e) {
      ctx.check(false, e.what());
    }
    if (!ok) ++failed;
  }
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  std::cout << "\n" << (all.size() - failed) << " passed, " << failed << " failed\n";
  return failed == 0 ? 0 : 1;
}

}  // namespace
}  // namespace host

int main(int argc, char** argv) {
  CLI::App app{"hostutil: the command-line host of the hostutil library"};
  app.require_subcommand(1);
  // The version of the library this host was built with and ships beside.
  app.set_version_flag("--version", "hostutil " HOSTUTIL_VERSION,
                       "Print the library's version and exit");
  auto* tour = app.add_subcommand("tour", "Guided run of every subsystem, in a scratch folder");
  static int copied_step = -1;
  tour->add_option("--step", copied_step)->group("");  // how the tour starts its copy
  host::runs(tour, [] { return host::run_tour(copied_step); });
  for (auto& setup : host::registered().setups) setup(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  const auto& work = host::registered().chosen;
  return work ? work() : 0;
}
