// Sample texts of the encoding tests, and the ANSI-side checks that the locale
// tests of both ports run under each code page.
#pragma once

#include <string>
#include <vector>

#include "hostutil.h"

namespace encoding_test {

using units = std::vector<hu_wchar>;

// A text in a byte encoding (UTF-8, or the ANSI code page under test) and in UTF-16.
struct sample {
  std::string bytes;
  std::u16string utf16;
};

// In UTF-8: ASCII, accented Latin, Japanese kana and a character beyond the BMP.
inline const std::vector<sample> samples{
    {"Hello, world", u"Hello, world"},
    {"Gr\xC3\xBC\xC3\x9F"
     "e \xC3\xA0 \xC3\x89t\xC3\xA9",
     u"Gr\u00FC\u00DFe \u00E0 \u00C9t\u00E9"},
    {"\xE3\x81\x82\xE3\x81\x84\xE3\x82\xA2\xE3\x82\xA4", u"\u3042\u3044\u30A2\u30A4"},
    {"a\xF0\x9F\x98\x80z", u"a\U0001F600z"}};

// Both single ANSI conversions of each sample (and one byte short), and all
// samples as CR LF lines both ways, which takes each line through the chained
// conversions. They run in child processes, so what failed comes back as text,
// a line each; empty when everything held.
std::string check_ansi_samples(const std::vector<sample>& texts);

}  // namespace encoding_test
