// The ANSI side on POSIX under other locales. The character set is fixed when a
// process first converts, so each locale is tried in a child process that sets
// its environment first; exit status 77 means the locale is not available.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "convert/encoding_samples.h"
#include "hostutil.h"
#include "os/codepage.h"
#include "support/child.h"

namespace {

using encoding_test::ansi_sample;
using encoding_test::to_u16;
using encoding_test::units;

constexpr int unavailable = 77;

std::string check_euc_jp() {
  std::string failed = encoding_test::check_ansi_samples(
      {{"\xA4\xA2\xA5\xA2 kana", u"\u3042\u30A2 kana"}, {"\xC6\xFC\xCB\xDC", u"\u65E5\u672C"}});
  auto expect = [&failed](bool ok, const char* what) {
    if (!ok) failed += std::string(what) + "\n";
  };
  char narrow[8] = {};
  const units pair{'a', 0xD83D, 0xDE00, 'b'}, lone{'a', 0xDC00, 'b'};
  expect(ChangeUnicodeToAnsi(pair.data(), 4, narrow, 8) == 3 && std::string(narrow) == "a?b",
         "a character EUC-JP lacks is one ?");
  expect(ChangeUnicodeToAnsi(lone.data(), 3, narrow, 8) == 3 && std::string(narrow) == "a?b",
         "a lone surrogate is one ?");
  hu_wchar wide[8] = {};
  expect(ChangeAnsiToUnicode("a\xFF", 2, wide, 8) == 2 && to_u16(wide, 2) == u"a\uFFFD",
         "an undecodable byte is U+FFFD");
  expect(ChangeAnsiToUnicode("\xA4", 1, wide, 8) == 1 && wide[0] == 0xFFFD,
         "a character cut short is U+FFFD");
  // Each thread has converters of its own.
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &wrong] {
      const units kana{static_cast<hu_wchar>(0x3042 + 2 * t)};
      for (int i = 0; i < 2000; ++i) {
        hu_wchar w[4] = {};
        char b[8] = {};
        if (ChangeUnicodeToAnsi(kana.data(), 1, b, 8) != 2 ||
            ChangeAnsiToUnicode(b, 2, w, 4) != 1 || w[0] != kana[0]) {
          ++wrong[t];
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  expect(wrong == std::vector<int>(4, 0), "threads converting at once");
  return failed;
}

std::string check_latin1() {
  ansi_sample high;
  for (int b = 0xA0; b <= 0xFF; ++b) {
    high.ansi.push_back(static_cast<char>(b));
    high.utf16.push_back(static_cast<char16_t>(b));
  }
  std::string failed = encoding_test::check_ansi_samples({high,
                                                          {"Gr\xFC\xDF"
                                                           "e",
                                                           u"Gr\u00FC\u00DFe"}});
  char narrow[8] = {};
  const units outside{0x3042, 'x', 0x20AC};
  if (ChangeUnicodeToAnsi(outside.data(), 3, narrow, 8) != 3 || std::string(narrow) != "?x?") {
    failed += "kana and the euro sign are ?\n";
  }
  return failed;
}

std::string check_utf8() {
  std::vector<ansi_sample> same;
  for (const auto& s : encoding_test::samples()) same.push_back({s.utf8, s.utf16});
  return encoding_test::check_ansi_samples(same);
}

HOSTUTIL_CHILD_ROLE(encoding_locale) {
  // LC_ALL, LC_CTYPE, LANG ("-" leaves one unset), then the charset expected.
  const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
  for (int i = 0; i < 3; ++i) {
    if (args[i] == "-") {
      unsetenv(names[i]);
    } else {
      setenv(names[i], args[i].c_str(), 1);
    }
  }
  const std::string charset = hostutil::os::ansi_charset();
  if (charset != args[3]) {
    std::fprintf(stderr, "the ANSI character set is %s, not %s\n", charset.c_str(),
                 args[3].c_str());
    return unavailable;
  }
  SemaphoreControlBegin();  // long texts take registered allocations
  std::string failed;
  if (charset == "EUC-JP" || charset == "eucJP") failed = check_euc_jp();
  if (charset == "ISO-8859-1") failed = check_latin1();
  if (charset == "UTF-8") failed = check_utf8();
  SemaphoreControlEnd();
  std::fprintf(stderr, "%s", failed.c_str());
  return failed.empty() ? 0 : 1;
}

int run_locale(const std::vector<std::string>& args) {
  hostutil::test::child_process child("encoding_locale", args);
  return child.started() ? child.wait() : -1;
}

// LC_ALL, then LC_CTYPE, then LANG; C and POSIX count as UTF-8, and a charset
// named in the locale needs no installed locale.
TEST(EncodingLocale, WhichVariableAndWhichCharset) {
  const std::vector<std::vector<std::string>> cases{
      {"de_DE.ISO-8859-1", "-", "-", "ISO-8859-1"},
      {"ja_JP.eucJP@x", "-", "-", "eucJP"},
      {"C", "-", "-", "UTF-8"},
      {"-", "-", "POSIX", "UTF-8"},
      {"-", "-", "-", "UTF-8"},
      {"", "", "C.UTF-8", "UTF-8"},
      {"-", "de_DE.ISO-8859-1", "ja_JP.EUC-JP", "ISO-8859-1"},
      {"", "", "ja_JP.EUC-JP", "EUC-JP"},
      {"C.UTF-8", "de_DE.ISO-8859-1", "-", "UTF-8"}};
  for (const auto& c : cases) EXPECT_EQ(run_locale(c), 0) << testing::PrintToString(c);
}

TEST(EncodingLocale, LocaleWithoutCharsetAsksTheSystem) {
  const int status = run_locale({"ja_JP", "-", "-", "EUC-JP"});
  if (status == unavailable) {
    GTEST_SKIP() << "the ja_JP locale (EUC-JP) is not installed; scripts/install-deps makes it";
  }
  EXPECT_EQ(status, 0);
}

}  // namespace
