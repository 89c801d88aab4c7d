// Without an X display the port answers 0 by 0 (libX11 is loaded only to ask).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "hostutil.h"

namespace {

TEST(Display, NoDisplayGivesZero) {
  std::optional<std::string> saved;
  if (const char* d = getenv("DISPLAY")) saved = d;
  unsetenv("DISPLAY");
  std::uint32_t width = 7, height = 7;
  EXPECT_EQ(GetDisplaySize(&width, &height), 1u);
  EXPECT_EQ(width, 0u);
  EXPECT_EQ(height, 0u);
  // A display that names no server: the same.
  setenv("DISPLAY", ":4093", 1);
  EXPECT_EQ(GetDisplayWidth(), 0u);
  EXPECT_EQ(GetDisplayHeight(), 0u);
  if (saved) {
    setenv("DISPLAY", saved->c_str(), 1);
  } else {
    unsetenv("DISPLAY");
  }
}

}  // namespace
