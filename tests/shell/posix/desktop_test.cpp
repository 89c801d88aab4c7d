// The POSIX port's desktop side without a display: the zenity and kdialog
// command lines, the chosen path put back, a scripted zenity run for real, and
// xdg-open replaced by a recording script first in PATH.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "hostutil.h"
#include "os/posix/dialog_command.h"
#include "support/child.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using hostutil::os::file_dialog_request;
using hostutil::os::folder_request;
using namespace hostutil::os::desktop;
using strings = std::vector<std::string>;

namespace {

void write_script(const fs::path& path, const std::string& body) {
  std::ofstream(path) << "#!/bin/sh\n" << body;
  fs::permissions(path, fs::perms::owner_all);
}

std::string read_all(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::multiset<std::string> lines_of(const std::string& text) {
  std::multiset<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.insert(line);
  return lines;
}

// The detached handler writes on its own time: wait for the expected lines.
std::multiset<std::string> wait_for_lines(const fs::path& log, std::size_t count) {
  const auto end = std::chrono::steady_clock::now() + 10s;
  std::multiset<std::string> lines;
  while (std::chrono::steady_clock::now() < end) {
    lines = lines_of(read_all(log));
    if (lines.size() >= count) break;
    std::this_thread::sleep_for(10ms);
  }
  return lines;
}

// PATH for the length of one test.
class path_override {
 public:
  explicit path_override(const std::string& path) {
    const char* old = std::getenv("PATH");
    had_ = old != nullptr;
    if (had_) saved_ = old;
    setenv("PATH", path.c_str(), 1);
  }
  ~path_override() {
    if (had_) {
      setenv("PATH", saved_.c_str(), 1);
    } else {
      unsetenv("PATH");
    }
  }

 private:
  bool had_ = false;
  std::string saved_;
};

file_dialog_request request_for(char* file, std::uint32_t size) {
  file_dialog_request r{};
  r.file = file;
  r.file_size = size;
  return r;
}

TEST(ShellDesktop, ZenityCommandLines) {
  static const char filter[] = "Text files\0*.txt;*.log\0All files\0*.*\0";
  char file[64] = "notes.txt";
  file_dialog_request r = request_for(file, sizeof file);
  r.filter = filter;
  r.title = "Open notes";
  r.initial_directory = "/srv/data";
  r.flags = 0x1004;
  EXPECT_EQ(file_dialog_command(dialog_tool::zenity, "/usr/bin/zenity", file_dialog_kind::open, r),
            (strings{"/usr/bin/zenity", "--file-selection", "--title=Open notes",
                     "--filename=/srv/data/notes.txt", "--file-filter=Text files | *.txt *.log",
                     "--file-filter=All files | *"}));

  // Save: the overwrite question exactly when the flags carry it; an X window
  // owner attaches the dialog.
  r.owner = reinterpret_cast<hu_HWND>(std::uintptr_t{0x400007});
  r.filter = nullptr;
  r.title = nullptr;
  r.flags = 0x1006;
  EXPECT_EQ(file_dialog_command(dialog_tool::zenity, "z", file_dialog_kind::save, r),
            (strings{"z", "--file-selection", "--save", "--confirm-overwrite",
                     "--filename=/srv/data/notes.txt", "--modal", "--attach=4194311"}));
  r.flags = 0x1004;
  std::strcpy(file, "/abs/name.txt");
  r.owner = reinterpret_cast<hu_HWND>(std::uintptr_t{0x7F0000001000});  // not an X window id
  EXPECT_EQ(file_dialog_command(dialog_tool::zenity, "z", file_dialog_kind::save, r),
            (strings{"z", "--file-selection", "--save", "--filename=/abs/name.txt"}));
  // Open never asks, whatever the flags; an empty name starts in the folder.
  file[0] = '\0';
  r.owner = nullptr;
  r.flags = 0x1006;
  EXPECT_EQ(file_dialog_command(dialog_tool::zenity, "z", file_dialog_kind::open, r),
            (strings{"z", "--file-selection", "--filename=/srv/data/"}));
  r.initial_directory = nullptr;
  EXPECT_EQ(file_dialog_command(dialog_tool::zenity, "z", file_dialog_kind::open, r),
            (strings{"z", "--file-selection"}));
  // A description without its pattern is dropped.
  static const char odd[] = "Only a description\0";
  r.filter = odd;
  EXPECT_EQ(file_dialog_command(dialog_tool::zenity, "z", file_dialog_kind::open, r),
            (strings{"z", "--file-selection"}));

  folder_request f{};
  f.title = "Where to";
  f.owner = reinterpret_cast<hu_HWND>(std::uintptr_t{1234});
  EXPECT_EQ(folder_dialog_command(dialog_tool::zenity, "z", f),
            (strings{"z", "--file-selection", "--directory", "--title=Where to", "--modal",
                     "--attach=1234"}));
}

TEST(ShellDesktop, KdialogCommandLines) {
  static const char filter[] = "Text files\0*.txt\0All files\0*.*\0";
  char file[64] = "a.txt";
  file_dialog_request r = request_for(file, sizeof file);
  r.filter = filter;
  r.title = "T";
  r.initial_directory = "/d";
  r.owner = reinterpret_cast<hu_HWND>(std::uintptr_t{77});
  EXPECT_EQ(file_dialog_command(dialog_tool::kdialog, "k", file_dialog_kind::save, r),
            (strings{"k", "--getsavefilename", "/d/a.txt", "*.txt|Text files\n*|All files",
                     "--title", "T", "--attach", "77"}));
  file[0] = '\0';
  r.initial_directory = nullptr;
  r.filter = nullptr;
  r.title = nullptr;
  r.owner = nullptr;
  EXPECT_EQ(file_dialog_command(dialog_tool::kdialog, "k", file_dialog_kind::open, r),
            (strings{"k", "--getopenfilename", "."}));
  folder_request f{};
  EXPECT_EQ(folder_dialog_command(dialog_tool::kdialog, "k", f),
            (strings{"k", "--getexistingdirectory", "."}));
}

TEST(ShellDesktop, ChosenPathDefaultExtensionAndFit) {
  char file[16];
  char title[260] = {};
  file_dialog_request r = request_for(file, sizeof file);
  r.file_title = title;
  r.file_title_size = sizeof title;
  r.default_extension = "txt";
  EXPECT_TRUE(deliver_chosen_file("/d/report", file_dialog_kind::save, r));
  EXPECT_STREQ(file, "/d/report.txt");
  EXPECT_STREQ(title, "report.txt");
  // A typed extension stays; the open dialog never adds one; ".csv" counts as "csv".
  EXPECT_TRUE(deliver_chosen_file("/d/r.md", file_dialog_kind::save, r));
  EXPECT_STREQ(file, "/d/r.md");
  EXPECT_TRUE(deliver_chosen_file("/d/README", file_dialog_kind::open, r));
  EXPECT_STREQ(file, "/d/README");
  r.default_extension = ".csv";
  EXPECT_TRUE(deliver_chosen_file("/d/x", file_dialog_kind::save, r));
  EXPECT_STREQ(file, "/d/x.csv");
  // 15 characters and the NUL fit; 16 do not, and nothing is written.
  std::strcpy(file, "kept");
  title[0] = '\0';
  EXPECT_TRUE(deliver_chosen_file("/abcdefghijklmn", file_dialog_kind::open, r));
  EXPECT_STREQ(file, "/abcdefghijklmn");
  std::strcpy(file, "kept");
  EXPECT_FALSE(deliver_chosen_file("/abcdefghijklmno", file_dialog_kind::open, r));
  EXPECT_STREQ(file, "kept");
  EXPECT_FALSE(deliver_chosen_file("/d/abcdefghijk", file_dialog_kind::save, r));
  EXPECT_STREQ(file, "kept");

  EXPECT_EQ(help_document("/h/guide.chm::/topics/a.htm"), "/h/guide.chm");
  EXPECT_EQ(help_document("/h/guide.chm>main"), "/h/guide.chm");
  EXPECT_EQ(help_document("/h/plain.html"), "/h/plain.html");
  EXPECT_EQ(help_document(nullptr), "");
}

// A zenity of our own, first in PATH: it records its arguments and answers as
// the files beside it say.
class scripted_zenity : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = hostutil::test::scratch_folder("shell-zenity");
    ASSERT_FALSE(dir_.empty());
    write_script(dir_ / "zenity", "printf '%s\\n' \"$@\" > \"" + (dir_ / "args").string() +
                                      "\"\ncat \"" + (dir_ / "reply").string() +
                                      "\" 2>/dev/null\necho noise >&2\nexit $(cat \"" +
                                      (dir_ / "status").string() + "\")\n");
  }
  void TearDown() override { fs::remove_all(dir_); }
  void answer(const std::string& reply, int status) {
    std::ofstream(dir_ / "reply") << reply;
    std::ofstream(dir_ / "status") << status;
  }
  strings arguments() {
    strings args;
    std::istringstream in(read_all(dir_ / "args"));
    for (std::string line; std::getline(in, line);) args.push_back(line);
    return args;
  }
  fs::path dir_;
};

TEST_F(scripted_zenity, ConfirmCancelAndFailureAnswers) {
  path_override path(dir_.string() + ":" + std::getenv("PATH"));
  char file[64] = {};
  char title[32] = {};
  FileDialogParameters p{};
  p.file = file;
  p.fileSize = sizeof file;
  p.fileTitle = title;
  p.fileTitleSize = sizeof title;
  p.filter = "Text files|*.txt|";
  p.initialFileName = "draft";
  p.defaultExtension = "txt";
  p.title = "Save the draft";

  answer("/home/u/draft\n", 0);
  EXPECT_EQ(DisplayFileSaveDialogEx(nullptr, &p), HOSTUTIL_DIALOG_OK);
  EXPECT_STREQ(file, "/home/u/draft.txt");
  EXPECT_STREQ(title, "draft.txt");
  EXPECT_EQ(arguments(),
            (strings{"--file-selection", "--save", "--confirm-overwrite", "--title=Save the draft",
                     "--filename=draft", "--file-filter=Text files | *.txt"}));

  // The plain save asks nothing unless the caller's flags say so.
  answer("/home/u/other.txt\n", 0);
  EXPECT_EQ(DisplayFileSaveDialog(nullptr, nullptr, "other.txt", 0, nullptr, file, sizeof file),
            HOSTUTIL_DIALOG_OK);
  EXPECT_STREQ(file, "/home/u/other.txt");
  EXPECT_EQ(arguments(), (strings{"--file-selection", "--save", "--filename=other.txt"}));

  // Cancel (1), an error (-1 is 255) and a path too long for the buffer all answer 2.
  answer("", 1);
  EXPECT_EQ(DisplayFileOpenDialogEx(nullptr, &p), HOSTUTIL_DIALOG_CANCEL);
  EXPECT_STREQ(title, "") << "the empty title goes back after a cancel";
  answer("", 255);
  EXPECT_EQ(DisplayFileOpenDialog(nullptr, nullptr, nullptr, 0, nullptr, file, sizeof file),
            HOSTUTIL_DIALOG_CANCEL);
  std::strcpy(file, "kept");
  answer("/" + std::string(100, 'x') + "\n", 0);
  EXPECT_EQ(DisplayFileOpenDialog(nullptr, nullptr, nullptr, 0, nullptr, file, sizeof file),
            HOSTUTIL_DIALOG_CANCEL);
  EXPECT_STREQ(file, "kept");

  char folder[260] = "unchanged";
  char display[260] = {};
  answer("/home/u/projects\n", 0);
  EXPECT_EQ(GetFolderNameEx(nullptr, nullptr, display, "Pick", 0, folder, 260), HOSTUTIL_DIALOG_OK);
  EXPECT_STREQ(folder, "/home/u/projects");
  EXPECT_STREQ(display, "projects");
  EXPECT_EQ(arguments(), (strings{"--file-selection", "--directory", "--title=Pick"}));
  answer("", 1);
  EXPECT_EQ(GetFolderName(nullptr, nullptr, display, "Pick", 0, folder, 260),
            HOSTUTIL_DIALOG_CANCEL);
}

TEST(ShellDesktop, NoDialogProgramAnswersCancel) {
  const std::string empty = hostutil::test::scratch_folder("shell-empty");
  path_override path(empty);
  char file[16] = {};
  char folder[260] = {};
  EXPECT_EQ(DisplayFileOpenDialog(nullptr, nullptr, nullptr, 0, nullptr, file, sizeof file),
            HOSTUTIL_DIALOG_CANCEL);
  EXPECT_EQ(GetFolderName(nullptr, nullptr, nullptr, nullptr, 0, folder, 260),
            HOSTUTIL_DIALOG_CANCEL);
  fs::remove_all(empty);
}

// args: first handler folder, second handler folder, a file to open.
// Exit status 0 when every answer was as expected, else the failed check's number.
HOSTUTIL_CHILD_ROLE(desktop_handler_calls) {
  const std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
  setenv("PATH", (args[0] + ":" + old_path).c_str(), 1);
  ExecuteDefaultBrowser("https://example.org/a b?x=1&y=2");
  ExecuteDefaultBrowser(nullptr);
  if (DisplayWinHelp(nullptr, args[2].c_str(), 0xFFFFFFFFu) == 0) return 1;
  if (DisplayWinHelp(nullptr, args[2].c_str(), 12) == 0) return 2;
  if (DisplayHtmlHelp(nullptr, (args[2] + "::/topic.htm").c_str(), 0, 0) == nullptr) return 3;
  // The help entry point stays the handler found first; the others look anew.
  setenv("PATH", (args[1] + ":" + old_path).c_str(), 1);
  if (DisplayHtmlHelp(nullptr, args[2].c_str(), 1, 0) == nullptr) return 4;
  ExecuteDefaultBrowser("https://example.org/second");
  if (DisplayWinHelp(nullptr, nullptr, 1) != 0) return 5;
  if (DisplayHtmlHelp(nullptr, nullptr, 0, 0) != nullptr) return 6;
  return 0;
}

// args: an empty folder, a handler folder, a folder whose handler cannot start.
HOSTUTIL_CHILD_ROLE(desktop_handler_missing) {
  setenv("PATH", args[0].c_str(), 1);
  ExecuteDefaultBrowser("https://example.org/");
  if (DisplayWinHelp(nullptr, "/tmp/x.hlp", 1) != 0) return 1;
  if (DisplayHtmlHelp(nullptr, "/tmp/x.chm", 0, 0) != nullptr) return 2;
  setenv("PATH", args[1].c_str(), 1);
  // Missing at the first call, missing for good.
  if (DisplayHtmlHelp(nullptr, "/tmp/x.chm", 0, 0) != nullptr) return 3;
  if (DisplayWinHelp(nullptr, "/tmp/late.hlp", 1) == 0) return 4;
  setenv("PATH", args[2].c_str(), 1);
  if (DisplayWinHelp(nullptr, "/tmp/x.hlp", 1) != 0) return 5;
  return 0;
}

class recording_handler : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = hostutil::test::scratch_folder("shell-xdg");
    ASSERT_FALSE(dir_.empty());
    for (const char* name : {"first", "second", "broken", "empty"})
      fs::create_directory(dir_ / name);
    for (const char* name : {"first", "second"}) {
      write_script(dir_ / name / "xdg-open",
                   "printf '%s\\n' \"$*\" >> \"" + (dir_ / name).string() + ".log\"\n");
    }
    std::ofstream(dir_ / "broken" / "xdg-open") << "#!/nonexistent/interpreter\n";
    fs::permissions(dir_ / "broken" / "xdg-open", fs::perms::owner_all);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(recording_handler, BrowserAndHelpReachXdgOpen) {
  const std::string help = (dir_ / "guide.chm").string();
  hostutil::test::child_process child(
      "desktop_handler_calls", {(dir_ / "first").string(), (dir_ / "second").string(), help});
  ASSERT_TRUE(child.started());
  EXPECT_EQ(child.wait(), 0);
  EXPECT_EQ(
      wait_for_lines(dir_ / "first.log", 5),
      (std::multiset<std::string>{"https://example.org/a b?x=1&y=2", help, help, help, help}));
  EXPECT_EQ(wait_for_lines(dir_ / "second.log", 1),
            (std::multiset<std::string>{"https://example.org/second"}));
}

TEST_F(recording_handler, MissingHandlerAnswersZeroAndHtmlHelpRemembersIt) {
  hostutil::test::child_process child(
      "desktop_handler_missing",
      {(dir_ / "empty").string(), (dir_ / "first").string(), (dir_ / "broken").string()});
  ASSERT_TRUE(child.started());
  EXPECT_EQ(child.wait(), 0);
  EXPECT_EQ(wait_for_lines(dir_ / "first.log", 1), (std::multiset<std::string>{"/tmp/late.hlp"}));
}

}  // namespace
