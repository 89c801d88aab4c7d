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

using encoding_test::to_u16;
using encoding_test::units;

constexpr int unavailable = 77;

int failures = 0;

void expect(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "locale check failed: %s\n", what);
    ++failures;
  }
}

// ANSI bytes and their UTF-16 text, both ways; then one byte short fails.
void expect_both_ways(const std::string& ansi, std::u16string_view utf16, const char* what) {
  units wide(utf16.size() + 4, 0x5A5A);
  const int32_t n = ChangeAnsiToUnicode(ansi.data(), static_cast<uint32_t>(ansi.size()),
                                        wide.data(), static_cast<uint32_t>(wide.size()));
  expect(n == static_cast<int32_t>(utf16.size()) && to_u16(wide.data(), n) == utf16, what);
  std::string narrow(ansi.size() + 4, 'Z');
  const units source(utf16.begin(), utf16.end());
  const int32_t m = ChangeUnicodeToAnsi(source.data(), static_cast<uint32_t>(source.size()),
                                        narrow.data(), static_cast<uint32_t>(narrow.size()));
  expect(m == static_cast<int32_t>(ansi.size()) && narrow.substr(0, m) == ansi, what);
  std::string tight(ansi.size(), 'Z');
  expect(ChangeUnicodeToAnsi(source.data(), static_cast<uint32_t>(source.size()), tight.data(),
                             static_cast<uint32_t>(ansi.size() - 1)) == 0 &&
             tight.back() == 'Z',
         "one byte short fails and writes nothing past the size");
}

// UTF-16 that the charset cannot hold: each character becomes one "?".
void expect_towards_ansi(const units& source, const std::string& ansi, const char* what) {
  char narrow[32] = {};
  const int32_t m =
      ChangeUnicodeToAnsi(source.data(), static_cast<uint32_t>(source.size()), narrow, 32);
  expect(m == static_cast<int32_t>(ansi.size()) && std::string(narrow, m) == ansi, what);
}

void check_euc_jp() {
  expect_both_ways("\xA4\xA2\xA5\xA2 kana", u"\u3042\u30A2 kana", "kana in EUC-JP");
  expect_both_ways("\xC6\xFC\xCB\xDC", u"\u65E5\u672C", "kanji in EUC-JP");
  expect_towards_ansi({'a', 0xD83D, 0xDE00, 'b'}, "a?b", "a surrogate pair is one ?");
  expect_towards_ansi({'a', 0xDC00, 'b'}, "a?b", "a lone surrogate is one ?");
  hu_wchar wide[8] = {};
  expect(ChangeAnsiToUnicode("a\xFF"
                             "b",
                             3, wide, 8) == 3 &&
             to_u16(wide, 3) == u"a\uFFFDb",
         "an undecodable byte is U+FFFD");
  expect(ChangeAnsiToUnicode("a\xA4", 2, wide, 8) == 2 && to_u16(wide, 2) == u"a\uFFFD",
         "a character cut short is U+FFFD");
  // Each thread has its own converter state.
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &wrong] {
      for (int i = 0; i < 2000; ++i) {
        hu_wchar w[4] = {};
        char b[8] = {};
        const units kana{static_cast<hu_wchar>(0x3042 + 2 * t)};
        if (ChangeUnicodeToAnsi(kana.data(), 1, b, 8) != 2 ||
            ChangeAnsiToUnicode(b, 2, w, 4) != 1 || w[0] != kana[0]) {
          ++wrong[t];
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int w : wrong) expect(w == 0, "threads converting at once");
}

void check_latin1() {
  std::string all_high;
  std::u16string all_high16;
  for (int b = 0x80; b <= 0xFF; ++b) {
    all_high.push_back(static_cast<char>(b));
    all_high16.push_back(static_cast<char16_t>(b));
  }
  expect_both_ways(all_high, all_high16, "every high byte of ISO-8859-1");
  expect_both_ways(
      "Gr\xFC\xDF"
      "e",
      u"Gr\u00FC\u00DFe", "accented Latin in ISO-8859-1");
  expect_towards_ansi({0x3042, 'x', 0x20AC}, "?x?", "kana and the euro sign are ?");
}

void check_utf8() {
  for (const auto& s : encoding_test::samples()) expect_both_ways(s.utf8, s.utf16, s.name);
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
  if (charset == "EUC-JP" || charset == "eucJP") check_euc_jp();
  if (charset == "ISO-8859-1") check_latin1();
  if (charset == "UTF-8") check_utf8();
  return failures;
}

int run_locale(const std::vector<std::string>& args) {
  hostutil::test::child_process child("encoding_locale", args);
  return child.started() ? child.wait() : -1;
}

TEST(EncodingLocale, CharsetNamedInTheLocaleNeedsNoInstalledLocale) {
  EXPECT_EQ(run_locale({"de_DE.ISO-8859-1", "-", "-", "ISO-8859-1"}), 0);
  EXPECT_EQ(run_locale({"ja_JP.eucJP@x", "-", "-", "eucJP"}), 0);
}

TEST(EncodingLocale, CAndPosixCountAsUtf8) {
  EXPECT_EQ(run_locale({"C", "-", "-", "UTF-8"}), 0);
  EXPECT_EQ(run_locale({"-", "-", "POSIX", "UTF-8"}), 0);
  EXPECT_EQ(run_locale({"-", "-", "-", "UTF-8"}), 0);
  EXPECT_EQ(run_locale({"", "", "C.UTF-8", "UTF-8"}), 0);
}

TEST(EncodingLocale, LcAllThenLcCtypeThenLang) {
  EXPECT_EQ(run_locale({"-", "de_DE.ISO-8859-1", "ja_JP.EUC-JP", "ISO-8859-1"}), 0);
  EXPECT_EQ(run_locale({"", "", "ja_JP.EUC-JP", "EUC-JP"}), 0);
  EXPECT_EQ(run_locale({"C.UTF-8", "de_DE.ISO-8859-1", "-", "UTF-8"}), 0);
}

TEST(EncodingLocale, LocaleWithoutCharsetAsksTheSystem) {
  const int status = run_locale({"ja_JP", "-", "-", "EUC-JP"});
  if (status == unavailable) {
    GTEST_SKIP() << "the ja_JP locale (EUC-JP) is not installed; scripts/install-deps makes it";
  }
  EXPECT_EQ(status, 0);
}

}  // namespace
