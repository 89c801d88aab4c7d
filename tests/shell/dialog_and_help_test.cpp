// Dialogs, help and browser against the recording stand-in (no window opens).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "dialog_stand_in.h"
#include "hostutil.h"
#include "support/child.h"

namespace {

using hostutil::os::folder_result;
using hostutil::test::child_process;
using hostutil::test::dialog_stand_in;

const hu_HWND no_owner = nullptr;
const hu_HWND refused_owner = reinterpret_cast<hu_HWND>(~std::uintptr_t{0});
const hu_HWND some_owner = reinterpret_cast<hu_HWND>(std::uintptr_t{0x2A0042});

std::string zeros(std::size_t n) { return std::string(n, '\0'); }

// The 260-byte filter buffer the dialog should see for a list.
std::string filter_buffer(const std::string& list) { return list + zeros(260 - list.size()); }

struct dialog_case {
  char file[64] = {};
  char title[32] = {};
  FileDialogParameters p{};
  dialog_case() {
    p.file = file;
    p.fileSize = sizeof file;
    p.fileTitle = title;
    p.fileTitleSize = sizeof title;
  }
  // The dialog in its record (Ex) or argument form, with the record's settings.
  std::uint32_t show(bool record_form, bool save) {
    if (record_form)
      return (save ? DisplayFileSaveDialogEx : DisplayFileOpenDialogEx)(no_owner, &p);
    return (save ? DisplayFileSaveDialog : DisplayFileOpenDialog)(
        no_owner, p.defaultExtension, p.initialFileName, p.flags, p.filter, file, sizeof file);
  }
};

TEST(ShellDialogs, RefusalsOpenNoDialog) {
  dialog_stand_in stand_in;
  dialog_case c;
  EXPECT_EQ(DisplayFileOpenDialogEx(refused_owner, &c.p), HOSTUTIL_DIALOG_CANCEL);
  EXPECT_EQ(DisplayFileSaveDialogEx(refused_owner, &c.p), HOSTUTIL_DIALOG_CANCEL);
  EXPECT_EQ(DisplayFileOpenDialogEx(no_owner, nullptr), HOSTUTIL_DIALOG_CANCEL);
  EXPECT_EQ(DisplayFileSaveDialogEx(no_owner, nullptr), HOSTUTIL_DIALOG_CANCEL);
  FileDialogParameters no_file = c.p;
  no_file.file = nullptr;
  EXPECT_EQ(DisplayFileOpenDialogEx(no_owner, &no_file), HOSTUTIL_DIALOG_CANCEL);
  FileDialogParameters empty_file = c.p;
  empty_file.fileSize = 0;
  EXPECT_EQ(DisplayFileSaveDialogEx(no_owner, &empty_file), HOSTUTIL_DIALOG_CANCEL);

  char file[16];
  EXPECT_EQ(DisplayFileOpenDialog(refused_owner, "txt", nullptr, 0, "A|*.a|", file, sizeof file),
            HOSTUTIL_DIALOG_CANCEL);
  EXPECT_EQ(DisplayFileSaveDialog(refused_owner, "txt", "x", 0, "A|*.a|", file, sizeof file),
            HOSTUTIL_DIALOG_CANCEL);
  EXPECT_EQ(DisplayFileOpenDialog(no_owner, "txt", nullptr, 0, nullptr, nullptr, 16),
            HOSTUTIL_DIALOG_CANCEL);
  EXPECT_EQ(DisplayFileSaveDialog(no_owner, "txt", "name", 0, nullptr, file, 0),
            HOSTUTIL_DIALOG_CANCEL);

  char folder[260];
  EXPECT_EQ(GetFolderName(no_owner, nullptr, nullptr, "t", 0, nullptr, 260),
            HOSTUTIL_DIALOG_CANCEL);
  EXPECT_EQ(DisplayFolderDialogAndGetOpenFolderName(no_owner, nullptr, folder, "t", 0, nullptr, 0,
                                                    0, nullptr, nullptr),
            HOSTUTIL_DIALOG_CANCEL);

  EXPECT_TRUE(stand_in.file_dialogs.empty());
  EXPECT_TRUE(stand_in.folders.empty());
  // A refused save leaves the caller's file untouched by the proposed name.
  c.p.initialFileName = "proposed.txt";
  EXPECT_EQ(DisplayFileSaveDialogEx(refused_owner, &c.p), HOSTUTIL_DIALOG_CANCEL);
  EXPECT_STREQ(c.file, "");
}

TEST(ShellDialogs, FilterBecomesTheNulSeparatedList) {
  using namespace std::string_literals;
  std::string long_filter;
  while (long_filter.size() < 400) long_filter += "Some files|*.some|";
  std::string long_list = long_filter.substr(0, 258);  // cut, and still closed by two NULs
  std::replace(long_list.begin(), long_list.end(), '|', '\0');
  const struct {
    bool record_form, save;
    const char* filter;
    std::optional<std::string> expected;
  } cases[] = {
      {true, false, "Text files|*.txt|", filter_buffer("Text files\0*.txt\0"s)},
      {false, true, "Text files|*.txt|All|*.*|", filter_buffer("Text files\0*.txt\0All\0*.*\0"s)},
      // Record form without a filter: none at all; argument form: an empty list.
      {true, false, nullptr, std::nullopt},
      {false, false, nullptr, zeros(260)},
      {false, false, "A|*.a", filter_buffer("A\0*.a"s)},  // still ends in two NULs
      {false, false, long_filter.c_str(), filter_buffer(long_list)},
      {true, true, long_filter.c_str(), filter_buffer(long_list)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filter != nullptr ? c.filter : "(null)");
    dialog_stand_in stand_in;
    dialog_case d;
    d.p.filter = c.filter;
    ASSERT_EQ(d.show(c.record_form, c.save), HOSTUTIL_DIALOG_OK);
    ASSERT_EQ(stand_in.file_dialogs.size(), 1u);
    EXPECT_EQ(stand_in.file_dialogs[0].filter, c.expected);
  }
}

TEST(ShellDialogs, FlagsAlwaysHideReadOnlyAndRequireExistingFiles) {
  // 0x200 (OFN_ALLOWMULTISELECT) passes through; only the Ex save asks before overwriting.
  const struct {
    bool record_form, save;
    std::uint32_t flags, expected;
  } cases[] = {{true, false, 0, 0x1004},    {true, false, 0x200, 0x1204},
               {true, true, 0x200, 0x1206}, {false, true, 0, 0x1004},
               {false, true, 0x2, 0x1006},  {false, false, 0x80000, 0x81004}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    dialog_stand_in stand_in;
    dialog_case d;
    d.p.flags = c.flags;
    d.show(c.record_form, c.save);
    EXPECT_EQ(d.p.flags, c.flags) << "the caller's record keeps its own flags";
    ASSERT_EQ(stand_in.file_dialogs.size(), 1u);
    EXPECT_EQ(stand_in.file_dialogs[0].flags, c.expected);
    EXPECT_EQ(stand_in.file_dialogs[0].save, c.save);
  }
}

TEST(ShellDialogs, RecordAndArgumentFormsFillTheDialogRecord) {
  dialog_stand_in stand_in;
  dialog_case c;
  c.p.title = "Pick one";
  c.p.initialDirectory = "C:\\data";
  c.p.defaultExtension = "csv";
  DisplayFileOpenDialogEx(some_owner, &c.p);
  char file[40] = {};
  DisplayFileOpenDialog(some_owner, "txt", nullptr, 0, nullptr, file, sizeof file);

  // The title buffer is the library's own, 260 bytes and cleared, whatever the caller's.
  using text = std::optional<std::string>;
  const auto fields = [](const hostutil::test::recorded_file_dialog& d) {
    return std::make_tuple(d.owner, static_cast<void*>(d.file), d.file_size, d.title,
                           d.initial_directory, d.default_extension, d.file_title_size,
                           d.title_buffer_clear);
  };
  ASSERT_EQ(stand_in.file_dialogs.size(), 2u);
  EXPECT_EQ(fields(stand_in.file_dialogs[0]),
            std::make_tuple(some_owner, static_cast<void*>(c.file), 64u, text("Pick one"),
                            text("C:\\data"), text("csv"), 260u, true));
  EXPECT_EQ(fields(stand_in.file_dialogs[1]),
            std::make_tuple(some_owner, static_cast<void*>(file), 40u, text(), text(), text("txt"),
                            260u, true));
}

TEST(ShellDialogs, SaveProposesTheNameOpenStartsFromTheFileBuffer) {
  dialog_stand_in stand_in;
  stand_in.answer = 0;  // cancel: the proposal must still be in the buffer
  dialog_case c;
  std::strcpy(c.file, "start.txt");
  c.p.initialFileName = "proposed.txt";
  DisplayFileOpenDialogEx(no_owner, &c.p);
  EXPECT_STREQ(c.file, "start.txt");
  DisplayFileSaveDialogEx(no_owner, &c.p);
  EXPECT_STREQ(c.file, "proposed.txt");

  char file[8];
  std::memset(file, 'x', sizeof file);
  file[sizeof file - 1] = '\0';
  DisplayFileOpenDialog(no_owner, nullptr, "ignored", 0, nullptr, file, sizeof file);
  EXPECT_STREQ(file, "xxxxxxx");
  // Cut to the buffer, never past it.
  char small[8] = {};
  DisplayFileSaveDialog(no_owner, nullptr, "much-too-long.txt", 0, nullptr, small, sizeof small);
  EXPECT_STREQ(small, "much-to");

  ASSERT_EQ(stand_in.file_dialogs.size(), 4u);
  EXPECT_EQ(stand_in.file_dialogs[0].file_at_call, "start.txt");
  EXPECT_EQ(stand_in.file_dialogs[1].file_at_call, "proposed.txt");
  EXPECT_EQ(stand_in.file_dialogs[2].file_at_call, "xxxxxxx");
  EXPECT_EQ(stand_in.file_dialogs[3].file_at_call, "much-to");
}

TEST(ShellDialogs, AnswersAndTheFileTitleRule) {
  dialog_stand_in stand_in;
  stand_in.chosen_path = "/data/report.txt";
  stand_in.chosen_title = "report.txt";
  dialog_case c;
  std::memset(c.title, 0x55, sizeof c.title);
  EXPECT_EQ(DisplayFileOpenDialogEx(no_owner, &c.p), HOSTUTIL_DIALOG_OK);
  EXPECT_STREQ(c.file, "/data/report.txt");
  // The whole caller's title buffer is cleared, then the title copied.
  EXPECT_EQ(std::string(c.title, sizeof c.title),
            "report.txt" + zeros(sizeof c.title - std::strlen("report.txt")));

  // Exactly fits with its NUL: copied; one byte short: the buffer is left alone.
  char exact[11];
  char short_one[10];
  std::memset(short_one, 0x55, sizeof short_one);
  c.p.fileTitle = exact;
  c.p.fileTitleSize = sizeof exact;
  EXPECT_EQ(DisplayFileSaveDialogEx(no_owner, &c.p), HOSTUTIL_DIALOG_OK);
  EXPECT_STREQ(exact, "report.txt");
  c.p.fileTitle = short_one;
  c.p.fileTitleSize = sizeof short_one;
  EXPECT_EQ(DisplayFileOpenDialogEx(no_owner, &c.p), HOSTUTIL_DIALOG_OK);
  EXPECT_EQ(std::string(short_one, sizeof short_one), std::string(sizeof short_one, '\x55'));

  // After a cancel the title is empty, and the caller's buffer is cleared too.
  stand_in.answer = 0;
  stand_in.chosen_title.clear();
  std::memset(c.title, 0x55, sizeof c.title);
  c.p.fileTitle = c.title;
  c.p.fileTitleSize = sizeof c.title;
  EXPECT_EQ(DisplayFileOpenDialogEx(no_owner, &c.p), HOSTUTIL_DIALOG_CANCEL);
  EXPECT_EQ(std::string(c.title, sizeof c.title), zeros(sizeof c.title));
  // A size of 0 takes nothing; a missing title buffer is fine.
  c.p.fileTitleSize = 0;
  std::memset(c.title, 0x55, sizeof c.title);
  EXPECT_EQ(DisplayFileSaveDialogEx(no_owner, &c.p), HOSTUTIL_DIALOG_CANCEL);
  EXPECT_EQ(static_cast<unsigned char>(c.title[0]), 0x55);
  c.p.fileTitle = nullptr;
  EXPECT_EQ(DisplayFileSaveDialogEx(no_owner, &c.p), HOSTUTIL_DIALOG_CANCEL);

  char file[32] = {};
  EXPECT_EQ(DisplayFileSaveDialog(no_owner, nullptr, nullptr, 0, nullptr, file, sizeof file),
            HOSTUTIL_DIALOG_CANCEL);
  stand_in.answer = 1;
  EXPECT_EQ(DisplayFileOpenDialog(no_owner, nullptr, nullptr, 0, nullptr, file, sizeof file),
            HOSTUTIL_DIALOG_OK);
  EXPECT_STREQ(file, "/data/report.txt");
}

TEST(ShellDialogs, FolderPickerPassesItsRecordAndMapsTheOutcome) {
  dialog_stand_in stand_in;
  stand_in.chosen_folder = "/data/projects";
  char display[260] = {};
  char folder[260] = {};
  const auto root = reinterpret_cast<hu_PCIDLIST_ABSOLUTE>(std::uintptr_t{0x1000});
  const auto callback = reinterpret_cast<hu_BFFCALLBACK>(std::uintptr_t{0x2000});
  EXPECT_EQ(DisplayFolderDialogAndGetOpenFolderName(some_owner, root, display, "Choose", 0x10,
                                                    callback, 77, -3, folder, nullptr),
            HOSTUTIL_DIALOG_OK);
  EXPECT_STREQ(folder, "/data/projects");
  EXPECT_EQ(GetFolderNameEx(some_owner, root, display, "Choose", 5, folder, 1), HOSTUTIL_DIALOG_OK);
  EXPECT_EQ(GetFolderName(some_owner, root, display, "Choose", 5, folder, 999), HOSTUTIL_DIALOG_OK);
  stand_in.folder_answer = folder_result::cancelled;
  EXPECT_EQ(GetFolderName(no_owner, nullptr, nullptr, nullptr, 0, folder, 0),
            HOSTUTIL_DIALOG_CANCEL);
  stand_in.folder_answer = folder_result::refused;
  EXPECT_EQ(GetFolderNameEx(no_owner, nullptr, nullptr, nullptr, 0, folder, 0),
            HOSTUTIL_DIALOG_CANCEL);

  const auto fields = [](const hostutil::os::folder_request& r) {
    return std::make_tuple(r.owner, r.root, static_cast<void*>(r.display_name),
                           std::string(r.title), r.flags, r.callback, r.callback_data, r.image);
  };
  ASSERT_EQ(stand_in.folders.size(), 5u);
  EXPECT_EQ(fields(stand_in.folders[0]),
            std::make_tuple(some_owner, root, static_cast<void*>(display), std::string("Choose"),
                            0x10u, callback, hu_LPARAM{77}, -3));
  // The two named forms are one operation: file-system folders, new style, no callback.
  for (std::size_t i : {1u, 2u}) {
    EXPECT_EQ(fields(stand_in.folders[i]),
              std::make_tuple(some_owner, root, static_cast<void*>(display), std::string("Choose"),
                              0x41u, hu_BFFCALLBACK{}, hu_LPARAM{0}, 5));
  }
}

TEST(ShellHelp, WinHelpShowsATopicOrTheContentsForAllOnes) {
  dialog_stand_in stand_in;
  stand_in.win_help_answer = 7;
  EXPECT_EQ(DisplayWinHelp(some_owner, "app.hlp", 42), 7u);
  EXPECT_EQ(DisplayWinHelp(some_owner, "app.hlp", 0xFFFFFFFFu), 7u);
  EXPECT_EQ(DisplayWinHelp(nullptr, "app.hlp", 0xFFFFFFFEu), 7u);
  stand_in.win_help_answer = 0;
  EXPECT_EQ(DisplayWinHelp(nullptr, "missing.hlp", 0), 0u);

  // HELP_CONTEXT (1) with the topic, or HELP_FINDER (0x0B) with 0 for all ones.
  const hostutil::test::recorded_help_call expected[] = {{some_owner, "app.hlp", 0x01, 42},
                                                         {some_owner, "app.hlp", 0x0B, 0},
                                                         {nullptr, "app.hlp", 0x01, 0xFFFFFFFEu},
                                                         {nullptr, "missing.hlp", 0x01, 0}};
  ASSERT_EQ(stand_in.win_help_calls.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    const auto& call = stand_in.win_help_calls[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(call.owner, expected[i].owner);
    EXPECT_EQ(call.file, expected[i].file);
    EXPECT_EQ(call.command, expected[i].command);
    EXPECT_EQ(call.data, expected[i].data);
  }
}

TEST(ShellHelp, BrowserOpensTheUrlAndNothingForAMissingOne) {
  dialog_stand_in stand_in;
  ExecuteDefaultBrowser(nullptr);
  EXPECT_TRUE(stand_in.urls.empty());
  ExecuteDefaultBrowser("https://example.org/a b?x=1&y=2");
  ExecuteDefaultBrowser("");
  ASSERT_EQ(stand_in.urls.size(), 2u);
  EXPECT_EQ(stand_in.urls[0], "https://example.org/a b?x=1&y=2");
  EXPECT_EQ(stand_in.urls[1], "");
}

// The HTML Help roles exit with 0, or the number of the first check that failed.
HOSTUTIL_CHILD_ROLE(html_help_found_once) {
  dialog_stand_in stand_in;
  stand_in.html_answer = reinterpret_cast<hu_HWND>(std::uintptr_t{0x5150});
  // Several threads race for the first look-up; it still happens once.
  std::vector<std::thread> threads;
  std::vector<hu_HWND> answers(4);
  for (std::size_t i = 0; i < answers.size(); ++i) {
    threads.emplace_back([&answers, i] {
      answers[i] = DisplayHtmlHelp(some_owner, "guide.chm", 0x0F, static_cast<uint32_t>(i));
    });
  }
  for (auto& t : threads) t.join();
  if (stand_in.find_calls != 1) return 1;
  for (hu_HWND a : answers) {
    if (a != stand_in.html_answer) return 2;
  }
  // data is widened without a sign: all ones stays 0x00000000FFFFFFFF.
  stand_in.html_answer = nullptr;
  if (DisplayHtmlHelp(nullptr, "guide.chm::/topic.htm", 0, 0xFFFFFFFFu) != nullptr) return 3;
  if (stand_in.find_calls != 1 || stand_in.html_calls.size() != 5) return 4;
  const auto& last = stand_in.html_calls.back();
  if (last.owner != nullptr || last.file != "guide.chm::/topic.htm" || last.command != 0 ||
      last.data != std::uintptr_t{0xFFFFFFFFu}) {
    return 5;
  }
  for (std::size_t i = 0; i < 4; ++i) {
    const auto& call = stand_in.html_calls[i];
    if (call.owner != some_owner || call.command != 0x0F || call.file != "guide.chm") return 6;
  }
  return 0;
}

TEST(ShellHelp, HtmlHelpViewerIsLookedForOnceAndKept) {
  child_process found("html_help_found_once");
  ASSERT_TRUE(found.started());
  EXPECT_EQ(found.wait(), 0);
}

}  // namespace
