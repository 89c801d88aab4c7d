// The POSIX port's language names: Windows' three-letter names from locale
// names, the precedence of LC_ALL, LC_MESSAGES and LANG, and the two language
// tests under several LANG values.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "hostutil.h"
#include "os/posix/language_names.h"

namespace {

std::string name_of(const char* locale) {
  char name[4];
  if (!hostutil::os::abbreviated_language_name(locale, name)) return "(none)";
  return name;
}

TEST(LanguageNames, FromLocaleNames) {
  const struct {
    const char* locale;
    const char* name;
  } cases[] = {
      {"ja_JP.UTF-8", "JPN"},
      {"ja_JP", "JPN"},
      {"ja", "JPN"},
      {"ja_JP.eucJP", "JPN"},
      {"ko_KR.UTF-8", "KOR"},
      {"zh_TW.UTF-8", "CHT"},
      {"zh_CN.UTF-8", "CHS"},
      {"zh_CN.GB18030", "CHS"},
      {"zh_HK.UTF-8", "ZHH"},
      {"zh_SG", "ZHI"},
      {"zh", "CHS"},
      {"en_US.UTF-8", "ENU"},
      {"en_GB.UTF-8", "ENG"},
      {"en_AU", "ENA"},
      {"en", "ENU"},
      {"en_XX", "ENU"},
      {"de_DE.UTF-8", "DEU"},
      {"de_CH.UTF-8", "DES"},
      {"de_AT@euro", "DEA"},
      {"fr_FR.UTF-8", "FRA"},
      {"fr_CA", "FRC"},
      {"it_IT", "ITA"},
      {"es_ES.UTF-8", "ESN"},
      {"es_MX", "ESM"},
      {"pt_BR.UTF-8", "PTB"},
      {"pt_PT", "PTG"},
      {"ru_RU.KOI8-R", "RUS"},
      {"C", "ENU"},
      {"POSIX", "ENU"},
      {"C.UTF-8", "ENU"},
      {"c.utf8", "ENU"},
      {"JA_jp.utf8", "JPN"},
      {"xx_YY.UTF-8", "(none)"},
      {"tlh", "(none)"},
      {"j", "(none)"},
      {"jap", "(none)"},
  };
  for (const auto& c : cases) EXPECT_EQ(name_of(c.locale), c.name) << c.locale;
}

// Sets the three locale variables for the life of the object.
class locale_environment {
 public:
  locale_environment(const char* all, const char* messages, const char* lang) {
    for (int i = 0; i < 3; ++i) {
      const char* old = getenv(names_[i]);
      if (old != nullptr) saved_[i] = old;
    }
    set("LC_ALL", all);
    set("LC_MESSAGES", messages);
    set("LANG", lang);
  }
  ~locale_environment() {
    for (int i = 0; i < 3; ++i) set(names_[i], saved_[i] ? saved_[i]->c_str() : nullptr);
  }
  locale_environment(const locale_environment&) = delete;
  locale_environment& operator=(const locale_environment&) = delete;

 private:
  static void set(const char* name, const char* value) {
    if (value == nullptr) {
      unsetenv(name);
    } else {
      setenv(name, value, 1);
    }
  }
  const char* names_[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::optional<std::string> saved_[3];
};

TEST(LanguageNames, PrecedenceOfTheVariables) {
  {
    const locale_environment env("ja_JP.UTF-8", "de_DE", "ko_KR");
    EXPECT_STREQ(hostutil::os::messages_locale(), "ja_JP.UTF-8");
  }
  {
    const locale_environment env("", "de_DE", "ko_KR");  // empty counts as unset
    EXPECT_STREQ(hostutil::os::messages_locale(), "de_DE");
  }
  {
    const locale_environment env(nullptr, nullptr, "ko_KR");
    EXPECT_STREQ(hostutil::os::messages_locale(), "ko_KR");
  }
  {
    const locale_environment env(nullptr, nullptr, nullptr);
    EXPECT_STREQ(hostutil::os::messages_locale(), "C");
  }
}

TEST(LanguageTests, UnderSeveralLangValues) {
  const struct {
    const char* lang;
    std::uint32_t two_byte, japanese;
  } cases[] = {
      {"ja_JP.UTF-8", 1, 1},
      {"ko_KR.UTF-8", 1, 0},
      {"zh_TW.UTF-8", 1, 0},
      // Windows calls simplified Chinese CHS, which is not among the names tested.
      {"zh_CN.UTF-8", 0, 0},
      {"en_US.UTF-8", 0, 0},
      {"de_DE.UTF-8", 0, 0},
      {"C", 0, 0},
      {"POSIX", 0, 0},
      // A language without a name counts as a yes for both.
      {"xx_YY.UTF-8", 1, 1},
  };
  for (const auto& c : cases) {
    const locale_environment env(nullptr, nullptr, c.lang);
    EXPECT_EQ(LanguageIs2Byte(), c.two_byte) << c.lang;
    EXPECT_EQ(LanguageIsJapanese(), c.japanese) << c.lang;
  }
  const locale_environment env(nullptr, "ja_JP.UTF-8", "en_US.UTF-8");
  EXPECT_EQ(LanguageIsJapanese(), 1u);
}

}  // namespace
