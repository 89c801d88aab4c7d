// FileMove on POSIX between file systems: copied with its mode and times, then
// deleted, as MoveFileA does between volumes; folders do not cross.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "hostutil.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;
using namespace hostutil::test::files;

class FileMoveAcross : public scratch_test {
 protected:
  void SetUp() override {
    scratch_test::SetUp();
    struct stat here, shm;
    if (stat(folder().c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0 ||
        here.st_dev == shm.st_dev || access("/dev/shm", W_OK) != 0) {
      GTEST_SKIP() << "no second writable file system at /dev/shm";
    }
    other_ = "/dev/shm/hostutil-move-" + std::to_string(getpid()) + "-";
  }
  void TearDown() override {
    std::error_code ec;
    for (const char* n : {"file", "dst", "folder"}) fs::remove_all(other_ + n, ec);
    scratch_test::TearDown();
  }
  std::string other_;
};

TEST_F(FileMoveAcross, CopiesModeAndTimesThenDeletes) {
  const std::string src = path("src");
  put(src, pattern(100000));
  ASSERT_EQ(chmod(src.c_str(), 0640), 0);
  const struct timespec times[2] = {{1000000000, 5}, {1100000000, 700}};
  ASSERT_EQ(utimensat(AT_FDCWD, src.c_str(), times, 0), 0);
  ASSERT_NE(FileMove(src.c_str(), (other_ + "file").c_str()), 0u);
  EXPECT_FALSE(fs::exists(src));
  EXPECT_EQ(get(other_ + "file"), pattern(100000));
  struct stat st;
  ASSERT_EQ(stat((other_ + "file").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1100000000);
  EXPECT_EQ(st.st_mtim.tv_nsec, 700);
  // Back again onto a non-empty file there, which goes first.
  put(path("back"), "old");
  ASSERT_NE(FileMove((other_ + "file").c_str(), path("back").c_str()), 0u);
  EXPECT_EQ(get(path("back")), pattern(100000));
  // Not onto an empty one.
  put(other_ + "dst", "");
  EXPECT_EQ(FileMove(path("back").c_str(), (other_ + "dst").c_str()), 0u);
  EXPECT_EQ(get(path("back")), pattern(100000));
}

TEST_F(FileMoveAcross, FoldersStay) {
  fs::create_directory(path("folder"));
  EXPECT_EQ(FileMove(path("folder").c_str(), (other_ + "folder").c_str()), 0u);
  EXPECT_TRUE(fs::is_directory(path("folder")));
  EXPECT_FALSE(fs::exists(other_ + "folder"));
}

}  // namespace
