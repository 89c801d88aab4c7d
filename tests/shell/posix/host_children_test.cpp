// The dialogs and help through stand-in desktop tools: answers that the host's
// own SIGCHLD handling cannot change, and folder paths kept to the caller's buffer.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "hostutil.h"
#include "support/child.h"

namespace fs = std::filesystem;

namespace {

// A zenity that prints the file "reply" and exits with the number in "status",
// its output held open a little longer so that a host's reaping handler takes
// it before the output ends; an xdg-open that starts.
fs::path stand_in_tools() {
  const fs::path dir = hostutil::test::scratch_folder("shell-host");
  const std::string body[] = {"cat \"" + (dir / "reply").string() +
                                  "\"\n(sleep 0.1) &\nexit $(cat \"" + (dir / "status").string() +
                                  "\")\n",
                              "exit 0\n"};
  for (int i = 0; i < 2; ++i) {
    const fs::path program = dir / (i == 0 ? "zenity" : "xdg-open");
    std::ofstream(program) << "#!/bin/sh\n" << body[i];
    fs::permissions(program, fs::perms::owner_all);
  }
  setenv("PATH", (dir.string() + ":" + std::getenv("PATH")).c_str(), 1);
  return dir;
}

void answer(const fs::path& dir, const std::string& reply, int status) {
  std::ofstream(dir / "reply") << reply << "\n";
  std::ofstream(dir / "status") << status;
}

extern "C" void reap_every_child(int) {
  const int saved = errno;
  while (waitpid(-1, nullptr, WNOHANG) > 0) {
  }
  errno = saved;
}

// args: "ignore" (SIGCHLD ignored) or "reap" (a handler that reaps every
// child, without SA_RESTART). Exit status: 0, or the number of the failed check.
HOSTUTIL_CHILD_ROLE(dialogs_under_host_sigchld) {
  struct sigaction host {};
  host.sa_handler = args[0] == "ignore" ? SIG_IGN : reap_every_child;
  sigaction(SIGCHLD, &host, nullptr);
  const fs::path dir = stand_in_tools();
  for (int round = 0; round < 3; ++round) {
    char folder[260] = "kept", file[260] = "";
    answer(dir, "/srv/chosen", 0);
    if (GetFolderName(nullptr, nullptr, nullptr, nullptr, 0, folder, 260) != 1) return 1;
    if (std::strcmp(folder, "/srv/chosen") != 0) return 2;
    if (DisplayFileOpenDialog(nullptr, nullptr, nullptr, 0, nullptr, file, 260) != 1) return 3;
    answer(dir, "", 1);
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
  const std::string saved_path = std::getenv("PATH");
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
    answer(dir, path, 0);
    const std::size_t room = c.size == 0 || c.size > 260 ? 260 : c.size;
    for (const auto pick : {GetFolderName, GetFolderNameEx}) {
      char folder[320], display[320];
      std::memset(folder, 0x5A, sizeof folder);
      std::memset(display, 0x5A, sizeof display);
      std::strcpy(folder, "kept");
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
