// The language tests in a process started under LANG=ja_JP.UTF-8 (under Wine a
// child keeps its parent's locale, so ctest starts the suite so); the expected
// answers of LanguageIs2Byte and LanguageIsJapanese are in HOSTUTIL_TEST_LANGUAGE.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "hostutil.h"

namespace {

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
