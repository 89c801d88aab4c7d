// The ANSI side of the Windows build under the code page the process started
// with, as Wine takes it from the Unix locale: Western European or Japanese.
#include <windows.h>
// after windows.h
#include <gtest/gtest.h>

#include <vector>

#include "convert/encoding_samples.h"
#include "hostutil.h"

namespace {

TEST(EncodingPlatform, AnsiSideUnderTheSystemCodePage) {
  std::vector<encoding_test::sample> samples;
  if (GetACP() == 1252)
    samples = {
        {"Gr\xFC\xDF"
         "e \x80 \xFF",
         u"Gr\u00FC\u00DFe \u20AC \u00FF"}};
  // Kana, kanji, half-width katakana, and a trail byte of 0x5C that is no backslash.
  if (GetACP() == 932) {
    samples = {{"\x82\xA0\x83\x41 kana", u"\u3042\u30A2 kana"},
               {"\x93\xFA\x96\x7B", u"\u65E5\u672C"},
               {"\xB1\xB2", u"\uFF71\uFF72"},
               {"\x95\x5C", u"\u8868"}};
  }
  if (samples.empty()) GTEST_SKIP() << "no samples for code page " << GetACP();
  SemaphoreControlBegin();
  EXPECT_EQ(encoding_test::check_ansi_samples(samples), "");
  SemaphoreControlEnd();
}

}  // namespace
