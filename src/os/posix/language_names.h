// The three-letter language names Windows gives its locales ("ENU", "JPN",
// "CHT"), worked out from a POSIX locale name such as "ja_JP.UTF-8", so that
// the port answers the language queries with the platform's own names; and
// the locale name a category takes from the environment, which the language
// queries and the ANSI character set both start from; and the locale-blind
// ASCII name compare the language table and the POSIX profile reader share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hostutil::os {

// The locale name the C library would take for a category: LC_ALL, else the
// category's own variable ("LC_MESSAGES", "LC_CTYPE"), else LANG, the first
// that is set and not empty; null when none is.
const char* locale_name(const char* category);

// Case-blind equality of two ASCII names: only A to Z fold, whatever the locale.
bool same_folded(std::string_view a, std::string_view b);

// The abbreviated language name of a locale name (language, optional
// "_TERRITORY", optional ".codeset" and "@modifier"). "C" and "POSIX" count as
// English (United States); a language Windows has no name for is "ZZZ". False,
// and name empty, for a locale name that holds no language.
bool abbreviated_language_name(const char* locale, char (&name)[4]);

// The languages ("ll") and language-territory pairs ("ll_TT") given a name of
// their own, for walking them all.
std::vector<std::string> named_locales();

}  // namespace hostutil::os
