// The POSIX desktop's handler as the port starts it: recording xdg-open
// programs for help and the browser.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include "hostutil.h"
#include "support/child.h"

namespace fs = std::filesystem;
using lines = std::multiset<std::string>;

namespace {

// A handler of our own in folder: appends its arguments to folder.log.
void write_program(const fs::path& folder, const char* name) {
  fs::create_directories(folder);
  std::ofstream(folder / name) << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" << folder.string()
                               << ".log'\n";
  fs::permissions(folder / name, fs::perms::owner_all);
}

// The lines of a log once it has count of them (a detached handler writes on
// its own time), or after 10 s.
lines log_lines(const fs::path& log, std::size_t count) {
  lines found;
  for (int wait = 0; wait < 1000 && found.size() < count; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(log);
    found.clear();
    for (std::string line; std::getline(in, line);) found.insert(line);
  }
  return found;
}

// args: a folder with a handler, one with another, one with none, and a help
// file. Exit status 0 when every answer was as expected.
HOSTUTIL_CHILD_ROLE(desktop_handlers) {
  const auto path = [&](std::size_t i) { setenv("PATH", args[i].c_str(), 1); };
  const std::string help = args[3];
  path(0);
  ExecuteDefaultBrowser("https://example.org/a b?x=1&y=2");
  // Help files open as documents, the topic or window cut off; the HTML Help
  // entry point stays the handler found first, the others look anew.
  bool ok = DisplayWinHelp(nullptr, help.c_str(), 0xFFFFFFFFu) != 0 &&
            DisplayHtmlHelp(nullptr, (help + "::/topic.htm").c_str(), 0, 0) != nullptr;
  path(1);
  ExecuteDefaultBrowser("https://example.org/second");
  ok = ok && DisplayHtmlHelp(nullptr, (help + ">main").c_str(), 1, 0) != nullptr &&
       DisplayWinHelp(nullptr, help.c_str(), 12) != 0;
  path(2);
  return ok && DisplayWinHelp(nullptr, help.c_str(), 1) == 0 &&
                 DisplayHtmlHelp(nullptr, nullptr, 0, 0) == nullptr
             ? 0
             : 1;
}

TEST(ShellDesktop, HelpAndBrowserReachTheHandler) {
  const fs::path dir = hostutil::test::scratch_folder("shell-xdg");
  const std::string help = (dir / "guide.chm").string();
  for (const char* name : {"first", "second"}) write_program(dir / name, "xdg-open");
  fs::create_directories(dir / "none");
  hostutil::test::child_process handlers(
      "desktop_handlers",
      {(dir / "first").string(), (dir / "second").string(), (dir / "none").string(), help});
  EXPECT_EQ(handlers.wait(), 0);
  EXPECT_EQ(log_lines(dir / "first.log", 4),
            (lines{"https://example.org/a b?x=1&y=2", help, help, help}));
  EXPECT_EQ(log_lines(dir / "second.log", 2), (lines{"https://example.org/second", help}));
  fs::remove_all(dir);
}

}  // namespace
