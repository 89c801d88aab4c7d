// The real dialogs under X, played with xdotool (ctest's shell_x11; skipped
// elsewhere): zenity on POSIX, Wine's common dialogs for the Windows build. The
// library's own rules (refusals, filter, flags, titles, folder room, help
// commands) are checked by fuzz/shell_fuzz.cpp against stand-ins.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/process.h"
#include "hostutil.h"
#include "support/scratch_files.h"

#if defined(_WIN32)
#include <windows.h>

#include "common/command_line.h"
#endif

namespace fs = std::filesystem;
using steps = std::vector<std::vector<std::string>>;

namespace {

#if defined(_WIN32)
const std::string host_root = "Z:";  // the host's files under Wine
const char* const folder_caption = "Browse for Folder";
const std::vector<std::string> path_field = {"key", "End", "shift+Home"};

// The host's xdotool, bounded in time. Wine can neither wait for a host
// program nor reliably see the end of its output through a pipe: the run ends
// by making a file, which is waited for.
void xdotool(const std::vector<std::string>& args) {
  static std::atomic<unsigned> counter{0};
  const std::string name =
      "hostutil-xdotool-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
  std::vector<std::string> argv{"/bin/sh", "-c",
                                "/usr/bin/timeout 20 /usr/bin/xdotool \"$@\" >/dev/null 2>&1; "
                                ": > \"$0\"",
                                "/tmp/" + name};
  argv.insert(argv.end(), args.begin(), args.end());
  std::string command = hostutil::tools::command_line(argv);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return;
  }
  CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
  const std::string result = "Z:\\tmp\\" + name;
  for (int wait = 0; wait < 3000 && GetFileAttributesA(result.c_str()) == INVALID_FILE_ATTRIBUTES;
       ++wait) {
    Sleep(10);
  }
  DeleteFileA(result.c_str());
}
#else
const std::string host_root;
const char* const folder_caption = "hostutil folder test";
// "/" opens the location field; characters typed while it appears would be
// lost, hence the pause, and select-all makes a second round replace the first.
const std::vector<std::string> path_field = {"key", "slash", "sleep", "0.3", "key", "ctrl+a"};

// xdotool, bounded in time, its output kept out of the test's.
void xdotool(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"/usr/bin/timeout", "20", "/usr/bin/xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  hostutil::tools::run_captured(argv);
}
#endif

steps type_path(const std::string& path) {
  return {path_field, {"type", "--delay", "10", path}, {"key", "Return"}};
}

// Runs the dialog call on this thread while a second one plays the user: it
// gives the focus to the dialog of that caption and sends the steps, again
// while the dialog stays open (a toolkit still settling may drop keys), and at
// last presses Escape rather than hang the suite.
std::uint32_t play(const std::string& caption, const steps& keys,
                   const std::function<std::uint32_t()>& call) {
  std::atomic<bool> done{false};
  std::thread user([&] {
    for (int round = 0; round < 6 && !done; ++round) {
      xdotool({"search", "--sync", "--onlyvisible", "--name", "^" + caption + "$", "windowfocus",
               "--sync", "%1"});
      for (const auto& step : round < 4 ? keys : steps{{"key", "Escape"}})
        if (!done) xdotool(step);
      for (int wait = 0; wait < 40 && !done; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  });
  const std::uint32_t answer = call();
  done = true;
  user.join();
  return answer;
}

using ShellX11 = hostutil::test::files::scratch_test;

TEST_F(ShellX11, FileAndFolderDialogs) {
  if (std::getenv("DISPLAY") == nullptr || !fs::exists(host_root + "/usr/bin/xdotool")) {
    GTEST_SKIP() << "needs xdotool and an X server (ctest's shell_x11 runs a virtual one)";
  }
  const std::string chosen_path = file("chosen.txt", "kept\n");
  char file[260] = {}, title[64], chosen[260] = "unchanged";
  const char* filter = "Text files|*.txt|All files|*.*|";
  FileDialogParameters p{
      filter,  nullptr, file,   sizeof file, title, sizeof title, "hostutil open test",
      nullptr, 0,       nullptr};
  const auto open = [&] { return DisplayFileOpenDialogEx(nullptr, &p); };
  const auto pick = [&] {
    return GetFolderName(nullptr, nullptr, nullptr, "hostutil folder test", 0, chosen, 260);
  };
  // Escape cancels: the title buffer is cleared, the folder left as it was.
  std::memset(title, 'x', sizeof title);
  EXPECT_EQ(play(p.title, {{"key", "Escape"}}, open), HOSTUTIL_DIALOG_CANCEL);
  EXPECT_EQ(std::string(title, sizeof title), std::string(sizeof title, '\0'));
  EXPECT_EQ(play(folder_caption, {{"key", "Escape"}}, pick), HOSTUTIL_DIALOG_CANCEL);
  EXPECT_STREQ(chosen, "unchanged");
  // A typed path and Enter choose it.
  EXPECT_EQ(play(p.title, type_path(chosen_path), open), HOSTUTIL_DIALOG_OK);
  EXPECT_STREQ(file, chosen_path.c_str());
  EXPECT_STREQ(title, "chosen.txt");
  // The Windows dialogs make the chosen folder the current one, which would
  // keep it from being removed.
  fs::current_path(fs::temp_directory_path());
}

}  // namespace
