// What the POSIX port reads from the environment: locale variables and DISPLAY;
// and the language tests under every locale the machine has or the C library
// can make, and every language the port names: only Japanese, Chinese and
// Korean may answer yes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/process.h"
#include "hostutil.h"
#include "os/posix/language_names.h"

namespace {

// Sets a variable (null: unsets it) for the life of the object.
struct env_override {
  env_override(const char* variable, const char* value) : name(variable) {
    if (const char* old = getenv(variable)) saved = old;
    set(variable, value);
  }
  ~env_override() { set(name.c_str(), saved ? saved->c_str() : nullptr); }
  static void set(const char* n, const char* v) { v != nullptr ? setenv(n, v, 1) : unsetenv(n); }
  std::string name;
  std::optional<std::string> saved;
};

TEST(LanguageTests, UnderSeveralLocaleVariables) {
  // LC_ALL comes before LC_MESSAGES, which comes before LANG; an empty one
  // counts as unset, and none at all is C. Neither the encoding, nor a
  // modifier, nor case counts; a territory not listed takes the language's
  // own name (Simplified Chinese, CHS, is not among the names tested); a
  // language without a name counts as a yes for both. Plain locales of every
  // language: the test over every locale.
  const struct {
    const char *all, *messages, *lang, *answers;
  } cases[] = {
      {nullptr, nullptr, "JA_jp.eucJP@x", "11"}, {nullptr, nullptr, "ja", "11"},
      {nullptr, nullptr, "zh_TW.Big5", "10"},    {nullptr, nullptr, "zh_CN.UTF-8", "00"},
      {nullptr, nullptr, "zh_HK", "00"},         {nullptr, nullptr, nullptr, "00"},
      {nullptr, nullptr, "xx_YY.UTF-8", "11"},   {nullptr, nullptr, "jap", "11"},
      {"12_34", nullptr, nullptr, "11"},         {"/usr/lib/locale/ta_IN", nullptr, nullptr, "11"},
      {"ja_JP.UTF-8", "de_DE", "ko_KR", "11"},   {"", "ko_KR", "ja_JP.UTF-8", "10"},
      {nullptr, "ja_JP.UTF-8", "en_US", "11"}};
  for (const auto& c : cases) {
    const env_override all("LC_ALL", c.all), messages("LC_MESSAGES", c.messages),
        lang("LANG", c.lang);
    EXPECT_EQ(std::to_string(LanguageIs2Byte()) + std::to_string(LanguageIsJapanese()), c.answers)
        << (c.all ? c.all : "-") << " " << (c.messages ? c.messages : "-") << " "
        << (c.lang ? c.lang : "-");
  }
}

// Without an X display the port answers 0 by 0 (libX11 is loaded only to ask).
TEST(Display, NoDisplayOrNoServerGivesZero) {
  for (const char* display : {(const char*)nullptr, ":4093"}) {
    const env_override set("DISPLAY", display);
    std::uint32_t width = 7, height = 7;
    EXPECT_EQ(GetDisplaySize(&width, &height), 1u);
    EXPECT_EQ(width + height + GetDisplayWidth() + GetDisplayHeight(), 0u) << display;
  }
}

// The first word of every line a shell command prints on its standard output.
std::vector<std::string> first_words(const std::string& command) {
  std::vector<std::string> words;
  std::istringstream out(
      hostutil::tools::run_captured({"/bin/sh", "-c", "exec 2>/dev/null; " + command}).output);
  for (std::string line; std::getline(out, line);) {
    const std::string word = line.substr(0, line.find(' '));
    if (!word.empty()) words.push_back(word);
  }
  return words;
}

TEST(LanguageTestsEveryLocale, OnlyEastAsianLanguagesSayYes) {
  // What the machine has, and what its C library can make (ta_IN and km_KH
  // among them, once missing from the port's names).
  std::vector<std::string> locales = first_words("locale -a; cat /usr/share/i18n/SUPPORTED");
  for (const std::string& l : hostutil::os::named_locales()) locales.push_back(l + ".UTF-8");
  ASSERT_GT(locales.size(), 100u);

  for (const std::string& locale : locales) {
    const env_override all("LC_ALL", locale.c_str());
    const std::string language = locale.substr(0, locale.find_first_of("_.@"));
    EXPECT_EQ(LanguageIsJapanese(), language == "ja" ? 1u : 0u) << locale;
    // Chinese says yes for Traditional Chinese ("CHT") alone, as on Windows.
    if (language != "zh") {
      EXPECT_EQ(LanguageIs2Byte(), language == "ja" || language == "ko" ? 1u : 0u) << locale;
    }
  }
}

}  // namespace
