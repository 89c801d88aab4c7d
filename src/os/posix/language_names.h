// The three-letter language names Windows gives its locales ("ENU", "JPN",
// "CHT"), worked out from a POSIX locale name such as "ja_JP.UTF-8", so that
// the port answers the language queries with the platform's own names.
#pragma once

namespace hostutil::os {

// The locale name the user's messages follow: LC_ALL, else LC_MESSAGES, else
// LANG, the first that is set and not empty; "C" when none is.
const char* messages_locale();

// The abbreviated language name of a locale name (language, optional
// "_TERRITORY", optional ".codeset" and "@modifier"). "C" and "POSIX" count as
// English (United States). False, and name empty, for a language without one.
bool abbreviated_language_name(const char* locale, char (&name)[4]);

}  // namespace hostutil::os
