// Prints every system query's answer into the log (they depend on the machine);
// only the calls that must succeed are checked.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "hostutil.h"

namespace {

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

}  // namespace
