// Writers that delete a file and create it anew (the write test, the profile
// writer) keep its permission bits and, where the caller may set it, its group.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "../profile_fixture.h"

namespace {

// A group the caller may give its files besides its own: any for the
// superuser, else a supplementary one; its own when it has no other.
gid_t other_group() {
  if (geteuid() == 0) return getegid() + 1;
  gid_t groups[64];
  const int n = getgroups(64, groups);
  for (int i = 0; i < n; ++i) {
    if (groups[i] != getegid()) return groups[i];
  }
  return getegid();
}

class KeptMode : public hostutil::test::ScratchFiles {
 protected:
  void SetUp() override {
    ScratchFiles::SetUp();
    saved_umask_ = umask(022);
  }
  void TearDown() override {
    umask(saved_umask_);
    ScratchFiles::TearDown();
  }
  mode_t saved_umask_ = 0;
};

TEST_F(KeptMode, WriteTestAndProfileWriterKeepPermissionsAndGroup) {
  const gid_t group = other_group();
  // A read-only file loses its read-only bit to the write test, which then
  // succeeds; the profile writer cannot delete it and leaves it as it was.
  const struct {
    mode_t before, after_test, after_profile;
  } cases[] = {{0664, 0664, 0664}, {0600, 0600, 0600}, {0640, 0640, 0640},
               {0606, 0606, 0606}, {0777, 0777, 0777}, {0444, 0644, 0444}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.before));
    for (const bool profile : {false, true}) {
      const std::string text = "[A]\r\nx=1\r\n";
      const std::string path = file("mode.ini", text);
      ASSERT_EQ(chown(path.c_str(), static_cast<uid_t>(-1), group), 0);
      ASSERT_EQ(chmod(path.c_str(), c.before), 0);
      if (profile) {
        EXPECT_EQ(WritePrivateProfileStrEx("A", "x", "5", path.c_str()), c.before == 0444 ? 0u : 1u);
      } else {
        EXPECT_EQ(PreFileWrite(path.c_str()), HOSTUTIL_PREWRITE_OK);
        EXPECT_EQ(hostutil::test::read_bytes(path), text);
      }
      struct stat st {};
      ASSERT_EQ(stat(path.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, profile ? c.after_profile : c.after_test) << profile;
      EXPECT_EQ(st.st_gid, group) << profile;
      ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    }
  }
}

}  // namespace
