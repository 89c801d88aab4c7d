// Windows' abbreviated language names by ISO 639 language and ISO 3166
// territory. A language's first row without a territory is the name used for a
// territory the table does not list; a real language that Windows gives no name
// of its own has Windows' name for such languages, "ZZZ".
#include "os/posix/language_names.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace hostutil::os {

namespace {

struct language_row {
  const char* language;
  const char* territory;  // null: any other territory
  const char* name;
};

constexpr language_row rows[] = {
    {"af", nullptr, "AFK"},  {"am", nullptr, "AMH"},  {"ar", "IQ", "ARI"},
    {"ar", "EG", "ARE"},     {"ar", "LY", "ARL"},     {"ar", "DZ", "ARG"},
    {"ar", "MA", "ARM"},     {"ar", "TN", "ART"},     {"ar", "OM", "ARO"},
    {"ar", "YE", "ARY"},     {"ar", "SY", "ARS"},     {"ar", "JO", "ARJ"},
    {"ar", "LB", "ARB"},     {"ar", "KW", "ARK"},     {"ar", "AE", "ARU"},
    {"ar", "BH", "ARH"},     {"ar", "QA", "ARQ"},     {"ar", nullptr, "ARA"},
    {"arn", nullptr, "MPD"}, {"as", nullptr, "ASM"},  {"az", nullptr, "AZE"},
    {"ba", nullptr, "BAS"},  {"be", nullptr, "BEL"},  {"bg", nullptr, "BGR"},
    {"bn", "BD", "BNB"},     {"bn", nullptr, "BNG"},  {"bo", nullptr, "BOB"},
    {"br", nullptr, "BRE"},  {"bs", nullptr, "BSB"},  {"ca", nullptr, "CAT"},
    {"ckb", nullptr, "KUR"}, {"co", nullptr, "COS"},  {"cs", nullptr, "CSY"},
    {"cy", nullptr, "CYM"},  {"da", nullptr, "DAN"},  {"de", "CH", "DES"},
    {"de", "AT", "DEA"},     {"de", "LU", "DEL"},     {"de", "LI", "DEC"},
    {"de", nullptr, "DEU"},  {"dsb", nullptr, "DSB"}, {"dv", nullptr, "DIV"},
    {"el", nullptr, "ELL"},  {"en", "GB", "ENG"},     {"en", "AU", "ENA"},
    {"en", "CA", "ENC"},     {"en", "NZ", "ENZ"},     {"en", "IE", "ENI"},
    {"en", "ZA", "ENS"},     {"en", "JM", "ENJ"},     {"en", "BZ", "ENL"},
    {"en", "TT", "ENT"},     {"en", "ZW", "ENW"},     {"en", "PH", "ENP"},
    {"en", "IN", "ENN"},     {"en", "MY", "ENM"},     {"en", "SG", "ENE"},
    {"en", nullptr, "ENU"},  {"es", "MX", "ESM"},     {"es", "GT", "ESG"},
    {"es", "CR", "ESC"},     {"es", "PA", "ESA"},     {"es", "DO", "ESD"},
    {"es", "VE", "ESV"},     {"es", "CO", "ESO"},     {"es", "PE", "ESR"},
    {"es", "AR", "ESS"},     {"es", "EC", "ESF"},     {"es", "CL", "ESL"},
    {"es", "UY", "ESY"},     {"es", "PY", "ESZ"},     {"es", "BO", "ESB"},
    {"es", "SV", "ESE"},     {"es", "HN", "ESH"},     {"es", "NI", "ESI"},
    {"es", "PR", "ESU"},     {"es", "US", "EST"},     {"es", nullptr, "ESN"},
    {"et", nullptr, "ETI"},  {"eu", nullptr, "EUQ"},  {"fa", nullptr, "FAR"},
    {"fi", nullptr, "FIN"},  {"fil", nullptr, "FPO"}, {"fo", nullptr, "FOS"},
    {"fr", "BE", "FRB"},     {"fr", "CA", "FRC"},     {"fr", "CH", "FRS"},
    {"fr", "LU", "FRL"},     {"fr", "MC", "FRM"},     {"fr", nullptr, "FRA"},
    {"fy", nullptr, "FYN"},  {"ga", nullptr, "IRE"},  {"gd", nullptr, "GLA"},
    {"gl", nullptr, "GLC"},  {"gsw", nullptr, "GSW"}, {"gu", nullptr, "GUJ"},
    {"ha", nullptr, "HAU"},  {"he", nullptr, "HEB"},  {"hi", nullptr, "HIN"},
    {"hr", nullptr, "HRV"},  {"hr", "BA", "HRB"},     {"hsb", nullptr, "HSB"},
    {"hu", nullptr, "HUN"},  {"hy", nullptr, "HYE"},  {"id", nullptr, "IND"},
    {"ig", nullptr, "IBO"},  {"ii", nullptr, "III"},  {"is", nullptr, "ISL"},
    {"it", "CH", "ITS"},     {"it", nullptr, "ITA"},  {"iu", nullptr, "IUS"},
    {"ja", nullptr, "JPN"},  {"ka", nullptr, "KAT"},  {"kk", nullptr, "KKZ"},
    {"kl", nullptr, "KAL"},  {"km", nullptr, "KHM"},  {"kn", nullptr, "KDI"},
    {"ko", nullptr, "KOR"},  {"kok", nullptr, "KNK"}, {"ky", nullptr, "KYR"},
    {"lb", nullptr, "LBX"},  {"lo", nullptr, "LAO"},  {"lt", nullptr, "LTH"},
    {"lv", nullptr, "LVI"},  {"mi", nullptr, "MRI"},  {"mk", nullptr, "MKI"},
    {"ml", nullptr, "MYM"},  {"mn", nullptr, "MON"},  {"moh", nullptr, "MWK"},
    {"mr", nullptr, "MAR"},  {"ms", "BN", "MSB"},     {"ms", nullptr, "MSL"},
    {"mt", nullptr, "MLT"},  {"my", nullptr, "MYA"},  {"nb", nullptr, "NOR"},
    {"ne", nullptr, "NEP"},  {"nl", "BE", "NLB"},     {"nl", nullptr, "NLD"},
    {"nn", nullptr, "NON"},  {"no", nullptr, "NOR"},  {"nso", nullptr, "NSO"},
    {"oc", nullptr, "OCI"},  {"or", nullptr, "ORI"},  {"pa", "PK", "PAP"},
    {"pa", nullptr, "PAN"},  {"pl", nullptr, "PLK"},  {"prs", nullptr, "PRS"},
    {"ps", nullptr, "PAS"},  {"pt", "PT", "PTG"},     {"pt", nullptr, "PTB"},
    {"qut", nullptr, "QUT"}, {"quz", "BO", "QUB"},    {"quz", "EC", "QUE"},
    {"quz", nullptr, "QUP"}, {"rm", nullptr, "RMC"},  {"ro", nullptr, "ROM"},
    {"ru", nullptr, "RUS"},  {"rw", nullptr, "KIN"},  {"sa", nullptr, "SAN"},
    {"sah", nullptr, "SAH"}, {"se", "SE", "SMF"},     {"se", "FI", "SMG"},
    {"se", nullptr, "SME"},  {"si", nullptr, "SIN"},  {"sk", nullptr, "SKY"},
    {"sl", nullptr, "SLV"},  {"sq", nullptr, "SQI"},  {"sr", nullptr, "SRB"},
    {"sv", "FI", "SVF"},     {"sv", nullptr, "SVE"},  {"sw", nullptr, "SWK"},
    {"syr", nullptr, "SYR"}, {"ta", "LK", "TAM"},     {"ta", nullptr, "TAI"},
    {"te", nullptr, "TEL"},  {"tg", nullptr, "TAJ"},  {"th", nullptr, "THA"},
    {"tk", nullptr, "TUK"},  {"tn", nullptr, "TSN"},  {"tr", nullptr, "TRK"},
    {"tt", nullptr, "TTT"},  {"tzm", nullptr, "TZM"}, {"ug", nullptr, "UIG"},
    {"uk", nullptr, "UKR"},  {"ur", nullptr, "URD"},  {"ur", "IN", "URI"},
    {"uz", nullptr, "UZB"},  {"vi", nullptr, "VIT"},  {"wo", nullptr, "WOL"},
    {"xh", nullptr, "XHO"},  {"yo", nullptr, "YOR"},  {"zh", "TW", "CHT"},
    {"zh", "HK", "ZHH"},     {"zh", "MO", "ZHM"},     {"zh", "SG", "ZHI"},
    {"zh", nullptr, "CHS"},  {"zu", nullptr, "ZUL"},
};

// The other languages of ISO 639-1 and those of the C library's locales:
// languages, though Windows has no abbreviated name for them.
constexpr char unnamed_languages[] =
    "aa ab ae agr ak an anp ast av ay ayc bem ber bh bhb bho bi bm brx byn ce ch chr cmn "
    "cr crh csb cu cv doi dz ee eo ff fj fur gez gn gv hak hif hne ho ht hz ia ie ik io jv "
    "kab kg ki kj kr ks ku kv kw la lg li lij ln lu lzh mag mai mfe mg mh mhr miq mjw mni "
    "mnw na nan nd nds ng nhn niu nr nv ny oj om os pap pi qu raj rif rn sat sc sd sg sgs "
    "shn shs sid sm sn so ss st su szl tcy the ti tig tl to tpi ts tw ty unm ve vo wa wae "
    "wal yi yue yuw za";
constexpr char unnamed_language_name[] = "ZZZ";

char folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c; }

bool is_unnamed_language(std::string_view language) {
  for (const char* p = unnamed_languages;; ++p) {
    const std::size_t length = std::strcspn(p, " ");
    if (same_folded(language, {p, length})) return true;
    p += length;
    if (*p == '\0') return false;
  }
}

// Delivers a name of the table (three letters and the NUL).
bool put_name(char (&name)[4], const char* found) {
  std::memcpy(name, found, sizeof name);
  return true;
}

}  // namespace

bool same_folded(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return folded(x) == folded(y); });
}

const char* locale_name(const char* category) {
  for (const char* variable : {"LC_ALL", category, "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] != '\0') return value;
  }
  return nullptr;
}

bool abbreviated_language_name(const char* locale, char (&name)[4]) {
  std::memset(name, 0, sizeof name);
  if (locale == nullptr) return false;
  const std::string_view language(locale, std::strcspn(locale, "_.@"));
  const char* after = locale + language.size();
  const std::string_view territory =
      *after == '_' ? std::string_view(after + 1, std::strcspn(after + 1, ".@")) : "";
  if (language.empty() || same_folded(language, "c") || same_folded(language, "posix")) {
    return put_name(name, "ENU");
  }
  const language_row* fallback = nullptr;
  for (const language_row& row : rows) {
    if (!same_folded(language, row.language)) continue;
    if (row.territory == nullptr) {
      if (fallback == nullptr) fallback = &row;
    } else if (same_folded(territory, row.territory)) {
      return put_name(name, row.name);
    }
  }
  if (fallback != nullptr) return put_name(name, fallback->name);
  // A code that is no language at all (a garbled or made-up name) is a locale
  // that cannot be read, as an unknown locale identifier cannot be on Windows.
  return is_unnamed_language(language) && put_name(name, unnamed_language_name);
}

std::vector<std::string> named_locales() {
  std::vector<std::string> names;
  for (const language_row& row : rows) {
    names.push_back(std::string(row.language) + (row.territory ? "_" : "") +
                    (row.territory ? row.territory : ""));
  }
  return names;
}

}  // namespace hostutil::os
