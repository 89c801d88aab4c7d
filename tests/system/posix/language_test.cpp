// The language tests under every locale the machine has or the C library can
// make, and every language the port names: only Japanese, Chinese and Korean
// may answer yes (names that hold no language: the locale-variable test).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "hostutil.h"
#include "os/posix/language_names.h"

namespace {

// The first word of every line a command prints.
std::vector<std::string> first_words(const std::string& command) {
  std::vector<std::string> words;
  if (FILE* out = popen(command.c_str(), "r")) {
    for (char line[512]; fgets(line, sizeof line, out) != nullptr;) {
      const std::string text(line);
      const std::string word = text.substr(0, text.find_first_of(" \n"));
      if (!word.empty()) words.push_back(word);
    }
    pclose(out);
  }
  return words;
}

TEST(LanguageTestsEveryLocale, OnlyEastAsianLanguagesSayYes) {
  // What the machine has, and what its C library can make (ta_IN and km_KH
  // among them, once missing from the port's names).
  std::vector<std::string> locales = first_words("locale -a; cat /usr/share/i18n/SUPPORTED");
  for (const std::string& l : hostutil::os::named_locales()) locales.push_back(l + ".UTF-8");
  ASSERT_GT(locales.size(), 100u);

  const char* saved = getenv("LC_ALL");
  const std::string old_all = saved != nullptr ? saved : "";
  for (const std::string& locale : locales) {
    setenv("LC_ALL", locale.c_str(), 1);
    const std::string language = locale.substr(0, locale.find_first_of("_.@"));
    EXPECT_EQ(LanguageIsJapanese(), language == "ja" ? 1u : 0u) << locale;
    // Chinese says yes for Traditional Chinese ("CHT") alone, as on Windows.
    if (language != "zh") {
      EXPECT_EQ(LanguageIs2Byte(), language == "ja" || language == "ko" ? 1u : 0u) << locale;
    }
  }
  saved != nullptr ? setenv("LC_ALL", old_all.c_str(), 1) : unsetenv("LC_ALL");
}

}  // namespace
