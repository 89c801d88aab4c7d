// The operating-system code from version records, and the user group check on it.
#include <gtest/gtest.h>

#include <cstring>

#include "hostutil.h"
#include "os/sysinfo.h"
#include "system/internal.h"

namespace {

using hostutil::os::version_record;

version_record record(std::uint32_t platform, std::uint32_t major, std::uint32_t build,
                      const char* service_pack = "") {
  version_record r{};
  r.platform_id = platform;
  r.major = major;
  r.build = build;
  std::strncpy(r.service_pack, service_pack, sizeof r.service_pack - 1);
  return r;
}

TEST(OsVersion, EveryRowOfTheReleaseTable) {
  const struct {
    std::uint32_t platform, major, build;
    const char* service_pack;
    std::uint32_t code;
  } cases[] = {
      // clang-format off
      {0, 3, 0, "", 0x01010000u},            {0, 1, 12345, "", 0x01010000u},
      {1, 4, 950, "", 0x02020001u},          {1, 4, 1111, "", 0x02020003u},
      {1, 4, 1212, "", 0x02020004u},         {1, 4, 1998, "", 0x02030005u},
      {1, 4, 2222, "", 0x02030006u},         {1, 4, 3000, "", 0x02030007u},
      {1, 4, 951, "", 0x02000000u},          {1, 4, 0, "", 0x02000000u},
      {2, 3, 1381, "", 0x03040000u},         {2, 3, 1381, "Service Pack 6", 0x03040000u},
      {2, 4, 1381, "", 0x03050000u},         {2, 4, 1381, "Service Pack 1", 0x03050008u},
      {2, 4, 1381, "Service Pack 2", 0x03050009u}, {2, 4, 1381, "Service Pack 3", 0x0305000Au},
      {2, 4, 1381, "Service Pack 4", 0x0305000Bu}, {2, 4, 1381, "Service Pack 5", 0x0305000Cu},
      {2, 4, 1381, "Service Pack 6", 0x0305000Du}, {2, 4, 1381, "Service Pack 6a", 0x0305000Du},
      {2, 4, 1381, "Service Pack 0", 0x03050000u}, {2, 4, 1381, "Service Pack 7", 0x03050000u},
      {2, 4, 1381, "Service Pack", 0x03050000u},  // index 13 is the NUL
      {2, 5, 1381, "Service Pack 6", 0x03000000u}, {2, 5, 2195, "", 0x03060000u},
      {2, 5, 2600, "Service Pack 3", 0x03070000u}, {2, 6, 7601, "Service Pack 1", 0x03000000u},
      {2, 10, 19045, "", 0x03000000u},       {3, 0, 0, "", 0u},
      {hostutil::os::platform_posix, 6, 1, "", 0u},
      // Only the low word of the build counts (Windows 98 reports 4.10 in the high word).
      {1, 4, 0x040A07CEu, "", 0x02030005u},  {2, 5, 0x00010A28u, "", 0x03070000u},
      {2, 4, 0xFFFF0565u, "Service Pack 6", 0x0305000Du},
      // clang-format on
  };
  for (const auto& c : cases) {
    EXPECT_EQ(
        hostutil::system::decide_os_version(record(c.platform, c.major, c.build, c.service_pack)),
        c.code)
        << "platform " << c.platform << " major " << c.major << " build " << c.build << " \""
        << c.service_pack << "\"";
  }
}

// Stands in for the version query and the access check.
class VersionStandIn : public testing::Test {
 protected:
  void SetUp() override { saved_ = hostutil::os::sysinfo_syscalls(); }
  void TearDown() override { hostutil::os::sysinfo_syscalls() = saved_; }

  static void answer(bool readable, version_record r, bool granted) {
    readable_ = readable;
    record_ = r;
    granted_ = granted;
    checks_ = 0;
    auto& calls = hostutil::os::sysinfo_syscalls();
    calls.version = [](version_record& out) {
      if (readable_) out = record_;
      return readable_;
    };
    calls.administrators_access = [] {
      ++checks_;
      return granted_;
    };
  }

  static inline bool readable_ = false;
  static inline version_record record_{};
  static inline bool granted_ = false;
  static inline int checks_ = 0;

 private:
  hostutil::os::sysinfo_calls saved_{};
};

TEST_F(VersionStandIn, GetOSVerAndTheGroupCheckOnlyOnTheNtPlatform) {
  const struct {
    bool readable;
    version_record r;
    bool granted;
    std::uint32_t code, group;
    int checks;
  } cases[] = {
      {false, record(2, 5, 2600), true, 0, HOSTUTIL_GROUP_NONE, 0},
      {true, record(1, 4, 1998), true, 0x02030005u, HOSTUTIL_GROUP_NONE, 0},
      {true, record(0, 3, 0), true, 0x01010000u, HOSTUTIL_GROUP_NONE, 0},
      {true, record(2, 10, 19045), true, 0x03000000u, HOSTUTIL_GROUP_ADMINISTRATORS, 1},
      {true, record(2, 5, 2600), false, 0x03070000u, HOSTUTIL_GROUP_USERS, 1},
      {true, record(2, 4, 1381, "Service Pack 6"), true, 0x0305000Du, HOSTUTIL_GROUP_ADMINISTRATORS,
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    answer(c.readable, c.r, c.granted);
    EXPECT_EQ(GetOSVer(), c.code);
    EXPECT_EQ(GetCurrentUserGroup(), c.group);
    EXPECT_EQ(checks_, c.checks);
  }
}

}  // namespace
