// The POSIX port's language names: Windows' three-letter names from locale
// names, the precedence of LC_ALL, LC_MESSAGES and LANG, and the language tests.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <vector>

#include "hostutil.h"
#include "os/posix/language_names.h"

namespace {

TEST(LanguageNames, FromLocaleNames) {
  const std::vector<std::pair<const char*, std::vector<const char*>>> cases = {
      {"JPN", {"ja_JP.UTF-8", "ja_JP", "ja", "ja_JP.eucJP", "JA_jp.utf8"}},
      {"KOR", {"ko_KR.UTF-8"}},
      {"CHT", {"zh_TW.UTF-8"}},
      {"CHS", {"zh_CN.UTF-8", "zh_CN.GB18030", "zh"}},
      {"ZHH", {"zh_HK.UTF-8"}},
      {"ZHI", {"zh_SG"}},
      {"ENU", {"en_US.UTF-8", "en", "en_XX", "C", "POSIX", "C.UTF-8", "c.utf8"}},
      {"ENG", {"en_GB.UTF-8"}},
      {"ENA", {"en_AU"}},
      {"DEU", {"de_DE.UTF-8"}},
      {"DES", {"de_CH.UTF-8"}},
      {"DEA", {"de_AT@euro"}},
      {"FRA", {"fr_FR.UTF-8"}},
      {"FRC", {"fr_CA"}},
      {"ITA", {"it_IT"}},
      {"ESN", {"es_ES.UTF-8"}},
      {"ESM", {"es_MX"}},
      {"PTB", {"pt_BR.UTF-8"}},
      {"PTG", {"pt_PT"}},
      {"RUS", {"ru_RU.KOI8-R"}},
      {"(none)", {"xx_YY.UTF-8", "tlh", "j", "jap"}},
  };
  for (const auto& [expected, locales] : cases) {
    for (const char* locale : locales) {
      char name[4];
      const bool found = hostutil::os::abbreviated_language_name(locale, name);
      EXPECT_EQ(found ? std::string(name) : "(none)", expected) << locale;
    }
  }
}

// Sets LC_ALL, LC_MESSAGES and LANG (null: unset) for the life of the object.
class locale_environment {
 public:
  locale_environment(const char* all, const char* messages, const char* lang) {
    const char* values[3] = {all, messages, lang};
    for (int i = 0; i < 3; ++i) {
      if (const char* old = getenv(names_[i])) saved_[i] = old;
      set(names_[i], values[i]);
    }
  }
  ~locale_environment() {
    for (int i = 0; i < 3; ++i) set(names_[i], saved_[i] ? saved_[i]->c_str() : nullptr);
  }

 private:
  static void set(const char* name, const char* value) {
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
  }
  static constexpr const char* names_[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::optional<std::string> saved_[3];
};

TEST(LanguageNames, PrecedenceOfTheVariables) {
  const struct {
    const char *all, *messages, *lang, *expected;
  } cases[] = {
      {"ja_JP.UTF-8", "de_DE", "ko_KR", "ja_JP.UTF-8"},
      {"", "de_DE", "ko_KR", "de_DE"},  // empty counts as unset
      {nullptr, nullptr, "ko_KR", "ko_KR"},
      {nullptr, nullptr, nullptr, "C"},
  };
  for (const auto& c : cases) {
    const locale_environment env(c.all, c.messages, c.lang);
    EXPECT_STREQ(hostutil::os::messages_locale(), c.expected);
  }
}

TEST(LanguageTests, UnderSeveralLangValues) {
  // Simplified Chinese (CHS) is not among the names tested; a language without
  // a name counts as a yes for both.
  const struct {
    const char* lang;
    std::uint32_t two_byte, japanese;
  } cases[] = {{"ja_JP.UTF-8", 1, 1}, {"ko_KR.UTF-8", 1, 0}, {"zh_TW.UTF-8", 1, 0},
               {"zh_CN.UTF-8", 0, 0}, {"en_US.UTF-8", 0, 0}, {"C", 0, 0},
               {"xx_YY.UTF-8", 1, 1}};
  for (const auto& c : cases) {
    const locale_environment env(nullptr, nullptr, c.lang);
    EXPECT_EQ(LanguageIs2Byte(), c.two_byte) << c.lang;
    EXPECT_EQ(LanguageIsJapanese(), c.japanese) << c.lang;
  }
  const locale_environment env(nullptr, "ja_JP.UTF-8", "en_US.UTF-8");
  EXPECT_EQ(LanguageIsJapanese(), 1u);
}

}  // namespace
