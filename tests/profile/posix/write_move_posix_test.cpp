// On POSIX: a file in tmpfs lies on a RAM disk, and FileMove between file
// systems copies mode and times, then deletes, as MoveFileA does between
// volumes; folders do not cross. Writers that delete a file and create it anew
// (the write test, the profile writer) keep its permission bits and, where the
// caller may set it, its group.
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
using KeptMode = table_test;

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

TEST_F(KeptMode, WriteTestAndProfileWriterKeepPermissionsAndGroup) {
  // A group the caller may give its files besides its own: any for the
  // superuser, else a supplementary one (its own when it has no other).
  gid_t group = geteuid() == 0 ? getegid() + 1 : getegid(), groups[64];
  for (int i = 0, n = geteuid() == 0 ? 0 : getgroups(64, groups); i < n; ++i) {
    if (groups[i] != getegid()) group = groups[i];
  }
  const mode_t saved_umask = umask(022);
  // A read-only file loses its read-only bit to the write test, which then
  // succeeds; the profile writer cannot delete it and leaves it as it was.
  const struct {
    mode_t before, after_test, after_profile;
  } cases[] = {{0600, 0600, 0600}, {0640, 0640, 0640}, {0606, 0606, 0606}, {0444, 0644, 0444}};
  for (const auto& c : cases) {
    for (const bool profile : {false, true}) {
      SCOPED_TRACE(std::to_string(c.before) + (profile ? " profile" : " write test"));
      const std::string text = "[A]\r\nx=1\r\n", path = file("mode.ini", text);
      ASSERT_EQ(chown(path.c_str(), static_cast<uid_t>(-1), group), 0);
      ASSERT_EQ(chmod(path.c_str(), c.before), 0);
      if (profile) {
        EXPECT_EQ(WritePrivateProfileStrEx("A", "x", "5", path.c_str()),
                  c.before == 0444 ? 0u : 1u);
      } else {
        EXPECT_EQ(PreFileWrite(path.c_str()), HOSTUTIL_PREWRITE_OK);
        EXPECT_EQ(get(path), text);
      }
      struct stat st {};
      ASSERT_EQ(stat(path.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, profile ? c.after_profile : c.after_test);
      EXPECT_EQ(st.st_gid, group);
      ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    }
  }
  umask(saved_umask);
}

}  // namespace
