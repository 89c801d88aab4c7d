// Dialogs, help and browser against the recording stand-in (no window opens);
// then the real dialogs under X, played with xdotool (ctest's shell_x11;
// skipped elsewhere): zenity on POSIX, Wine's common dialogs for the Windows build.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "dialog_stand_in.h"
#include "hostutil.h"
#include "support/child.h"

#if defined(_WIN32)
#include <windows.h>

#include "common/command_line.h"
#endif

namespace fs = std::filesystem;
using steps = std::vector<std::vector<std::string>>;

namespace {

using hostutil::test::text;
using std::string;

const hu_HWND owner = reinterpret_cast<hu_HWND>(std::uintptr_t{0x2A0042});

// A record with a 64-byte file and a 32-byte title buffer, shown in its record
// (Ex) or argument form with the record's settings.
struct dialog_case {
  char file[64] = "start.txt", title[32] = {};
  FileDialogParameters p{nullptr, "proposed.txt", file, 64, title, 32, "T", "D", 0, "e"};
  std::uint32_t show(bool record_form, bool save, hu_HWND by = owner) {
    if (record_form) return (save ? DisplayFileSaveDialogEx : DisplayFileOpenDialogEx)(by, &p);
    return (save ? DisplayFileSaveDialog : DisplayFileOpenDialog)(
        by, p.defaultExtension, p.initialFileName, p.flags, p.filter, file, sizeof file);
  }
};

TEST(ShellDialogs, RefusalsOpenNoDialog) {
  hostutil::test::dialog_stand_in stand_in;
  dialog_case c, no_file, no_size;
  no_file.p.file = nullptr, no_size.p.fileSize = 0;
  const hu_HWND refused = reinterpret_cast<hu_HWND>(~std::uintptr_t{0});
  for (const std::uint32_t answer :
       {c.show(true, false, refused), c.show(true, true, refused), c.show(false, true, refused),
        no_file.show(true, false), no_size.show(true, true),
        DisplayFileOpenDialogEx(owner, nullptr),
        GetFolderName(owner, nullptr, nullptr, "t", 0, nullptr, 260)}) {
    EXPECT_EQ(answer, HOSTUTIL_DIALOG_CANCEL);
  }
  EXPECT_EQ(stand_in.file_dialogs.size() + stand_in.folders.size(), 0u);
  EXPECT_STREQ(c.file, "start.txt");  // a refused save proposes nothing either
}

TEST(ShellDialogs, TheDialogRecordFromBothForms) {
  using namespace std::string_literals;
  // Record form, save, filter, flags; the list as the dialog sees the
  // library's 260-byte buffer (none for the record form without a filter, an
  // empty one for the argument form) and the flags: always hide read-only
  // files and ask for existing ones, the overwrite question for the Ex save.
  // clang-format off
  const std::tuple<bool, bool, const char*, std::uint32_t, text, std::uint32_t> cases[] = {
      {true, false, "Text files|*.txt|", 0, "Text files\0*.txt\0"s, 0x1004},
      {false, true, "Text files|*.txt|All|*.*|", 0, "Text files\0*.txt\0All\0*.*\0"s, 0x1004},
      {true, false, nullptr, 0x200, std::nullopt, 0x1204}, {false, false, nullptr, 0x80000, ""s, 0x81004},
      {false, true, "A|*.a", 0x2, "A\0*.a"s, 0x1006},      {true, true, "B|*.b|", 0x200, "B\0*.b\0"s, 0x1206}};
  // clang-format on
  for (const auto& [record_form, save, filter, flags, list, expected_flags] : cases) {
    hostutil::test::dialog_stand_in stand_in;
    dialog_case d;
    d.p.filter = filter, d.p.flags = flags;
    ASSERT_TRUE(d.show(record_form, save) == HOSTUTIL_DIALOG_OK &&
                stand_in.file_dialogs.size() == 1);
    const auto& [s_save, s, s_filter, file_at_call, title_buffer_clear] = stand_in.file_dialogs[0];
    EXPECT_EQ(s_filter, list ? text(*list + string(260 - list->size(), '\0')) : list);
    EXPECT_EQ(std::tuple(s.flags, s_save, d.p.flags), std::tuple(expected_flags, save, flags));
    // The save dialog starts from the proposed name, the open one from the
    // file buffer; caption and folder come from the record form alone; the
    // title buffer is the library's own, 260 bytes and cleared.
    EXPECT_EQ(
        std::tuple(s.owner, s.file, file_at_call, s.title, s.initial_directory, s.default_extension,
                   s.file_title_size, title_buffer_clear),
        std::tuple(owner, d.file, save ? "proposed.txt" : "start.txt",
                   record_form ? d.p.title : nullptr, record_form ? d.p.initialDirectory : nullptr,
                   d.p.defaultExtension, 260u, true));
  }
}

TEST(ShellDialogs, AnswersAndTheFileTitleRule) {
  hostutil::test::dialog_stand_in stand_in;
  stand_in.chosen_path = "/data/report.txt";
  // The title buffer's size, whether the user confirms, and its 32 bytes
  // after: cleared whole, then the title; left alone when the title and its
  // NUL do not fit or the size is 0; cleared after a cancel.
  const string report = "report.txt";
  // clang-format off
  const std::tuple<std::uint32_t, bool, string> cases[] = {
      {11, true, report + '\0' + string(21, 'U')}, {32, true, report + string(22, '\0')},
      {10, true, string(32, 'U')}, {32, false, string(32, '\0')}, {0, false, string(32, 'U')}};
  // clang-format on
  for (const auto& [size, confirm, after] : cases) {
    dialog_case c;
    std::memset(c.title, 'U', sizeof c.title);
    c.p.fileTitleSize = size, stand_in.answer = confirm;
    stand_in.chosen_title = confirm ? report : "";
    EXPECT_EQ(c.show(true, size % 2 == 1), confirm ? HOSTUTIL_DIALOG_OK : HOSTUTIL_DIALOG_CANCEL);
    EXPECT_EQ(string(c.title, sizeof c.title), after) << size;
    EXPECT_STREQ(c.file, confirm ? "/data/report.txt" : "start.txt") << size;
  }
}

TEST(ShellDialogs, FolderPickers) {
  hostutil::test::dialog_stand_in stand_in;
  stand_in.chosen_folder = "/data/projects";
  char folder[260] = {};
  const auto callback = reinterpret_cast<hu_BFFCALLBACK>(std::uintptr_t{0x2000});
  EXPECT_EQ(DisplayFolderDialogAndGetOpenFolderName(owner, nullptr, nullptr, "Choose", 0x10,
                                                    callback, 77, -3, folder, nullptr),
            HOSTUTIL_DIALOG_OK);
  EXPECT_STREQ(folder, "/data/projects");
  // The two named forms are one operation: file-system folders, new style, no callback.
  EXPECT_EQ(GetFolderNameEx(owner, nullptr, nullptr, "Choose", 5, folder, 1), HOSTUTIL_DIALOG_OK);
  EXPECT_EQ(GetFolderName(owner, nullptr, nullptr, "Choose", 5, folder, 9), HOSTUTIL_DIALOG_OK);
  EXPECT_EQ(stand_in.folders, (decltype(stand_in.folders){{owner, "Choose", 0x10, callback, 77, -3},
                                                          {owner, "Choose", 0x41, nullptr, 0, 5},
                                                          {owner, "Choose", 0x41, nullptr, 0, 5}}));
}

TEST(ShellHelp, WinHelpTopicOrContentsAndTheBrowser) {
  hostutil::test::dialog_stand_in stand_in;
  stand_in.win_help_answer = 7;
  EXPECT_EQ(DisplayWinHelp(owner, "app.hlp", 42) + DisplayWinHelp(nullptr, "a.hlp", ~0u), 14u);
  // HELP_CONTEXT (1) with the topic, or HELP_FINDER (0x0B) with 0 for all ones.
  EXPECT_EQ(stand_in.win_help_calls, (decltype(stand_in.win_help_calls){
                                         {owner, "app.hlp", 1, 42}, {nullptr, "a.hlp", 0x0B, 0}}));
  // The browser opens what it is given, and nothing for a missing text.
  ExecuteDefaultBrowser(nullptr);
  ExecuteDefaultBrowser("https://example.org/a b?x=1&y=2");
  EXPECT_EQ(stand_in.urls, (std::vector<string>{"https://example.org/a b?x=1&y=2"}));
}

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

// xdotool through the shell, bounded in time.
void xdotool(const std::vector<std::string>& args) {
  std::string command = "timeout 20 xdotool";
  for (const std::string& a : args) {
    command += " '";
    for (char c : a) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += "'";
  }
  if (FILE* run = popen((command + " >/dev/null 2>&1").c_str(), "w")) pclose(run);
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

TEST(ShellX11, FileAndFolderDialogs) {
  if (std::getenv("DISPLAY") == nullptr || !fs::exists(host_root + "/usr/bin/xdotool")) {
    GTEST_SKIP() << "needs xdotool and an X server (ctest's shell_x11 runs a virtual one)";
  }
  const std::string folder = hostutil::test::scratch_folder("x11"), path = folder + "chosen.txt";
  std::ofstream(path) << "kept\n";
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
  EXPECT_EQ(play(p.title, type_path(path), open), HOSTUTIL_DIALOG_OK);
  EXPECT_STREQ(file, path.c_str());
  EXPECT_STREQ(title, "chosen.txt");
  // The Windows dialogs make the chosen folder the current one, which would
  // keep it from being removed.
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(folder);
}

}  // namespace
