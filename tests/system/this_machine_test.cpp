// The answers of the machine the suite runs on: every query printed into the
// log and checked where it can be, and the runs ctest makes under a virtual X
// display (HOSTUTIL_TEST_DISPLAY_SIZE, WIDTHxHEIGHT) and under LANG=ja_JP.UTF-8
// (HOSTUTIL_TEST_LANGUAGE: the two language answers, as "11").
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>

#include "hostutil.h"

namespace {

using std::string;

TEST(PlatformOutput, EveryQueryShownAndCheckedAgainstTheOthers) {
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
  std::printf(
      "platform output:\n  system folder %s\n  host %s, computer %s, IPv4 address %s\n"
      "  OS code 0x%08X, user group %u, display %u x %u, 2-byte/Japanese language %u/%u\n",
      folder, host, computer, address, os, group, width, height, LanguageIs2Byte(),
      LanguageIsJapanese());
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
