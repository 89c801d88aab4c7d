// Released names whose objects this process keeps for reuse: still shared with
// other processes, started afresh when their holder was killed, and gone from
// /dev/shm once every process that used them has ended or given them up.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "hostutil.h"
#include "support/child.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using hostutil::test::child_process;
using hostutil::test::touch;
using hostutil::test::wait_for_file;

bool left_in_shm(const std::string& name) {
  for (const auto& e : fs::directory_iterator("/dev/shm")) {
    if (e.path().filename().string().find(name) != std::string::npos) return true;
  }
  return false;
}

// args: name, folder. Takes the name, then leaves when folder/release appears.
HOSTUTIL_CHILD_ROLE(take_released_name) {
  SemaphoreControlBegin();
  const char* name = args.at(0).c_str();
  if (SemaphoreCreate(name, 0) != 1 || SemaphoreEntry(name, 0, 1) != 1) return 2;
  touch(fs::path(args.at(1)) / "held");
  if (!wait_for_file(fs::path(args.at(1)) / "release", 60s)) return 3;
  SemaphoreLeave(name, 0);
  SemaphoreRelease(name, 0);
  return 0;  // the exit gives up what is kept, without SemaphoreControlEnd
}

TEST(SemaphoreReuse, KeptNameIsSharedAndStartsAfreshAfterAKilledHolder) {
  if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm here";
  for (const bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "holder killed" : "holder leaves");
    const std::string folder = hostutil::test::scratch_folder("reuse");
    const std::string name = "hostutil-reuse-" + fs::path(folder).parent_path().filename().string();
    const char* n = name.c_str();
    SemaphoreControlBegin();
    ASSERT_EQ(SemaphoreCreate(n, 0), 1u);
    SemaphoreRelease(n, 0);  // kept here, no member
    child_process child("take_released_name", {name, folder});
    ASSERT_TRUE(wait_for_file(fs::path(folder) / "held"));
    if (killed) {
      child.kill();
      child.wait();
      // Kept here, held by nobody: another process finds it started afresh too.
      fs::remove(fs::path(folder) / "held");
      child_process next("take_released_name", {name, folder});
      ASSERT_TRUE(wait_for_file(fs::path(folder) / "held", 5s));
      touch(fs::path(folder) / "release");
      EXPECT_EQ(next.wait(), 0);
    }
    ASSERT_EQ(SemaphoreCreate(n, 0), 1u);
    EXPECT_EQ(SemaphoreEntry(n, 0, 1), killed ? 1u : 0u);
    if (!killed) {
      touch(fs::path(folder) / "release");
      EXPECT_EQ(child.wait(), 0);
      EXPECT_EQ(SemaphoreEntry(n, 0, 1), 1u);
    }
    EXPECT_EQ(SemaphoreEntry(n, 0, 1), 0u);  // one count: started at 1, never above
    SemaphoreLeave(n, 0);
    SemaphoreRelease(n, 0);
    EXPECT_TRUE(left_in_shm(name));  // kept while this process lives...
    SemaphoreControlEnd();
    EXPECT_FALSE(left_in_shm(name));  // ...and gone with the table, the dead holder's share too
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
}

TEST(SemaphoreReuse, NextProcessClearsAwayWhatKilledHoldersLeft) {
  if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm here";
  const std::string folder = hostutil::test::scratch_folder("reuse-killed");
  const std::string name = "hostutil-reuse-" + fs::path(folder).parent_path().filename().string();
  for (const char* tail : {"-a", "-b", "-c"}) {
    child_process child("take_released_name", {name + tail, folder});
    ASSERT_TRUE(wait_for_file(fs::path(folder) / "held"));
    child.kill();
    child.wait();
    fs::remove(fs::path(folder) / "held");
  }
  // Nobody opens those names again; the next process to set its table up (and
  // to take and leave a name of its own) ends, and none of them is left.
  touch(fs::path(folder) / "release");
  EXPECT_EQ(child_process("take_released_name", {name + "-next", folder}).wait(), 0);
  EXPECT_FALSE(left_in_shm(name));
  std::error_code ec;
  fs::remove_all(folder, ec);
}

}  // namespace
