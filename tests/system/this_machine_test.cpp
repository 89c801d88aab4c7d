// The answers of the machine the suite runs on: every query printed into the
// log, those that can be checked against each other, and the runs ctest makes
// under a virtual X display (HOSTUTIL_TEST_DISPLAY_SIZE, WIDTHxHEIGHT) and under
// LANG=ja_JP.UTF-8 (HOSTUTIL_TEST_LANGUAGE: the two language answers, as "11").
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hostutil.h"
#include "system/internal.h"

namespace {

using std::string;

void show(const char* what, const std::string& answer) {
  std::printf("  %-22s %s\n", what, answer.c_str());
}

std::string hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

TEST(PlatformOutput, EveryQuery) {
  std::printf("platform output:\n");
  char text[512];
  const std::uint32_t folder = GetSystemDirectoryEx(text, sizeof text);
  EXPECT_GT(folder, 0u);
  show("system folder", folder > 0 && folder < sizeof text ? text : "(none)");

  std::uint32_t size = sizeof text;
  const std::uint32_t computer = GetComputerNameExEx(text, &size);
  EXPECT_NE(computer, 0u);
  show("computer name", computer != 0 ? std::string(text) : "(failed)");

  EXPECT_EQ(GetHostNameEx(text, sizeof text), 1u);
  show("host name", text);

  EXPECT_EQ(GetIPAddress(text, sizeof text), 1u);
  show("IPv4 address", text[0] != '\0' ? text : "(none)");

  show("OS code", hex(GetOSVer()));
  std::uint32_t width = 0, height = 0;
  EXPECT_EQ(GetDisplaySize(&width, &height), 1u);
  show("display", std::to_string(width) + " x " + std::to_string(height));
  show("LanguageIs2Byte", std::to_string(LanguageIs2Byte()));
  show("LanguageIsJapanese", std::to_string(LanguageIsJapanese()));
  show("user group", hex(GetCurrentUserGroup()));
}

TEST(SystemFolder, LengthOrSizeNeeded) {
  char guard[8];
  std::memset(guard, 'x', sizeof guard);
  EXPECT_EQ(GetSystemDirectoryEx(nullptr, 260), 0u);
  EXPECT_EQ(GetSystemDirectoryEx(guard, 0), 0u);
  EXPECT_EQ(guard[0], 'x');

  char folder[1024];
  const std::uint32_t n = GetSystemDirectoryEx(folder, sizeof folder);
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, sizeof folder);
  EXPECT_EQ(std::strlen(folder), n);

  // One byte short of the NUL: the size needed, nothing past the buffer.
  string small(n + 8, 'x');
  EXPECT_EQ(GetSystemDirectoryEx(small.data(), n), n + 1);
  EXPECT_EQ(small.substr(n), string(8, 'x'));
  EXPECT_EQ(GetSystemDirectoryEx(small.data(), n + 1), n);
  EXPECT_EQ(small, folder + string(1, '\0') + string(7, 'x'));
}

TEST(ComputerName, SizeProtocol) {
  std::uint32_t size = 64;
  EXPECT_EQ(GetComputerNameExEx(nullptr, &size), 0u);
  char name[256];
  EXPECT_EQ(GetComputerNameExEx(name, nullptr), 0u);

  size = sizeof name;
  ASSERT_NE(GetComputerNameExEx(name, &size), 0u);
  const std::uint32_t length = size;
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::strlen(name), length);
  EXPECT_EQ(std::strchr(name, '.'), nullptr);

  // Too small by the NUL: fails and asks for length + 1; the bytes past the
  // given size stay as they were.
  string small(length + 4, 'x');
  size = length;
  EXPECT_EQ(GetComputerNameExEx(small.data(), &size), 0u);
  EXPECT_EQ(size, length + 1);
  EXPECT_EQ(small.substr(length), "xxxx");
  EXPECT_EQ(GetComputerNameExEx(small.data(), &size), 1u);
  EXPECT_EQ(size, length);
  EXPECT_EQ(small, name + string(1, '\0') + "xxx");
}

TEST(HostName, TheComputerNameBeginsIt) {
  char host[256];
  ASSERT_EQ(GetHostNameEx(host, sizeof host), 1u);
  ASSERT_GT(std::strlen(host), 0u);
  char computer[256];
  std::uint32_t size = sizeof computer;
  ASSERT_NE(GetComputerNameExEx(computer, &size), 0u);
  // Windows upper-cases the computer name and may cut it to 15 characters.
  EXPECT_EQ(CompareNoCaseN(host, computer, size), 1u) << host << " / " << computer;
}

TEST(IpAddress, DottedDecimalOrEmpty) {
  char address[32];
  std::memset(address, 'x', sizeof address);
  ASSERT_EQ(GetIPAddress(address, sizeof address), 1u);
  const string text(address);
  EXPECT_LE(text.size(), 15u);
  EXPECT_EQ(text.find_first_not_of("0123456789."), string::npos) << text;
  EXPECT_TRUE(text.empty() || std::count(text.begin(), text.end(), '.') == 3) << text;
  EXPECT_EQ(string(address + text.size(), sizeof address - text.size()),
            string(sizeof address - text.size(), '\0'));
}

TEST(UserGroup, ThisSystemsAnswer) {
  const std::uint32_t platform = HOSTUTIL_OSVER_PLATFORM(GetOSVer());
  const std::uint32_t group = GetCurrentUserGroup();
  if (platform == HOSTUTIL_OSVER_PLATFORM_NT) {
    EXPECT_TRUE(group == HOSTUTIL_GROUP_ADMINISTRATORS || group == HOSTUTIL_GROUP_USERS) << group;
    EXPECT_EQ(group == HOSTUTIL_GROUP_ADMINISTRATORS,
              hostutil::system::IsCurrentUserAdministrator() != 0);
  } else {
    EXPECT_EQ(group, HOSTUTIL_GROUP_NONE);
  }
}

TEST(DisplayUnderX, TheScreenOfTheVirtualServer) {
  const char* expected = std::getenv("HOSTUTIL_TEST_DISPLAY_SIZE");
  unsigned width = 0, height = 0;
  if (expected == nullptr || std::sscanf(expected, "%ux%u", &width, &height) != 2) {
    GTEST_SKIP() << "runs under a virtual X server with HOSTUTIL_TEST_DISPLAY_SIZE set (ctest does)";
  }
  std::uint32_t w = 0, h = 0;
  EXPECT_EQ(GetDisplaySize(&w, &h), 1u);
  EXPECT_EQ(w, width);
  EXPECT_EQ(h, height);
  EXPECT_EQ(GetDisplayWidth(), width);
  EXPECT_EQ(GetDisplayHeight(), height);
}

// The locale is taken when a process starts (under Wine a child keeps its
// parent's whatever its LANG), so ctest starts the whole suite under it.
TEST(StartedLocale, LanguageTestsAnswerForIt) {
  const char* expected = std::getenv("HOSTUTIL_TEST_LANGUAGE");
  if (expected == nullptr || std::strlen(expected) != 2) {
    GTEST_SKIP() << "runs when ctest starts the suite under LANG=ja_JP.UTF-8";
  }
  EXPECT_EQ(LanguageIs2Byte(), static_cast<std::uint32_t>(expected[0] - '0'))
      << "is the locale of LANG generated? scripts/install-deps makes ja_JP.UTF-8";
  EXPECT_EQ(LanguageIsJapanese(), static_cast<std::uint32_t>(expected[1] - '0'));
}

}  // namespace
