// The POSIX desktop's programs as the port starts them: recording xdg-open
// handlers for help and the browser, zenity and kdialog of our own; answers
// that the host's own SIGCHLD handling cannot change.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
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

// A program of our own in folder, a shell script that appends its arguments to its path and .log
// and prints reply, with its output held open a little longer, so that a host's reaping handler
// takes it before the output ends; status 1 (the user cancels) when reply is empty.
void write_logger(const fs::path& folder, const char* name, const std::string& reply = "") {
  fs::create_directories(folder);
  std::ofstream(folder / name) << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"$0.log\"\necho " << reply
                               << "\n(/bin/sleep 0.1) &\ntest -n \"" << reply << "\"\n";
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

// args: what the host does with SIGCHLD ("default", "ignore", or "reap": a
// handler without SA_RESTART that reaps every child); a folder with a handler
// and zenity, one with another handler and kdialog, one with a zenity whose
// user cancels, one with neither; a help file. Exit status 0 when every answer
// was as expected.
HOSTUTIL_CHILD_ROLE(desktop_handlers) {
  struct sigaction host {};
  host.sa_handler = args[0] == "ignore" ? SIG_IGN : +[](int) {
    const int saved = errno;
    while (waitpid(-1, nullptr, WNOHANG) > 0) continue;
    errno = saved;
  };
  if (args[0] != "default") sigaction(SIGCHLD, &host, nullptr);
  const auto path = [&](std::size_t i) { setenv("PATH", args[i].c_str(), 1); };
  const std::string& help = args[5];
  const hu_HWND window = reinterpret_cast<hu_HWND>(std::uintptr_t{77});
  char file[260] = "start";
  FileDialogParameters p{"Text|*.txt|", nullptr, file, 260, nullptr, 0, "Save", "/d", 2, "txt"};
  path(1);
  ExecuteDefaultBrowser("https://example.org/a b?x=1&y=2");
  // Help files open as documents, the topic or window cut off; the HTML Help
  // entry point stays the handler found first, the others look anew. A name
  // saved without an extension gets the default one.
  bool ok = DisplayWinHelp(nullptr, help.c_str(), 0xFFFFFFFFu) != 0 &&
            DisplayHtmlHelp(nullptr, (help + "::/topic.htm").c_str(), 0, 0) != nullptr &&
            DisplayFileSaveDialogEx(window, &p) == 1 && std::string(file) == "/d/report.txt";
  path(2);
  ExecuteDefaultBrowser("https://example.org/second");
  ok = ok && DisplayHtmlHelp(nullptr, (help + ">main").c_str(), 1, 0) != nullptr &&
       DisplayWinHelp(nullptr, help.c_str(), 12) != 0 &&
       DisplayFileOpenDialog(window, nullptr, nullptr, 0, p.filter, file, 260) == 1 &&
       GetFolderName(window, nullptr, nullptr, "Pick", 0, file, 260) == 1 &&
       std::string(file) == "/d/f";
  path(3);
  ok = ok && DisplayFileOpenDialog(window, nullptr, nullptr, 0, nullptr, file, 260) == 2 &&
       GetFolderName(window, nullptr, nullptr, "Pick", 0, file, 260) == 2 &&
       std::string(file) == "/d/f";
  path(4);
  return !(ok && DisplayWinHelp(nullptr, help.c_str(), 1) == 0 &&
           DisplayHtmlHelp(nullptr, nullptr, 0, 0) == nullptr &&
           GetFolderName(window, nullptr, nullptr, "Pick", 0, file, 260) == 2);
}

TEST(ShellDesktop, HandlersAndDialogsWhateverTheHostDoesWithSigchld) {
  for (const char* mode : {"default", "ignore", "reap"}) {
    SCOPED_TRACE(mode);
    const fs::path dir = hostutil::test::scratch_folder("shell-xdg");
    const std::string help = (dir / "guide.chm").string();
    for (const char* name : {"first", "second"}) write_logger(dir / name, "xdg-open");
    write_logger(dir / "first", "zenity", "/d/report");
    write_logger(dir / "second", "kdialog", "/d/f");
    write_logger(dir / "cancel", "zenity");
    const auto at = [&](const char* name) { return (dir / name).string(); };
    hostutil::test::child_process handlers(
        "desktop_handlers", {mode, at("first"), at("second"), at("cancel"), at("none"), help});
    EXPECT_EQ(handlers.wait(), 0);
    EXPECT_EQ(log_lines(dir / "first" / "xdg-open.log", 4),
              (lines{"https://example.org/a b?x=1&y=2", help, help, help}));
    EXPECT_EQ(log_lines(dir / "second" / "xdg-open.log", 2),
              (lines{"https://example.org/second", help}));
    fs::remove_all(dir);
  }
}

}  // namespace
