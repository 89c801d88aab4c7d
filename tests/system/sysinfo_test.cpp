// The machine queries against a stand-in system: checks, clearing, sizes,
// the language names, the operating-system code and the group check on it.
// Then the answers of the machine the suite runs on: every query printed into
// the log and checked where it can be, and the runs ctest makes under a virtual
// X display (HOSTUTIL_TEST_DISPLAY_SIZE, WIDTHxHEIGHT) and under
// LANG=ja_JP.UTF-8 (HOSTUTIL_TEST_LANGUAGE: the two language answers, as "11").
#include "os/sysinfo.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>

#include "hostutil.h"
#include "support/stand_in.h"

namespace {

namespace os = hostutil::os;
using std::string;

using hostutil::test::stand_in;
using calls = os::system_calls;

// Answers as each test sets; counts host-name queries and access checks.
class StandIn : public testing::Test {
 protected:
  static inline int queries_, checks_;
  static inline bool reachable_, readable_, granted_;
  static inline const char *host_, *address_, *language_;
  static inline os::version_record record_;

 private:
  // clang-format off
  stand_in<&calls::host_name> host_name_{[](char* buffer, std::uint32_t size) {
    ++queries_;
    return reachable_ && host_ != nullptr && std::strlen(host_) < size && std::strcpy(buffer, host_);
  }};
  stand_in<&calls::first_ipv4_address> address_of_{[](const char*, char (&text)[16]) { return address_ != nullptr && std::strcpy(text, address_); }};
  stand_in<&calls::language_name> language_name_{[](char* buffer, std::uint32_t size) {
    return language_ == nullptr ? 0 : (std::strncpy(buffer, language_, size), static_cast<int>(std::strlen(language_) + 1));
  }};
  stand_in<&calls::version> version_{[](os::version_record& out) { return readable_ && (out = record_, true); }};
  stand_in<&calls::administrators_access> access_{[] { return ++checks_, granted_; }};
  // clang-format on
};

TEST_F(StandIn, NetworkNamesClearTheBuffer) {
  const auto ip = GetIPAddress, name = GetHostNameEx;
  // Query, host name, address, network reachable, size, result, the buffer's text
  // (the rest of its size zero, bytes past it untouched). Without an address
  // the look-up ran all the same; one byte short, no address is cut; a host
  // name needs room for its NUL.
  // clang-format off
  const std::tuple<decltype(GetIPAddress)*, const char*, const char*, bool, std::uint32_t, std::uint32_t, string> cases[] = {
      {ip, "h", "10.20.30.40", true, 16, 1, "10.20.30.40"}, {ip, "h", nullptr, true, 16, 1, ""},
      {ip, nullptr, "1.2.3.4", true, 16, 0, ""},            {ip, "h", "1.2.3.4", false, 16, 0, ""},
      {ip, "h", "192.168.100.200", true, 15, 1, ""}, {ip, "h", "192.168.100.200", true, 16, 1, "192.168.100.200"},
      {ip, "h", "192.168.100.200", true, 0, 1, ""},  {name, "build-host", nullptr, true, 31, 1, "build-host"},
      {name, "build-host", nullptr, true, 10, 0, ""}, {name, "build-host", nullptr, false, 31, 0, ""}};
  // clang-format on
  for (const auto& [query, host, address, start_ok, size, result, shown] : cases) {
    SCOPED_TRACE(string(host ? host : "(none)") + " " + std::to_string(size));
    host_ = host, address_ = address, reachable_ = start_ok, queries_ = 0;
    string memory(40, 'x');
    EXPECT_EQ(query(memory.data() + 4, size), result);
    EXPECT_EQ(memory, "xxxx" + shown + string(size - shown.size(), '\0') + string(36 - size, 'x'));
    EXPECT_EQ(queries_, 1);
  }
  // A missing buffer is refused before the system is asked.
  EXPECT_EQ(GetIPAddress(nullptr, 16) + GetHostNameEx(nullptr, 64), 0u);
  EXPECT_EQ(queries_, 1);
}

TEST_F(StandIn, LanguageNamesAndAFailedQueryCountsAsYes) {
  // The answers of LanguageIs2Byte and LanguageIsJapanese; CHN, not CHS.
  const std::pair<const char*, const char*> cases[] = {
      {"JPN", "11"}, {"jpn", "11"}, {"CHN", "10"},  {"cht", "10"}, {"KOR", "10"},  {"CHS", "00"},
      {"ENU", "00"}, {"JP", "00"},  {"JPNX", "00"}, {"", "00"},    {nullptr, "11"}};
  for (const auto& [name, answers] : cases) {
    language_ = name;
    EXPECT_EQ(std::to_string(LanguageIs2Byte()) + std::to_string(LanguageIsJapanese()), answers)
        << (name ? name : "(none)");
  }
}

TEST_F(StandIn, OsCodeAndTheGroupCheckOnlyOnTheNtPlatform) {
  // Version readable, the record, access granted, the code. Only the NT
  // platform has the groups: Administrators when the check grants access.
  // clang-format off
  const std::tuple<bool, os::version_record, bool, std::uint32_t> cases[] = {
      {false, {2, 5, 0, 2600, ""}, true, 0},  {true, {os::platform_posix, 6, 0, 1, ""}, true, 0},
      // Only the low word of a build counts (98 reports 4.10 in the high one).
      {true, {1, 4, 0, 0x040A07CEu, ""}, true, 0x02030005u},
      // NT 4.0's service pack is the character at index 13 of its text; any
      // other release of the platform is the platform alone.
      {true, {2, 4, 0, 1381, "Service Pack 6"}, true, 0x0305000Du},
      {true, {2, 4, 0, 1381, ""}, false, 0x03050000u},
      {true, {2, 5, 0, 1381, "Service Pack 6"}, true, 0x03000000u},
      {true, {2, 10, 0, 19045, ""}, true, 0x03000000u}};
  // clang-format on
  for (const auto& [readable, r, granted, code] : cases) {
    readable_ = readable, record_ = r, granted_ = granted, checks_ = 0;
    const std::uint32_t group = code >> 24 != 3 ? HOSTUTIL_GROUP_NONE
                                : granted       ? HOSTUTIL_GROUP_ADMINISTRATORS
                                                : HOSTUTIL_GROUP_USERS;
    EXPECT_EQ(GetOSVer(), code) << r.platform_id << " " << r.build << " " << r.service_pack;
    EXPECT_EQ(GetCurrentUserGroup(), group) << code;
    EXPECT_EQ(checks_, group == HOSTUTIL_GROUP_NONE ? 0 : 1) << code;
  }
}

TEST(PlatformOutput, EveryQueryCheckedAgainstTheOthers) {
  char folder[1024], host[256], computer[256], address[32];
  std::uint32_t size = sizeof computer, width = 7, height = 7;
  const std::uint32_t n = GetSystemDirectoryEx(folder, sizeof folder);
  ASSERT_TRUE(n > 0 && n == std::strlen(folder)) << n;
  ASSERT_EQ(GetHostNameEx(host, sizeof host), 1u);
  ASSERT_TRUE(GetComputerNameExEx(computer, &size) != 0 && size > 0 &&
              size == std::strlen(computer))
      << size;
  ASSERT_EQ(GetIPAddress(address, sizeof address), 1u);
  EXPECT_EQ(GetDisplaySize(&width, nullptr) + GetDisplaySize(nullptr, &height), 0u);
  EXPECT_EQ(width + height, 14u) << "a refused display size writes nothing";
  EXPECT_EQ(GetDisplaySize(&width, &height), 1u);
  const std::uint32_t os = GetOSVer(), group = GetCurrentUserGroup();
  // Windows upper-cases the computer name and may cut it to 15 characters.
  EXPECT_EQ(CompareNoCaseN(host, computer, size), 1u) << host << " / " << computer;
  EXPECT_EQ(std::strchr(computer, '.'), nullptr);
  EXPECT_EQ(string(address).find_first_not_of("0123456789."), string::npos) << address;
  // Only the NT platform has the two groups.
  EXPECT_TRUE(HOSTUTIL_OSVER_PLATFORM(os) == HOSTUTIL_OSVER_PLATFORM_NT
                  ? group == HOSTUTIL_GROUP_ADMINISTRATORS || group == HOSTUTIL_GROUP_USERS
                  : group == HOSTUTIL_GROUP_NONE)
      << group;
  // The system folder and the computer name one byte short of the NUL: the
  // size needed, nothing past the size given; missing buffers and sizes write
  // nothing at all; exactly enough: the text and its NUL.
  const std::uint32_t length = size;
  string small(n + 8, 'x'), short_name(length + 4, 'x');
  EXPECT_EQ(GetSystemDirectoryEx(small.data(), n), n + 1);
  EXPECT_EQ(GetComputerNameExEx(short_name.data(), &size), 0u);
  EXPECT_EQ(size, length + 1);
  EXPECT_EQ(GetSystemDirectoryEx(nullptr, 260) + GetSystemDirectoryEx(small.data() + n, 0) +
                GetComputerNameExEx(nullptr, &size) + GetComputerNameExEx(short_name.data(), nullptr),
            0u);
  EXPECT_EQ(small.substr(n) + short_name.substr(length), string(12, 'x'));
  EXPECT_EQ(GetSystemDirectoryEx(small.data(), n + 1), n);
  EXPECT_EQ(GetComputerNameExEx(short_name.data(), &size), 1u);
  EXPECT_EQ(small + short_name,
            folder + string(1, '\0') + "xxxxxxx" + computer + string(1, '\0') + "xxx");
  EXPECT_EQ(size, length);
}

TEST(DisplayUnderX, TheScreenOfTheVirtualServer) {
  const char* expected = std::getenv("HOSTUTIL_TEST_DISPLAY_SIZE");
  unsigned width = 0, height = 0;
  if (expected == nullptr || std::sscanf(expected, "%ux%u", &width, &height) != 2) {
    GTEST_SKIP()
        << "runs under a virtual X server with HOSTUTIL_TEST_DISPLAY_SIZE set (ctest does)";
  }
  std::uint32_t w = 0, h = 0;
  EXPECT_EQ(GetDisplaySize(&w, &h), 1u);
  EXPECT_EQ(std::tuple(w, h, GetDisplayWidth(), GetDisplayHeight()),
            std::tuple(width, height, width, height));
}

// The locale is taken when a process starts (under Wine a child keeps its
// parent's whatever its LANG), so ctest starts the whole suite under it.
TEST(StartedLocale, LanguageTestsAnswerForIt) {
  const char* expected = std::getenv("HOSTUTIL_TEST_LANGUAGE");
  if (expected == nullptr || std::strlen(expected) != 2) {
    GTEST_SKIP() << "runs when ctest starts the suite under LANG=ja_JP.UTF-8";
  }
  EXPECT_EQ(std::to_string(LanguageIs2Byte()) + std::to_string(LanguageIsJapanese()), expected)
      << "is the locale of LANG generated? scripts/install-deps makes ja_JP.UTF-8";
}

}  // namespace
