// Classic help, HTML Help and the browser against the recording stand-in. The
// HTML Help viewer is kept for good, so its cases run in fresh child processes.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "dialog_stand_in.h"
#include "hostutil.h"
#include "support/child.h"

namespace {

using hostutil::test::child_process;
using hostutil::test::dialog_stand_in;

const hu_HWND some_owner = reinterpret_cast<hu_HWND>(std::uintptr_t{0x2A0042});

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

HOSTUTIL_CHILD_ROLE(html_help_missing_for_good) {
  dialog_stand_in stand_in;
  stand_in.viewer_found = false;
  if (DisplayHtmlHelp(some_owner, "guide.chm", 0, 0) != nullptr) return 1;
  // The failure is remembered: found now, it is still not looked for again.
  stand_in.viewer_found = true;
  if (DisplayHtmlHelp(some_owner, "guide.chm", 0, 0) != nullptr) return 2;
  if (DisplayHtmlHelp(some_owner, "guide.chm", 1, 0) != nullptr) return 3;
  if (stand_in.find_calls != 1) return 4;
  if (!stand_in.html_calls.empty()) return 5;
  return 0;
}

TEST(ShellHelp, HtmlHelpViewerIsLookedForOnceAndKept) {
  child_process found("html_help_found_once");
  ASSERT_TRUE(found.started());
  EXPECT_EQ(found.wait(), 0);
  child_process missing("html_help_missing_for_good");
  ASSERT_TRUE(missing.started());
  EXPECT_EQ(missing.wait(), 0);
}

}  // namespace
