// The real dialogs under X, played with xdotool (ctest's shell_x11; skipped elsewhere).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "desktop_driver.h"
#include "hostutil.h"
#include "support/child.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace hostutil::test;

namespace {

std::set<std::string> dialog_windows() {
  std::vector<std::string> ids;
  xdotool({"search", "--onlyvisible", "--class", dialog_window_class()}, &ids);
  return {ids.begin(), ids.end()};
}

std::uint64_t area_of(const std::string& id) {
  std::vector<std::string> lines;
  xdotool({"getwindowgeometry", id}, &lines);
  for (const auto& line : lines) {
    const auto at = line.find("Geometry: ");
    if (at == std::string::npos) continue;
    std::uint64_t w = 0, h = 0;
    char x = 0;
    std::istringstream(line.substr(at + 10)) >> w >> x >> h;
    return w * h;
  }
  return 0;
}

// Waits for the dialog captioned caption and gives it the focus: the largest
// visible window of that name, since toolkits keep small helper windows too.
bool focus_dialog(const std::string& caption) {
  std::vector<std::string> ids;
  // Exit statuses of host programs do not always come through Wine: look at the output.
  xdotool({"search", "--sync", "--onlyvisible", "--name", "^" + caption + "$"}, &ids);
  if (ids.empty()) return false;
  std::string best = ids.front();
  std::uint64_t best_area = 0;
  for (const auto& id : ids) {
    const std::uint64_t a = area_of(id);
    if (a > best_area) {
      best = id;
      best_area = a;
    }
  }
  xdotool({"windowfocus", "--sync", best});
  return true;
}

struct play_result {
  std::uint32_t answer = 0;
  bool asked = false;  // a second window (the overwrite question) came up and was confirmed
};

// Runs the dialog call on this thread while a second one plays the user: it
// focuses the dialog, sends the steps, and confirms a question that comes up.
// The round is repeated while the dialog stays open (a toolkit still settling
// may drop keys).
play_result play(const std::string& caption, const std::vector<xdotool_command>& steps,
                 const std::function<std::uint32_t()>& call) {
  std::atomic<bool> done{false};
  std::atomic<bool> asked{false};
  std::thread user([&] {
    std::set<std::string> answered;
    for (int round = 0; round < 4 && !done; ++round) {
      if (!focus_dialog(caption)) continue;
      const std::set<std::string> before = dialog_windows();
      for (const auto& step : steps) {
        if (!done) xdotool(step);
      }
      // Once a question is answered the dialog is closing: no second round,
      // whose keys would reach the next dialog to open.
      auto end = std::chrono::steady_clock::now() + 4s;
      while (!done && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(100ms);
        if (done) break;
        for (const auto& id : dialog_windows()) {
          if (before.count(id) != 0 || answered.count(id) != 0 || area_of(id) < 2500) continue;
          answered.insert(id);
          asked = true;
          xdotool({"windowfocus", "--sync", id});
          xdotool({"key", "Return"});
          end = std::chrono::steady_clock::now() + 10s;
          break;
        }
      }
    }
    // Given up: close whatever dialog is left rather than hang the suite.
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!done && std::chrono::steady_clock::now() < end) {
      for (const auto& id : dialog_windows()) {
        xdotool({"windowfocus", "--sync", id});
        xdotool({"key", "Escape"});
      }
      std::this_thread::sleep_for(200ms);
    }
  });
  play_result result;
  result.answer = call();
  done = true;
  user.join();
  result.asked = asked;
  return result;
}

class ShellX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = real_dialogs_unavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    folder_ = scratch_folder("shell-x11");
    ASSERT_FALSE(folder_.empty());
  }
  void TearDown() override {
    if (folder_.empty()) return;
    // The Windows dialogs make the chosen folder the current one, which would
    // keep it from being removed.
    std::error_code ignored;
    fs::current_path(fs::temp_directory_path(), ignored);
    fs::remove_all(folder_, ignored);
  }
  std::string make_file(const std::string& name) {
    const std::string path = folder_ + name;
    std::ofstream(path) << "kept\n";
    return path;
  }
  static std::string contents(const std::string& path) {
    std::string s;
    std::getline(std::ifstream(path), s);
    return s;
  }
  FileDialogParameters params(const char* caption) {
    FileDialogParameters p{};
    p.file = file_;
    p.fileSize = sizeof file_;
    p.fileTitle = title_;
    p.fileTitleSize = sizeof title_;
    p.title = caption;
    return p;
  }
  std::string folder_;
  char file_[260] = {};
  char title_[64] = {};
};

TEST_F(ShellX11, TypedPathAndEnterChoosesTheFile) {
  const std::string path = make_file("chosen.txt");
  FileDialogParameters p = params("hostutil open test");
  p.filter = "Text files|*.txt|All files|*.*|";
  const auto r =
      play(p.title, type_path_steps(path), [&] { return DisplayFileOpenDialogEx(nullptr, &p); });
  EXPECT_EQ(r.answer, HOSTUTIL_DIALOG_OK);
  EXPECT_STREQ(file_, path.c_str());
  EXPECT_STREQ(title_, "chosen.txt");
}

TEST_F(ShellX11, EscapeCancels) {
  std::memset(title_, 'x', sizeof title_);
  FileDialogParameters p = params("hostutil cancel test");
  const auto r =
      play(p.title, {{"key", "Escape"}}, [&] { return DisplayFileOpenDialogEx(nullptr, &p); });
  EXPECT_EQ(r.answer, HOSTUTIL_DIALOG_CANCEL);
  EXPECT_EQ(std::string(title_, sizeof title_), std::string(sizeof title_, '\0'));
}

TEST_F(ShellX11, ExSaveAsksBeforeOverwritingAnExistingFile) {
  const std::string path = make_file("existing.txt");
  FileDialogParameters p = params("hostutil overwrite test");
  p.initialFileName = path.c_str();
  const auto r =
      play(p.title, {{"key", "Return"}}, [&] { return DisplayFileSaveDialogEx(nullptr, &p); });
  EXPECT_EQ(r.answer, HOSTUTIL_DIALOG_OK);
  EXPECT_TRUE(r.asked) << "no overwrite question came up";
  EXPECT_STREQ(file_, path.c_str());
  EXPECT_EQ(contents(path), "kept") << "the dialog itself writes nothing";
}

TEST_F(ShellX11, PlainSaveDoesNotAsk) {
  const std::string path = make_file("existing.txt");
  const auto r = play(default_save_caption(), {{"key", "Return"}}, [&] {
    return DisplayFileSaveDialog(nullptr, nullptr, path.c_str(), 0, "Text files|*.txt|", file_,
                                 sizeof file_);
  });
  EXPECT_EQ(r.answer, HOSTUTIL_DIALOG_OK);
  EXPECT_FALSE(r.asked);
  EXPECT_STREQ(file_, path.c_str());
}

TEST_F(ShellX11, FolderPicker) {
  char folder[260] = "unchanged";
  char display[260] = {};
  const std::string caption = folder_caption("hostutil folder test");
  auto r = play(caption, {{"key", "Escape"}}, [&] {
    return GetFolderNameEx(nullptr, nullptr, display, "hostutil folder test", 0, folder, 260);
  });
  EXPECT_EQ(r.answer, HOSTUTIL_DIALOG_CANCEL);
  EXPECT_STREQ(folder, "unchanged");
  if (!folder_path_can_be_typed()) return;
  std::string target = folder_ + "picked";
  fs::create_directory(target);
  r = play(caption, type_path_steps(target), [&] {
    return GetFolderName(nullptr, nullptr, display, "hostutil folder test", 0, folder, 260);
  });
  EXPECT_EQ(r.answer, HOSTUTIL_DIALOG_OK);
  EXPECT_STREQ(folder, target.c_str());
  EXPECT_STREQ(display, "picked");
}

}  // namespace
