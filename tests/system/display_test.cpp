// The display size under a virtual X server whose size ctest names in
// HOSTUTIL_TEST_DISPLAY_SIZE as WIDTHxHEIGHT.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "hostutil.h"

namespace {

TEST(DisplayUnderX, TheScreenOfTheVirtualServer) {
  const char* expected = std::getenv("HOSTUTIL_TEST_DISPLAY_SIZE");
  unsigned width = 0, height = 0;
  if (expected == nullptr || std::sscanf(expected, "%ux%u", &width, &height) != 2) {
    GTEST_SKIP() << "runs under xvfb-run with HOSTUTIL_TEST_DISPLAY_SIZE set (ctest does)";
  }
  std::uint32_t w = 0, h = 0;
  EXPECT_EQ(GetDisplaySize(&w, &h), 1u);
  EXPECT_EQ(w, width);
  EXPECT_EQ(h, height);
  EXPECT_EQ(GetDisplayWidth(), width);
  EXPECT_EQ(GetDisplayHeight(), height);
}

}  // namespace
