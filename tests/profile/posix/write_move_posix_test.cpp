// On POSIX: a file in tmpfs lies on a RAM disk, and FileMove between file
// systems copies mode and times, then deletes, as MoveFileA does between
// volumes; folders do not cross.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/scratch_files.h"
#include "hostutil.h"

namespace {

namespace fs = std::filesystem;
using namespace hostutil::test::files;

TEST(WriteMovePosix, RamDiskAndMovesAcrossFileSystems) {
  struct statfs shm;
  if (statfs("/dev/shm", &shm) != 0 || shm.f_type != 0x01021994 || access("/dev/shm", W_OK) != 0) {
    GTEST_SKIP() << "no writable tmpfs at /dev/shm";
  }
  SemaphoreControlBegin();
  const std::string here = fs::temp_directory_path() / ("hostutil-" + std::to_string(getpid()));
  const std::string there = "/dev/shm/hostutil-" + std::to_string(getpid());
  put(there, "");
  EXPECT_EQ(PreFileWrite(there.c_str()), HOSTUTIL_PREWRITE_FAILED_RAMDISK);
  put(here, pattern(100000));
  ASSERT_EQ(chmod(here.c_str(), 0640), 0);
  const struct timespec times[2] = {{1000000000, 5}, {1100000000, 700}};
  ASSERT_EQ(utimensat(AT_FDCWD, here.c_str(), times, 0), 0);
  // Onto an empty file there the move fails; onto a non-empty one it copies.
  EXPECT_EQ(FileMove(here.c_str(), there.c_str()), 0u);
  put(there, "old");
  ASSERT_NE(FileMove(here.c_str(), there.c_str()), 0u);
  EXPECT_EQ(get(there) + std::to_string(fs::exists(here)), pattern(100000) + "0");
  struct stat st;
  ASSERT_EQ(stat(there.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_mtim.tv_sec * 1000000000 + st.st_mtim.tv_nsec, 1100000000000000700);
  EXPECT_EQ(PreFileWrite(there.c_str()), HOSTUTIL_PREWRITE_OK);  // a RAM disk file is tested
  EXPECT_EQ(get(there), pattern(100000));
  fs::remove(there);
  fs::create_directory(here);
  EXPECT_EQ(FileMove(here.c_str(), there.c_str()), 0u);
  EXPECT_TRUE(fs::is_directory(here) && !fs::exists(there));
  fs::remove(here);
  SemaphoreControlEnd();
}

}  // namespace
