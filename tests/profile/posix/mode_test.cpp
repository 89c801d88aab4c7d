// Writers that delete a file and create it anew (the write test, the profile
// writer) keep its permission bits and, where the caller may set it, its group.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/scratch_files.h"

namespace {

using KeptMode = hostutil::test::files::table_test;

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
        EXPECT_EQ(hostutil::test::files::get(path), text);
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
