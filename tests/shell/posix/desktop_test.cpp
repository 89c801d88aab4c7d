// The POSIX desktop's programs as the port starts them: recording xdg-open
// handlers for help and the browser, zenity and kdialog of our own; answers
// that the host's own SIGCHLD handling cannot change, and folder paths kept to
// the caller's buffer.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
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

// A program of our own in folder: a shell script of the body.
void write_program(const fs::path& folder, const char* name, const std::string& body) {
  fs::create_directories(folder);
  std::ofstream(folder / name) << "#!/bin/sh\n" << body << "\n";
  fs::permissions(folder / name, fs::perms::owner_all);
}

// One that appends its arguments to its path and .log, and prints reply.
void write_logger(const fs::path& folder, const char* name, const std::string& reply = "") {
  write_program(folder, name, "printf '%s\\n' \"$*\" >> \"$0.log\"\necho " + reply);
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

// args: a folder with a handler and zenity, one with another handler and
// kdialog, one with neither, and a help file. Exit status 0 when every answer
// was as expected.
HOSTUTIL_CHILD_ROLE(desktop_handlers) {
  const auto path = [&](std::size_t i) { setenv("PATH", args[i].c_str(), 1); };
  const hu_HWND window = reinterpret_cast<hu_HWND>(std::uintptr_t{77});
  char file[260] = "start";
  FileDialogParameters p{"Text|*.txt|", nullptr, file, 260, nullptr, 0, "Save", "/d", 2, "txt"};
  path(0);
  ExecuteDefaultBrowser("https://example.org/a b?x=1&y=2");
  // Help files open as documents, the topic or window cut off; the HTML Help
  // entry point stays the handler found first, the others look anew. A name
  // saved without an extension gets the default one.
  bool ok = DisplayWinHelp(nullptr, args[3].c_str(), 0xFFFFFFFFu) != 0 &&
            DisplayHtmlHelp(nullptr, (args[3] + "::/topic.htm").c_str(), 0, 0) != nullptr &&
            DisplayFileSaveDialogEx(window, &p) == 1 && std::string(file) == "/d/report.txt";
  path(1);
  ExecuteDefaultBrowser("https://example.org/second");
  ok = ok && DisplayHtmlHelp(nullptr, (args[3] + ">main").c_str(), 1, 0) != nullptr &&
       DisplayWinHelp(nullptr, args[3].c_str(), 12) != 0 &&
       DisplayFileOpenDialog(window, nullptr, nullptr, 0, p.filter, file, 260) == 1 &&
       GetFolderName(window, nullptr, nullptr, "Pick", 0, file, 260) == 1 &&
       std::string(file) == "/d/f";
  path(2);
  return !(ok && DisplayWinHelp(nullptr, args[3].c_str(), 1) == 0 &&
           DisplayHtmlHelp(nullptr, nullptr, 0, 0) == nullptr &&
           GetFolderName(window, nullptr, nullptr, "Pick", 0, file, 260) == 2);
}

TEST(ShellDesktop, HelpAndBrowserReachTheHandler) {
  const fs::path dir = hostutil::test::scratch_folder("shell-xdg");
  const std::string help = (dir / "guide.chm").string();
  for (const char* name : {"first", "second"}) write_logger(dir / name, "xdg-open");
  write_logger(dir / "first", "zenity", "/d/report");
  write_logger(dir / "second", "kdialog", "/d/f");
  const auto at = [&](const char* name) { return (dir / name).string(); };
  hostutil::test::child_process handlers("desktop_handlers",
                                         {at("first"), at("second"), at("none"), help});
  EXPECT_EQ(handlers.wait(), 0);
  EXPECT_EQ(log_lines(dir / "first" / "xdg-open.log", 4),
            (lines{"https://example.org/a b?x=1&y=2", help, help, help}));
  EXPECT_EQ(log_lines(dir / "second" / "xdg-open.log", 2),
            (lines{"https://example.org/second", help}));
  fs::remove_all(dir);
}

// A zenity that prints the file "reply" and exits with status 0, or 1 when
// reply is empty; its output is held open a little longer, so that a host's
// reaping handler takes it before the output ends. An xdg-open that starts.
fs::path stand_in_tools() {
  const fs::path dir = hostutil::test::scratch_folder("shell-host");
  const std::string reply = "\"" + (dir / "reply").string() + "\"";
  write_program(dir, "xdg-open", "");
  write_program(dir, "zenity", "cat " + reply + "; (sleep 0.1) & test -s " + reply);
  setenv("PATH", (dir.string() + ":" + getenv("PATH")).c_str(), 1);
  return dir;
}

// args: "ignore" (SIGCHLD ignored) or "reap" (a handler, without SA_RESTART,
// that reaps every child). Exit status: 0, or the number of the failed check.
HOSTUTIL_CHILD_ROLE(dialogs_under_host_sigchld) {
  struct sigaction host {};
  host.sa_handler = args[0] == "ignore" ? SIG_IGN : +[](int) {
    const int saved = errno;
    while (waitpid(-1, nullptr, WNOHANG) > 0) continue;
    errno = saved;
  };
  sigaction(SIGCHLD, &host, nullptr);
  const fs::path dir = stand_in_tools();
  for (int round = 0; round < 3; ++round) {
    char folder[260] = "kept", file[260] = "";
    std::ofstream(dir / "reply") << "/srv/chosen\n";
    if (GetFolderName(nullptr, nullptr, nullptr, nullptr, 0, folder, 260) != 1) return 1;
    if (std::strcmp(folder, "/srv/chosen") != 0) return 2;
    if (DisplayFileOpenDialog(nullptr, nullptr, nullptr, 0, nullptr, file, 260) != 1) return 3;
    std::ofstream(dir / "reply").flush();  // empty: the user cancels
    if (DisplayFileOpenDialog(nullptr, nullptr, nullptr, 0, nullptr, file, 260) != 2) return 4;
    if (DisplayWinHelp(nullptr, "/srv/guide.hlp", 1) != 1) return 5;
    if (DisplayHtmlHelp(nullptr, "/srv/guide.chm", 0, 0) == nullptr) return 6;
  }
  fs::remove_all(dir);
  return 0;
}

TEST(ShellHostChildren, AnswersWhenTheHostIgnoresOrReapsChildren) {
  for (const char* mode : {"ignore", "reap"}) {
    hostutil::test::child_process child("dialogs_under_host_sigchld", {mode});
    ASSERT_TRUE(child.started());
    EXPECT_EQ(child.wait(), 0) << mode;
  }
}

// At most 260 bytes, and no more than folderPathSize when it is given (not 0);
// displayName holds 260. A path that does not fit leaves folderPath as it was.
TEST(ShellHostChildren, FolderPathsKeepToTheCallersBuffer) {
  const std::string saved_path = getenv("PATH");
  const fs::path dir = stand_in_tools();
  const struct {
    std::uint32_t size;
    std::size_t name_length;  // the path is "/" and a name of this length
    bool written;
  } cases[] = {{64, 62, true},    {64, 63, false}, {1, 0, false},   {300, 258, true},
               {300, 259, false}, {0, 258, true},  {0, 259, false}, {0, 300, false}};
  for (const auto& c : cases) {
    const std::string path = "/" + std::string(c.name_length, 'n');
    SCOPED_TRACE(std::to_string(c.size) + " " + path);
    std::ofstream(dir / "reply") << path << "\n";
    const std::size_t room = c.size == 0 || c.size > 260 ? 260 : c.size;
    for (const auto pick : {GetFolderName, GetFolderNameEx}) {
      char folder[320] = "kept", display[320];
      std::memset(folder + 5, 0x5A, sizeof folder - 5);
      std::memset(display, 0x5A, sizeof display);
      const std::string before(folder, sizeof folder);
      EXPECT_EQ(pick(nullptr, nullptr, display, nullptr, 0, folder, c.size), HOSTUTIL_DIALOG_OK);
      const std::string after(folder, sizeof folder);
      EXPECT_EQ(after.substr(room), before.substr(room));
      EXPECT_EQ(c.written ? std::string(folder) : after, c.written ? path : before);
      EXPECT_EQ(std::string(display + 260, display + sizeof display), std::string(60, 0x5A));
    }
  }
  setenv("PATH", saved_path.c_str(), 1);
  fs::remove_all(dir);
}

}  // namespace
