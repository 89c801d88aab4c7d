// On POSIX: links and special files are not write-tested; a file in tmpfs lies
// on a RAM disk; FileMove between file systems copies mode and times, then
// deletes, as MoveFileA does between volumes, and folders do not cross.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "../../file/file_test_util.h"
#include "hostutil.h"

namespace {

namespace fs = std::filesystem;
using namespace hostutil::test::files;

class WriteMovePosix : public scratch_test {
 protected:
  void SetUp() override {
    scratch_test::SetUp();
    SemaphoreControlBegin();
  }
  void TearDown() override {
    SemaphoreControlEnd();
    std::error_code ec;
    for (const char* n : {"file", "dst", "folder", "ram"}) fs::remove_all(other_ + n, ec);
    scratch_test::TearDown();
  }
  const std::string other_ = "/dev/shm/hostutil-" + std::to_string(getpid()) + "-";
};

TEST_F(WriteMovePosix, LinksAndSpecialFilesAreNotTested) {
  put(path("target"), "contents");
  ASSERT_EQ(symlink("target", path("link").c_str()), 0);
  ASSERT_EQ(mkfifo(path("fifo").c_str(), 0644), 0);
  for (const std::string& p : {path("link"), path("fifo"), std::string("/dev/null")})
    EXPECT_EQ(PreFileWrite(p.c_str()), HOSTUTIL_PREWRITE_NOT_TESTED) << p;
  EXPECT_TRUE(fs::is_symlink(path("link")));
}

TEST_F(WriteMovePosix, RamDiskAndMovesAcrossFileSystems) {
  struct statfs shm;
  struct stat here, there;
  if (statfs("/dev/shm", &shm) != 0 || shm.f_type != 0x01021994 || access("/dev/shm", W_OK) != 0 ||
      stat(folder().c_str(), &here) != 0 || stat("/dev/shm", &there) != 0 ||
      here.st_dev == there.st_dev) {
    GTEST_SKIP() << "no second, writable tmpfs file system at /dev/shm";
  }
  put(other_ + "ram", "");
  EXPECT_EQ(PreFileWrite((other_ + "ram").c_str()), HOSTUTIL_PREWRITE_FAILED_RAMDISK);
  put(other_ + "ram", "in memory");
  EXPECT_EQ(PreFileWrite((other_ + "ram").c_str()), HOSTUTIL_PREWRITE_OK);
  EXPECT_EQ(get(other_ + "ram"), "in memory");

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
  EXPECT_EQ(st.st_mtim.tv_sec * 1000000000 + st.st_mtim.tv_nsec, 1100000000000000700);
  // Back onto a non-empty file, which goes first; not onto an empty one.
  put(path("back"), "old");
  ASSERT_NE(FileMove((other_ + "file").c_str(), path("back").c_str()), 0u);
  put(other_ + "dst", "");
  EXPECT_EQ(FileMove(path("back").c_str(), (other_ + "dst").c_str()), 0u);
  EXPECT_EQ(get(path("back")), pattern(100000));
  fs::create_directory(path("folder"));
  EXPECT_EQ(FileMove(path("folder").c_str(), (other_ + "folder").c_str()), 0u);
  EXPECT_TRUE(fs::is_directory(path("folder")));
}

}  // namespace
