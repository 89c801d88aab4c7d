// The machine queries against a stand-in system: checks, clearing, sizes,
// socket balance, the operating-system code and the group check on it.
#include "os/sysinfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hostutil.h"

namespace {

namespace os = hostutil::os;
using std::string;

os::version_record record(std::uint32_t platform, std::uint32_t major, std::uint32_t build,
                          const char* service_pack = "") {
  os::version_record r{platform, major, 0, build, {}};
  std::strncpy(r.service_pack, service_pack, sizeof r.service_pack - 1);
  return r;
}

// Answers as each test sets; counts socket starts and ends, display queries
// and access checks.
class StandIn : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = os::sysinfo_syscalls();
    auto& calls = os::sysinfo_syscalls();
    calls.sockets_start = [] { return ++starts_, start_ok_; };
    calls.sockets_end = [] { ++ends_; };
    calls.host_name = [](char* buffer, std::uint32_t size) {
      if (host_ == nullptr || std::strlen(host_) >= size) return false;
      return std::strcpy(buffer, host_), true;
    };
    calls.first_ipv4_address = [](const char*, char(&text)[16]) {
      return address_ != nullptr && std::strcpy(text, address_);
    };
    calls.display_mode = [](std::uint32_t& width, std::uint32_t& height) {
      ++display_queries_, width = 1920, height = 1080;
    };
    calls.language_name = [](char* buffer, std::uint32_t size) {
      if (language_ == nullptr) return 0;
      std::strncpy(buffer, language_, size);
      return static_cast<int>(std::strlen(language_) + 1);
    };
    calls.version = [](os::version_record& out) { return readable_ && (out = record_, true); };
    calls.administrators_access = [] { return ++checks_, granted_; };
  }
  void TearDown() override { os::sysinfo_syscalls() = saved_; }

  static inline int starts_, ends_, display_queries_, checks_;
  static inline bool start_ok_, readable_, granted_;
  static inline const char *host_, *address_, *language_;
  static inline os::version_record record_;

 private:
  os::sysinfo_calls saved_{};
};

TEST_F(StandIn, NetworkNamesClearTheBufferAndEndTheSocketsTheyStart) {
  const auto ip = GetIPAddress, host = GetHostNameEx;
  const struct {
    decltype(GetIPAddress)* query;
    const char *host, *address;
    bool start_ok;
    std::uint32_t size, result;
    string shown;  // the buffer's text; the rest of its size zero, bytes past it untouched
  } cases[] = {
      {ip, "h", "10.20.30.40", true, 16, 1, "10.20.30.40"},
      {ip, "h", nullptr, true, 16, 1, ""},  // no address: the look-up ran
      {ip, nullptr, "1.2.3.4", true, 16, 0, ""},
      {ip, "h", "1.2.3.4", false, 16, 0, ""},
      {ip, "h", "192.168.100.200", true, 15, 1, ""},  // one short: no cut address
      {ip, "h", "192.168.100.200", true, 16, 1, "192.168.100.200"},
      {ip, "h", "192.168.100.200", true, 0, 1, ""},
      {host, "build-host", nullptr, true, 31, 1, "build-host"},
      {host, "build-host", nullptr, true, 10, 0, ""},  // no room for the NUL
      {host, "build-host", nullptr, false, 31, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(string(c.host ? c.host : "(none)") + " " + std::to_string(c.size));
    host_ = c.host, address_ = c.address, start_ok_ = c.start_ok, starts_ = ends_ = 0;
    string memory(40, 'x');
    EXPECT_EQ(c.query(memory.data() + 4, c.size), c.result);
    EXPECT_EQ(memory,
              "xxxx" + c.shown + string(c.size - c.shown.size(), '\0') + string(36 - c.size, 'x'));
    EXPECT_EQ(starts_, 1);
    EXPECT_EQ(ends_, c.start_ok ? 1 : 0);
  }
  // A missing buffer is refused before the sockets interface is started.
  EXPECT_EQ(GetIPAddress(nullptr, 16) + GetHostNameEx(nullptr, 64), 0u);
  EXPECT_EQ(starts_, 1);
}

TEST_F(StandIn, DisplaySizeAsksTwiceAndRefusesAMissingPointer) {
  std::uint32_t width = 7, height = 7;
  display_queries_ = 0;
  EXPECT_EQ(GetDisplaySize(&width, nullptr) + GetDisplaySize(nullptr, &height), 0u);
  EXPECT_EQ(width + height + display_queries_, 14u);
  EXPECT_EQ(GetDisplaySize(&width, &height), 1u);
  EXPECT_EQ(width * 10000 + height, 1920u * 10000 + 1080);
  EXPECT_EQ(display_queries_, 2);
  EXPECT_EQ(GetDisplayWidth() * 10000 + GetDisplayHeight(), 1920u * 10000 + 1080);
}

TEST_F(StandIn, LanguageNamesAndAFailedQueryCountsAsYes) {
  const struct {
    const char* name;
    std::uint32_t two_byte, japanese;
  } cases[] = {{"JPN", 1, 1},  {"jpn", 1, 1}, {"CHN", 1, 0},  {"cht", 1, 0},
               {"KOR", 1, 0},  {"CHS", 0, 0}, {"ENU", 0, 0},  {"JP", 0, 0},
               {"JPNX", 0, 0}, {"", 0, 0},    {nullptr, 1, 1}};
  for (const auto& c : cases) {
    language_ = c.name;
    EXPECT_EQ(LanguageIs2Byte() * 10 + LanguageIsJapanese(), c.two_byte * 10 + c.japanese)
        << (c.name ? c.name : "(none)");
  }
}

TEST_F(StandIn, OsCodeAndTheGroupCheckOnlyOnTheNtPlatform) {
  const struct {
    bool readable;
    os::version_record r;
    bool granted;
    std::uint32_t code, group;
  } cases[] = {
      // clang-format off
      {false, record(2, 5, 2600), true, 0, HOSTUTIL_GROUP_NONE},
      {true, record(0, 3, 0), true, 0x01010000u, HOSTUTIL_GROUP_NONE},
      // Only the low word of the build counts: Windows 98 reports 4.10 in the high one.
      {true, record(1, 4, 0x040A07CEu), true, 0x02030005u, HOSTUTIL_GROUP_NONE},
      {true, record(1, 4, 951), true, 0x02000000u, HOSTUTIL_GROUP_NONE},
      // NT 4.0's service pack is the character at index 13 of its text.
      {true, record(2, 4, 1381, "Service Pack 6"), true, 0x0305000Du, HOSTUTIL_GROUP_ADMINISTRATORS},
      {true, record(2, 4, 0xFFFF0565u, "Service Pack 1"), false, 0x03050008u, HOSTUTIL_GROUP_USERS},
      {true, record(2, 4, 1381, ""), true, 0x03050000u, HOSTUTIL_GROUP_ADMINISTRATORS},
      {true, record(2, 4, 1381, "Service Pack 7"), true, 0x03050000u, HOSTUTIL_GROUP_ADMINISTRATORS},
      {true, record(2, 3, 1381, "Service Pack 6"), true, 0x03040000u, HOSTUTIL_GROUP_ADMINISTRATORS},
      {true, record(2, 5, 1381, "Service Pack 6"), true, 0x03000000u, HOSTUTIL_GROUP_ADMINISTRATORS},
      {true, record(2, 5, 2600), false, 0x03070000u, HOSTUTIL_GROUP_USERS},
      // Every later NT release, and a platform of none of the three.
      {true, record(2, 10, 19045), true, 0x03000000u, HOSTUTIL_GROUP_ADMINISTRATORS},
      {true, record(os::platform_posix, 6, 1), true, 0, HOSTUTIL_GROUP_NONE},
      // clang-format on
  };
  for (const auto& c : cases) {
    readable_ = c.readable, record_ = c.r, granted_ = c.granted, checks_ = 0;
    EXPECT_EQ(GetOSVer(), c.code) << c.r.platform_id << " " << c.r.build << " " << c.r.service_pack;
    EXPECT_EQ(GetCurrentUserGroup(), c.group) << c.code;
    EXPECT_EQ(checks_, c.group == HOSTUTIL_GROUP_NONE ? 0 : 1) << c.code;
  }
}

}  // namespace
