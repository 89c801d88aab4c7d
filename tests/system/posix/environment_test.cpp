// What the POSIX port reads from the environment: locale variables and DISPLAY.
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

// Sets a variable (null: unsets it) for the life of the object.
class env_override {
 public:
  env_override(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) saved_ = old;
    set(name, value);
  }
  ~env_override() { set(name_, saved_ ? saved_->c_str() : nullptr); }
  env_override(const env_override&) = delete;
  env_override& operator=(const env_override&) = delete;

 private:
  static void set(const char* name, const char* value) {
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
  }
  const char* name_;
  std::optional<std::string> saved_;
};

struct locale_environment {
  locale_environment(const char* all, const char* messages, const char* lang)
      : all_("LC_ALL", all), messages_("LC_MESSAGES", messages), lang_("LANG", lang) {}
  env_override all_, messages_, lang_;
};

TEST(LanguageTests, UnderSeveralLocaleVariables) {
  // Simplified Chinese (CHS) is not among the names tested; a language without
  // a name counts as a yes for both. LC_ALL comes before LC_MESSAGES, which
  // comes before LANG; an empty one counts as unset, and none at all is C.
  const struct {
    const char *all, *messages, *lang;
    std::uint32_t two_byte, japanese;
  } cases[] = {{nullptr, nullptr, "ja_JP.UTF-8", 1, 1}, {nullptr, nullptr, "ko_KR.UTF-8", 1, 0},
               {nullptr, nullptr, "zh_TW.UTF-8", 1, 0}, {nullptr, nullptr, "zh_CN.UTF-8", 0, 0},
               {nullptr, nullptr, "en_US.UTF-8", 0, 0}, {nullptr, nullptr, "C", 0, 0},
               {nullptr, nullptr, "xx_YY.UTF-8", 1, 1}, {nullptr, nullptr, nullptr, 0, 0},
               {"ja_JP.UTF-8", "de_DE", "ko_KR", 1, 1}, {"", "ko_KR", "ja_JP.UTF-8", 1, 0},
               {nullptr, "ja_JP.UTF-8", "en_US.UTF-8", 1, 1}};
  for (const auto& c : cases) {
    const locale_environment env(c.all, c.messages, c.lang);
    SCOPED_TRACE(std::string(c.all ? c.all : "-") + " " + (c.messages ? c.messages : "-") + " " +
                 (c.lang ? c.lang : "-"));
    EXPECT_EQ(LanguageIs2Byte(), c.two_byte);
    EXPECT_EQ(LanguageIsJapanese(), c.japanese);
  }
}

// Without an X display the port answers 0 by 0 (libX11 is loaded only to ask).
TEST(Display, NoDisplayOrNoServerGivesZero) {
  {
    const env_override none("DISPLAY", nullptr);
    std::uint32_t width = 7, height = 7;
    EXPECT_EQ(GetDisplaySize(&width, &height), 1u);
    EXPECT_EQ(width, 0u);
    EXPECT_EQ(height, 0u);
  }
  const env_override nowhere("DISPLAY", ":4093");
  EXPECT_EQ(GetDisplayWidth(), 0u);
  EXPECT_EQ(GetDisplayHeight(), 0u);
}

}  // namespace
