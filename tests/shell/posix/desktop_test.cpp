// The POSIX desktop side: zenity and kdialog command lines, a failing zenity, and xdg-open.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
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
using lines = std::multiset<std::string>;

namespace {

void write_script(const fs::path& path, const std::string& body) {
  std::ofstream(path) << "#!/bin/sh\n" << body;
  fs::permissions(path, fs::perms::owner_all);
}

strings lines_in(const fs::path& path) {
  std::ifstream in(path);
  strings out;
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// The detached handler writes on its own time: wait for the expected lines.
lines wait_for_lines(const fs::path& log, std::size_t count) {
  const auto end = std::chrono::steady_clock::now() + 10s;
  strings found;
  while (std::chrono::steady_clock::now() < end && (found = lines_in(log)).size() < count)
    std::this_thread::sleep_for(10ms);
  return lines(found.begin(), found.end());
}

// PATH for the length of one test.
struct path_override {
  const std::string saved = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  explicit path_override(const std::string& path) { setenv("PATH", path.c_str(), 1); }
  ~path_override() { setenv("PATH", saved.c_str(), 1); }
};

TEST(ShellDesktop, DialogCommandLines) {
  static const char two_types[] = "Text files\0*.txt;*.log\0All files\0*.*\0";
  static const char kde_types[] = "Text files\0*.txt\0All files\0*.*\0";
  const auto save = file_dialog_kind::save, open = file_dialog_kind::open;
  const auto zenity = dialog_tool::zenity, kdialog = dialog_tool::kdialog;
  const struct {
    dialog_tool tool;
    file_dialog_kind kind;
    const char *file, *filter, *title, *directory;
    std::uintptr_t owner;
    std::uint32_t flags;
    strings expected;
  } cases[] = {
      // clang-format off
      {zenity, open, "notes.txt", two_types, "Open notes", "/srv/data", 0, 0x1004,
       {"z", "--file-selection", "--title=Open notes", "--filename=/srv/data/notes.txt",
        "--file-filter=Text files | *.txt *.log", "--file-filter=All files | *"}},
      // Save: the overwrite question exactly when the flags carry it; an X window attaches.
      {zenity, save, "notes.txt", nullptr, nullptr, "/srv/data", 0x400007, 0x1006,
       {"z", "--file-selection", "--save", "--confirm-overwrite", "--filename=/srv/data/notes.txt",
        "--modal", "--attach=4194311"}},
      {zenity, save, "/abs/name.txt", nullptr, nullptr, "/srv/data", 0x7F0000001000, 0x1004,
       {"z", "--file-selection", "--save", "--filename=/abs/name.txt"}},
      // Open never asks; an empty name starts in the folder.
      {zenity, open, "", nullptr, nullptr, "/srv/data", 0, 0x1006,
       {"z", "--file-selection", "--filename=/srv/data/"}},
      {zenity, open, "", nullptr, nullptr, nullptr, 0, 0x1006, {"z", "--file-selection"}},
      // A description without its pattern is dropped.
      {zenity, open, "", "Only a description\0", nullptr, nullptr, 0, 0, {"z", "--file-selection"}},
      {kdialog, save, "a.txt", kde_types, "T", "/d", 77, 0,
       {"k", "--getsavefilename", "/d/a.txt", "*.txt|Text files\n*|All files", "--title", "T",
        "--attach", "77"}},
      {kdialog, open, "", nullptr, nullptr, nullptr, 0, 0, {"k", "--getopenfilename", "."}},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected.back());
    char file[64];
    std::strcpy(file, c.file);
    file_dialog_request r{};
    r.file = file;
    r.file_size = sizeof file;
    r.filter = c.filter;
    r.title = c.title;
    r.initial_directory = c.directory;
    r.owner = reinterpret_cast<hu_HWND>(c.owner);
    r.flags = c.flags;
    const char* program = c.tool == zenity ? "z" : "k";
    EXPECT_EQ(file_dialog_command(c.tool, program, c.kind, r), c.expected);
  }

  folder_request f{};
  EXPECT_EQ(folder_dialog_command(dialog_tool::kdialog, "k", f),
            (strings{"k", "--getexistingdirectory", "."}));
  f.title = "Where to";
  f.owner = reinterpret_cast<hu_HWND>(std::uintptr_t{1234});
  EXPECT_EQ(folder_dialog_command(dialog_tool::zenity, "/usr/bin/zenity", f),
            (strings{"/usr/bin/zenity", "--file-selection", "--directory", "--title=Where to",
                     "--modal", "--attach=1234"}));
}

TEST(ShellDesktop, ChosenPathDefaultExtensionAndFit) {
  const auto save = file_dialog_kind::save, open = file_dialog_kind::open;
  const struct {
    const char *path, *extension;
    file_dialog_kind kind;
    const char *file, *title;  // "kept": nothing written
  } cases[] = {
      {"/d/report", "txt", save, "/d/report.txt", "report.txt"},
      {"/d/r.md", "txt", save, "/d/r.md", "r.md"},        // a typed extension stays
      {"/d/README", "txt", open, "/d/README", "README"},  // open never adds one
      {"/d/x", ".csv", save, "/d/x.csv", "x.csv"},
      // 15 characters and the NUL fit the 16 bytes; 16 do not
      {"/abcdefghijklmn", "txt", open, "/abcdefghijklmn", "abcdefghijklmn"},
      {"/abcdefghijklmno", "txt", open, "kept", "kept"},
      {"/d/abcdefghijk", "txt", save, "kept", "kept"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    char file[16] = "kept";
    char title[260] = "kept";
    file_dialog_request r{};
    r.file = file;
    r.file_size = sizeof file;
    r.file_title = title;
    r.file_title_size = sizeof title;
    r.default_extension = c.extension;
    EXPECT_EQ(deliver_chosen_file(c.path, c.kind, r), std::strcmp(c.file, "kept") != 0);
    EXPECT_STREQ(file, c.file);
    EXPECT_STREQ(title, c.title);
  }

  EXPECT_EQ(help_document("/h/guide.chm::/topics/a.htm"), "/h/guide.chm");
  EXPECT_EQ(help_document("/h/guide.chm>main"), "/h/guide.chm");
  EXPECT_EQ(help_document("/h/plain.html"), "/h/plain.html");
  EXPECT_EQ(help_document(nullptr), "");
}

// A zenity of our own, first in PATH: records its arguments, answers as told.
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
  strings arguments() { return lines_in(dir_ / "args"); }
  fs::path dir_;
};

// What the real dialogs under X cannot show: a dialog program that fails, or none.
TEST_F(scripted_zenity, FailureAndMissingProgramAnswerCancel) {
  path_override path(dir_.string() + ":" + std::getenv("PATH"));
  char file[64] = "kept";
  // An error (-1 is 255) and a path too long for the buffer both answer 2.
  answer("/home/u/any.txt\n", 255);
  EXPECT_EQ(DisplayFileOpenDialog(nullptr, nullptr, nullptr, 0, nullptr, file, sizeof file),
            HOSTUTIL_DIALOG_CANCEL);
  answer("/" + std::string(100, 'x') + "\n", 0);
  EXPECT_EQ(DisplayFileOpenDialog(nullptr, nullptr, nullptr, 0, nullptr, file, sizeof file),
            HOSTUTIL_DIALOG_CANCEL);
  EXPECT_STREQ(file, "kept");
  EXPECT_EQ(arguments(), (strings{"--file-selection", "--filename=kept"}));
  char folder[260] = "unchanged";
  answer("", 255);
  EXPECT_EQ(GetFolderName(nullptr, nullptr, nullptr, "Pick", 0, folder, 260),
            HOSTUTIL_DIALOG_CANCEL);
  EXPECT_STREQ(folder, "unchanged");

  // No dialog program at all: cancel.
  fs::create_directory(dir_ / "empty");
  path_override nothing((dir_ / "empty").string());
  EXPECT_EQ(DisplayFileOpenDialog(nullptr, nullptr, nullptr, 0, nullptr, file, sizeof file),
            HOSTUTIL_DIALOG_CANCEL);
  EXPECT_EQ(GetFolderName(nullptr, nullptr, nullptr, nullptr, 0, folder, 260),
            HOSTUTIL_DIALOG_CANCEL);
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
  EXPECT_EQ(wait_for_lines(dir_ / "first.log", 5),
            (lines{"https://example.org/a b?x=1&y=2", help, help, help, help}));
  EXPECT_EQ(wait_for_lines(dir_ / "second.log", 1), lines{"https://example.org/second"});
}

TEST_F(recording_handler, MissingHandlerAnswersZeroAndHtmlHelpRemembersIt) {
  hostutil::test::child_process child(
      "desktop_handler_missing",
      {(dir_ / "empty").string(), (dir_ / "first").string(), (dir_ / "broken").string()});
  ASSERT_TRUE(child.started());
  EXPECT_EQ(child.wait(), 0);
  EXPECT_EQ(wait_for_lines(dir_ / "first.log", 1), lines{"/tmp/late.hlp"});
}

}  // namespace
