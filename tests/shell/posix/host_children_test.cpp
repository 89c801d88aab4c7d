// The dialogs and help through stand-in desktop tools: answers that the host's
// own SIGCHLD handling cannot change, and folder paths kept to the caller's buffer.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "hostutil.h"
#include "support/child.h"

namespace fs = std::filesystem;

namespace {

// A zenity that prints the file "reply" and exits with status 0, or 1 when
// reply is empty; its output is held open a little longer, so that a host's
// reaping handler takes it before the output ends. An xdg-open that starts.
fs::path stand_in_tools() {
  const fs::path dir = hostutil::test::scratch_folder("shell-host");
  const std::string reply = "\"" + (dir / "reply").string() + "\"";
  for (const auto& [name, body] :
       {std::pair<const char*, std::string>{"xdg-open", ""},
        {"zenity", "cat " + reply + "; (sleep 0.1) & test -s " + reply}}) {
    std::ofstream(dir / name) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(dir / name, fs::perms::owner_all);
  }
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
