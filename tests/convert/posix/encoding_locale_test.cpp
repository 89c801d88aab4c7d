// The ANSI side on POSIX under other locales. The character set is fixed when a
// process first converts, so each locale is tried in a child process that sets
// its environment first; exit status 77 means the locale is not available.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "convert/encoding_samples.h"
#include "hostutil.h"
#include "os/codepage.h"
#include "support/child.h"

namespace {

constexpr int unavailable = 77;

// The port's own UTF-8 decoder: each maximal ill-formed subpart is one U+FFFD.
// C0 and C1 never lead; then an overlong three-byte form, an encoded surrogate,
// an overlong four-byte form and one above U+10FFFF; a good prefix cut short by
// ASCII, by the end of the text and by another character; a bad byte amid ASCII.
TEST(EncodingCodec, EachMaximalIllFormedSubpartIsOneReplacement) {
  const std::pair<std::string, std::u16string> rows[] = {
      {"\x80", u"\uFFFD"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},
      {"\xE0\x9F\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF5\x80", u"\uFFFD\uFFFD"},
      {"\xE2\x82@", u"\uFFFD@"},
      {"a\xF1\x80\x80", u"a\uFFFD"},
      {"\xF1\x80\x80\xE2\x82\xAC", u"\uFFFD\u20AC"},
      {"abcdefgh\xFFijklmnop", u"abcdefgh\uFFFDijklmnop"}};
  for (const auto& [utf8, utf16] : rows) {
    hu_wchar wide[32];
    const int32_t n = ChangeUTF8ToUTF16(utf8.data(), static_cast<uint32_t>(utf8.size()), wide, 32);
    EXPECT_EQ(std::u16string(wide, wide + std::max(n, 0)), utf16) << testing::PrintToString(utf8);
  }
}

// Characters the charset lacks are one "?" for each code unit, bytes it cannot
// decode and characters cut short one U+FFFD; each thread has converters of its own.
std::string check_euc_jp() {
  std::string failed = encoding_test::check_ansi_samples(
      {{"\xA4\xA2\xA5\xA2 kana", u"\u3042\u30A2 kana"}, {"\xC6\xFC\xCB\xDC", u"\u65E5\u672C"}});
  char narrow[8] = {};
  hu_wchar wide[8] = {};
  const hu_wchar pair[] = {'a', 0xD83D, 0xDE00, 'b'}, lone[] = {'a', 0xDC00, 'b'};
  if (ChangeUnicodeToAnsi(pair, 4, narrow, 8) != 4 || std::string(narrow) != "a??b" ||
      ChangeUnicodeToAnsi(lone, 3, narrow, 8) != 3 || std::string(narrow) != "a?b" ||
      ChangeAnsiToUnicode("a\xFF", 2, wide, 8) != 2 || wide[1] != 0xFFFD ||
      ChangeAnsiToUnicode("\xA4", 1, wide, 8) != 1 || wide[0] != 0xFFFD) {
    failed += "replacements\n";
  }
  std::vector<int> wrong(4, 0);
  hostutil::test::on_threads(4, [&wrong](int t) {
    const auto kana = static_cast<hu_wchar>(0x3042 + 2 * t);
    hu_wchar w[4] = {};
    char b[8] = {};
    for (int i = 0; i < 2000; ++i) {
      wrong[t] += ChangeUnicodeToAnsi(&kana, 1, b, 8) != 2 ||
                  ChangeAnsiToUnicode(b, 2, w, 4) != 1 || w[0] != kana;
    }
  });
  return failed + (wrong == std::vector<int>(4, 0) ? "" : "threads converting at once\n");
}

// args: LC_ALL, LC_CTYPE, LANG ("-" leaves one unset), then the charset expected.
HOSTUTIL_CHILD_ROLE(encoding_locale) {
  const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
  for (int i = 0; i < 3; ++i)
    args[i] == "-" ? unsetenv(names[i]) : setenv(names[i], args[i].c_str(), 1);
  const std::string charset = hostutil::os::ansi_charset();
  if (charset != args[3])
    return std::fprintf(stderr, "the charset is %s\n", charset.c_str()), unavailable;
  SemaphoreControlBegin();  // long texts take registered allocations
  // CP1252: the five bytes iconv lacks, as Windows maps them.
  const std::map<std::string, std::vector<encoding_test::sample>> samples{
      {"UTF-8", encoding_test::samples},
      {"CP1252", {{"\x80\x81\x9D", u"\u20AC\x81\x9D"}}},
      {"ISO-8859-1", {{"Gr\xFC\xDF\x65 \xFF", u"Gr\u00FC\u00DFe \u00FF"}}}};
  const auto known = samples.find(charset);
  std::string failed =
      known != samples.end() ? encoding_test::check_ansi_samples(known->second) : check_euc_jp();
  // CP1252 as Windows writes what the code page lacks: a best fit, or "?" for each unit.
  const std::u16string lacking = u"\u0100\uFF5E\u2212\u30FB\u3042\U0001F600";
  char b[12] = {};
  if (charset == "CP1252" &&
      (ChangeUnicodeToAnsi(reinterpret_cast<const hu_wchar*>(lacking.data()),
                           static_cast<uint32_t>(lacking.size()), b, sizeof b) != 7 ||
       std::string(b) != "A~-\xB7???"))
    failed += "best fits: " + std::string(b) + "\n";
  SemaphoreControlEnd();
  std::fprintf(stderr, "%s", failed.c_str());
  return failed.empty() ? 0 : 1;
}

// LC_ALL, then LC_CTYPE, then LANG; C and POSIX count as UTF-8, and a charset
// named in the locale needs no installed locale; one without asks the system.
TEST(EncodingLocale, WhichVariableAndWhichCharset) {
  const std::vector<std::string> cases[] = {{"de_DE.ISO-8859-1", "-", "-", "ISO-8859-1"},
                                            {"en_US.CP1252", "-", "-", "CP1252"},
                                            {"ja_JP.eucJP@x", "-", "-", "eucJP"},
                                            {"C", "-", "-", "UTF-8"},
                                            {"-", "-", "POSIX", "UTF-8"},
                                            {"-", "-", "-", "UTF-8"},
                                            {"-", "de_DE.ISO-8859-1", "ja_JP.EUC-JP", "ISO-8859-1"},
                                            {"", "", "ja_JP.EUC-JP", "EUC-JP"},
                                            {"C.UTF-8", "de_DE.ISO-8859-1", "-", "UTF-8"},
                                            {"ja_JP", "-", "-", "EUC-JP"}};
  for (const auto& c : cases) {
    hostutil::test::child_process child("encoding_locale", c);
    const int status = child.started() ? child.wait() : -1;
    if (status == unavailable && c[0] == "ja_JP") GTEST_SKIP() << "no ja_JP locale (EUC-JP)";
    EXPECT_EQ(status, 0) << testing::PrintToString(c);
  }
}

}  // namespace
