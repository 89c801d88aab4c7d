// The POSIX desktop's programs as the port starts them: recording xdg-open
// handlers for help and the browser, and a zenity that fails.
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

// A program of our own in folder: appends its arguments to folder.log, prints
// a path of 300 characters and exits with status.
void write_program(const fs::path& folder, const char* name, int status = 0) {
  fs::create_directories(folder);
  std::ofstream(folder / name) << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" << folder.string()
                               << ".log'\necho /" << std::string(299, 'x') << "\nexit " << status
                               << "\n";
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

// args: folders with a handler, with another, with one that cannot start,
// with none; a help file. Exit status 0 when every answer was as expected.
HOSTUTIL_CHILD_ROLE(desktop_handlers) {
  const auto path = [&](std::size_t i) { setenv("PATH", args[i].c_str(), 1); };
  const char* help = args[4].c_str();
  path(3);  // none: a handler missing at the first HTML Help call is missing for good
  ExecuteDefaultBrowser("https://example.org/none");
  bool ok =
      DisplayWinHelp(nullptr, help, 1) == 0 && DisplayHtmlHelp(nullptr, help, 0, 0) == nullptr;
  path(0);
  ok = ok && DisplayHtmlHelp(nullptr, help, 0, 0) == nullptr;
  ExecuteDefaultBrowser("https://example.org/a b?x=1&y=2");
  ok = ok && DisplayWinHelp(nullptr, help, 0xFFFFFFFFu) != 0 &&
       DisplayWinHelp(nullptr, help, 12) != 0;
  path(2);
  return ok && DisplayWinHelp(nullptr, help, 1) == 0 && DisplayWinHelp(nullptr, nullptr, 1) == 0
             ? 0
             : 1;
}

HOSTUTIL_CHILD_ROLE(html_help_handler) {
  setenv("PATH", args[0].c_str(), 1);
  // The help entry point stays the handler found first; the topic is cut off.
  if (DisplayHtmlHelp(nullptr, (args[2] + "::/topic.htm").c_str(), 0, 0) == nullptr) return 1;
  setenv("PATH", args[1].c_str(), 1);
  return DisplayHtmlHelp(nullptr, (args[2] + ">main").c_str(), 1, 0) != nullptr &&
                 DisplayHtmlHelp(nullptr, nullptr, 0, 0) == nullptr
             ? 0
             : 1;
}

TEST(ShellDesktop, HelpAndBrowserReachTheHandler) {
  const fs::path dir = hostutil::test::scratch_folder("shell-xdg");
  const std::string help = (dir / "guide.chm").string();
  for (const char* name : {"first", "second"}) write_program(dir / name, "xdg-open");
  fs::create_directories(dir / "none");
  fs::create_directories(dir / "broken");
  std::ofstream(dir / "broken" / "xdg-open") << "#!/nonexistent/interpreter\n";
  fs::permissions(dir / "broken" / "xdg-open", fs::perms::owner_all);
  const auto at = [&](const char* name) { return (dir / name).string(); };
  hostutil::test::child_process handlers(
      "desktop_handlers", {at("first"), at("second"), at("broken"), at("none"), help});
  EXPECT_EQ(handlers.wait(), 0);
  EXPECT_EQ(log_lines(dir / "first.log", 3),
            (lines{"https://example.org/a b?x=1&y=2", help, help}));
  hostutil::test::child_process html("html_help_handler", {at("second"), at("first"), help});
  EXPECT_EQ(html.wait(), 0);
  EXPECT_EQ(log_lines(dir / "second.log", 2), (lines{help, help}));
  fs::remove_all(dir);
}

// What the real dialogs cannot show: a dialog program that fails (-1 is 255)
// or is missing answers 2; a path that does not fit is never written, and
// answers 2 from the file dialogs, 1 from the folder picker.
TEST(ShellDesktop, AFailedOrMissingDialogProgram) {
  const fs::path dir = hostutil::test::scratch_folder("shell-zenity");
  const std::string saved = std::getenv("PATH");
  for (const int status : {255, 0, -1}) {
    if (status >= 0) write_program(dir / std::to_string(status), "zenity", status);
    setenv("PATH", (dir / std::to_string(status)).c_str(), 1);
    char file[260] = "kept";
    EXPECT_EQ(DisplayFileOpenDialog(nullptr, nullptr, nullptr, 0, nullptr, file, 260),
              HOSTUTIL_DIALOG_CANCEL);
    EXPECT_EQ(GetFolderName(nullptr, nullptr, nullptr, "Pick", 0, file, 260),
              status == 0 ? HOSTUTIL_DIALOG_OK : HOSTUTIL_DIALOG_CANCEL);
    EXPECT_STREQ(file, "kept") << status;
  }
  setenv("PATH", saved.c_str(), 1);
  fs::remove_all(dir);
}

}  // namespace
