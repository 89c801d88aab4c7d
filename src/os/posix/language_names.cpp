// Windows' abbreviated language names by ISO 639 language and ISO 3166
// territory. A language's first row without a territory is the name used for a
// territory the table does not list.
#include "os/posix/language_names.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace hostutil::os {

namespace {

struct language_row {
  const char* language;
  const char* territory;  // null: any other territory
  const char* name;
};

constexpr language_row rows[] = {
    {"af", nullptr, "AFK"}, {"ar", "IQ", "ARI"},    {"ar", "EG", "ARE"},    {"ar", "LY", "ARL"},
    {"ar", "DZ", "ARG"},    {"ar", "MA", "ARM"},    {"ar", "TN", "ART"},    {"ar", "OM", "ARO"},
    {"ar", "YE", "ARY"},    {"ar", "SY", "ARS"},    {"ar", "JO", "ARJ"},    {"ar", "LB", "ARB"},
    {"ar", "KW", "ARK"},    {"ar", "AE", "ARU"},    {"ar", "BH", "ARH"},    {"ar", "QA", "ARQ"},
    {"ar", nullptr, "ARA"}, {"be", nullptr, "BEL"}, {"bg", nullptr, "BGR"}, {"ca", nullptr, "CAT"},
    {"cs", nullptr, "CSY"}, {"cy", nullptr, "CYM"}, {"da", nullptr, "DAN"}, {"de", "CH", "DES"},
    {"de", "AT", "DEA"},    {"de", "LU", "DEL"},    {"de", "LI", "DEC"},    {"de", nullptr, "DEU"},
    {"el", nullptr, "ELL"}, {"en", "GB", "ENG"},    {"en", "AU", "ENA"},    {"en", "CA", "ENC"},
    {"en", "NZ", "ENZ"},    {"en", "IE", "ENI"},    {"en", "ZA", "ENS"},    {"en", "JM", "ENJ"},
    {"en", "BZ", "ENL"},    {"en", "TT", "ENT"},    {"en", "ZW", "ENW"},    {"en", "PH", "ENP"},
    {"en", "IN", "ENN"},    {"en", "MY", "ENM"},    {"en", "SG", "ENE"},    {"en", nullptr, "ENU"},
    {"es", "MX", "ESM"},    {"es", "GT", "ESG"},    {"es", "CR", "ESC"},    {"es", "PA", "ESA"},
    {"es", "DO", "ESD"},    {"es", "VE", "ESV"},    {"es", "CO", "ESO"},    {"es", "PE", "ESR"},
    {"es", "AR", "ESS"},    {"es", "EC", "ESF"},    {"es", "CL", "ESL"},    {"es", "UY", "ESY"},
    {"es", "PY", "ESZ"},    {"es", "BO", "ESB"},    {"es", "SV", "ESE"},    {"es", "HN", "ESH"},
    {"es", "NI", "ESI"},    {"es", "PR", "ESU"},    {"es", "US", "EST"},    {"es", nullptr, "ESN"},
    {"et", nullptr, "ETI"}, {"eu", nullptr, "EUQ"}, {"fa", nullptr, "FAR"}, {"fi", nullptr, "FIN"},
    {"fo", nullptr, "FOS"}, {"fr", "BE", "FRB"},    {"fr", "CA", "FRC"},    {"fr", "CH", "FRS"},
    {"fr", "LU", "FRL"},    {"fr", "MC", "FRM"},    {"fr", nullptr, "FRA"}, {"ga", nullptr, "IRE"},
    {"gl", nullptr, "GLC"}, {"he", nullptr, "HEB"}, {"hi", nullptr, "HIN"}, {"hr", nullptr, "HRV"},
    {"hu", nullptr, "HUN"}, {"hy", nullptr, "HYE"}, {"id", nullptr, "IND"}, {"is", nullptr, "ISL"},
    {"it", "CH", "ITS"},    {"it", nullptr, "ITA"}, {"ja", nullptr, "JPN"}, {"ka", nullptr, "KAT"},
    {"kk", nullptr, "KKZ"}, {"ko", nullptr, "KOR"}, {"lt", nullptr, "LTH"}, {"lv", nullptr, "LVI"},
    {"mk", nullptr, "MKI"}, {"ms", "BN", "MSB"},    {"ms", nullptr, "MSL"}, {"mt", nullptr, "MLT"},
    {"nb", nullptr, "NOR"}, {"no", nullptr, "NOR"}, {"nn", nullptr, "NON"}, {"nl", "BE", "NLB"},
    {"nl", nullptr, "NLD"}, {"pl", nullptr, "PLK"}, {"pt", "PT", "PTG"},    {"pt", nullptr, "PTB"},
    {"ro", nullptr, "ROM"}, {"ru", nullptr, "RUS"}, {"sk", nullptr, "SKY"}, {"sl", nullptr, "SLV"},
    {"sq", nullptr, "SQI"}, {"sr", nullptr, "SRB"}, {"sv", "FI", "SVF"},    {"sv", nullptr, "SVE"},
    {"sw", nullptr, "SWK"}, {"th", nullptr, "THA"}, {"tr", nullptr, "TRK"}, {"uk", nullptr, "UKR"},
    {"ur", nullptr, "URD"}, {"uz", nullptr, "UZB"}, {"vi", nullptr, "VIT"}, {"zh", "TW", "CHT"},
    {"zh", "HK", "ZHH"},    {"zh", "MO", "ZHM"},    {"zh", "SG", "ZHI"},    {"zh", nullptr, "CHS"},
};

// Case-blind equality of an ASCII part of length n with a NUL-ended text.
bool part_is(const char* part, std::size_t n, const char* text) {
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char a = static_cast<unsigned char>(part[i]);
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a + 0x20);
    const unsigned char lb = (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 0x20) : b;
    if (b == '\0' || a != lb) return false;
  }
  return text[n] == '\0';
}

}  // namespace

const char* messages_locale() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] != '\0') return value;
  }
  return "C";
}

bool abbreviated_language_name(const char* locale, char (&name)[4]) {
  std::memset(name, 0, sizeof name);
  if (locale == nullptr) return false;
  const std::size_t language_length = std::strcspn(locale, "_.@");
  const char* territory = locale + language_length;
  std::size_t territory_length = 0;
  if (*territory == '_') {
    ++territory;
    territory_length = std::strcspn(territory, ".@");
  }
  if (language_length == 0 || part_is(locale, language_length, "c") ||
      part_is(locale, language_length, "posix")) {
    std::memcpy(name, "ENU", 4);
    return true;
  }
  const language_row* fallback = nullptr;
  for (const language_row& row : rows) {
    if (!part_is(locale, language_length, row.language)) continue;
    if (row.territory == nullptr) {
      if (fallback == nullptr) fallback = &row;
    } else if (territory_length != 0 && part_is(territory, territory_length, row.territory)) {
      std::memcpy(name, row.name, 4);
      return true;
    }
  }
  if (fallback == nullptr) return false;
  std::memcpy(name, fallback->name, 4);
  return true;
}

}  // namespace hostutil::os
