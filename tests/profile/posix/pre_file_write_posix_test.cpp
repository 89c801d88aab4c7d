// PreFileWrite on POSIX: links and special files are not tested, and the drive
// type is that of the path itself, a RAM disk for a file in tmpfs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <string>

#include "hostutil.h"
#include "support/scratch_files.h"

namespace {

using namespace hostutil::test::files;

class WriteTestPosix : public scratch_test {
 protected:
  void SetUp() override {
    scratch_test::SetUp();
    SemaphoreControlBegin();
  }
  void TearDown() override {
    SemaphoreControlEnd();
    scratch_test::TearDown();
  }
};

TEST_F(WriteTestPosix, LinksAndSpecialFilesAreNotTested) {
  put(path("target"), "contents");
  ASSERT_EQ(symlink("target", path("link").c_str()), 0);
  ASSERT_EQ(mkfifo(path("fifo").c_str(), 0644), 0);
  EXPECT_EQ(PreFileWrite(path("link").c_str()), HOSTUTIL_PREWRITE_NOT_TESTED);
  EXPECT_EQ(PreFileWrite(path("fifo").c_str()), HOSTUTIL_PREWRITE_NOT_TESTED);
  EXPECT_EQ(PreFileWrite("/dev/null"), HOSTUTIL_PREWRITE_NOT_TESTED);
  // The link is still a link.
  struct stat st;
  ASSERT_EQ(lstat(path("link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(WriteTestPosix, AnEmptyFileInTmpfsFailsOnARamDisk) {
  struct statfs fs;
  if (statfs("/dev/shm", &fs) != 0 || fs.f_type != 0x01021994 || access("/dev/shm", W_OK) != 0) {
    GTEST_SKIP() << "no writable tmpfs at /dev/shm";
  }
  const std::string p = "/dev/shm/hostutil-write-test-" + std::to_string(getpid());
  put(p, "");
  EXPECT_EQ(PreFileWrite(p.c_str()), HOSTUTIL_PREWRITE_FAILED_RAMDISK);
  put(p, "in memory");
  EXPECT_EQ(PreFileWrite(p.c_str()), HOSTUTIL_PREWRITE_OK);
  EXPECT_EQ(get(p), "in memory");
  unlink(p.c_str());
}

}  // namespace
