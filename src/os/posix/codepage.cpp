// Code-page conversions on POSIX. UTF-8 goes through the library's exact codec;
// the ANSI code page is the character set of the user's locale as the
// environment names it (a C or POSIX locale counts as UTF-8), converted by iconv.
#include "os/codepage.h"

#include <errno.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <strings.h>

#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "os/posix/language_names.h"
#include "os/posix/windows_1252.h"
#include "os/utf_codec.h"

namespace hostutil::os {
namespace {

constexpr const char* utf16_name =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
constexpr std::size_t unit_bytes = sizeof(hu_wchar);

struct ansi_setting {
  bool utf8 = true;
  bool windows_1252 = false;  // converted as Windows does where iconv differs
  char name[64] = "UTF-8";
};

bool is_utf8_name(const char* name) {
  char folded[8] = {};
  std::size_t n = 0;
  for (const char* c = name; *c != '\0'; ++c) {
    if (*c == '-' || *c == '_') continue;
    if (n == sizeof folded - 1) return false;
    folded[n++] = static_cast<char>(*c >= 'a' && *c <= 'z' ? *c - 0x20 : *c);
  }
  return std::strcmp(folded, "UTF8") == 0;
}

// A charset named in the locale name ("ja_JP.eucJP@x") holds even where that
// locale is not installed; otherwise the installed locale is asked.
ansi_setting read_ansi_setting() {
  ansi_setting s;
  const char* locale = locale_name("LC_CTYPE");
  if (locale == nullptr || std::strcmp(locale, "C") == 0 || std::strcmp(locale, "POSIX") == 0) {
    return s;
  }
  char charset[sizeof s.name] = {};
  if (const char* dot = std::strchr(locale, '.'); dot != nullptr) {
    const std::size_t n = std::strcspn(dot + 1, "@");
    if (n == 0 || n >= sizeof charset) return s;
    std::memcpy(charset, dot + 1, n);
  } else {
    locale_t loc = newlocale(LC_CTYPE_MASK, locale, static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0)) return s;
    const char* codeset = nl_langinfo_l(CODESET, loc);
    if (codeset != nullptr && std::strlen(codeset) < sizeof charset) {
      std::strcpy(charset, codeset);
    }
    freelocale(loc);
  }
  if (charset[0] == '\0' || is_utf8_name(charset)) return s;
  // A charset iconv does not know would fail every conversion; UTF-8 is the
  // better guess then.
  iconv_t probe = iconv_open(utf16_name, charset);
  if (probe == reinterpret_cast<iconv_t>(-1)) return s;
  iconv_close(probe);
  s.utf8 = false;
  std::memcpy(s.name, charset, sizeof charset);
  s.windows_1252 = strcasecmp(charset, "CP1252") == 0 || strcasecmp(charset, "WINDOWS-1252") == 0;
  return s;
}

// Like Windows' ACP, the ANSI side is fixed when the process first needs it.
const ansi_setting& ansi() {
  static const ansi_setting setting = read_ansi_setting();
  return setting;
}

// iconv descriptors keep shift state, so each thread has its own pair.
class iconv_pair {
 public:
  ~iconv_pair() {
    if (to_utf16_ != closed()) iconv_close(to_utf16_);
    if (from_utf16_ != closed()) iconv_close(from_utf16_);
  }
  iconv_t to_utf16() { return opened(to_utf16_, utf16_name, ansi().name); }
  iconv_t from_utf16() { return opened(from_utf16_, ansi().name, utf16_name); }

 private:
  static iconv_t closed() { return reinterpret_cast<iconv_t>(-1); }
  static iconv_t opened(iconv_t& cd, const char* to, const char* from) {
    if (cd == closed()) {
      cd = iconv_open(to, from);
    } else {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    }
    return cd;
  }
  iconv_t to_utf16_ = closed();
  iconv_t from_utf16_ = closed();
};

thread_local iconv_pair t_iconv;

// Checks the counts as Windows does; the room is then cut to what it would take.
bool usable(std::uint32_t length, std::uint32_t& room) {
  if (length == 0 || length > INT_MAX || room == 0) {
    errno = EINVAL;
    return false;
  }
  if (room > INT_MAX) room = INT_MAX;
  return true;
}

std::uint32_t ansi_to_utf16(const char* text, std::uint32_t length, hu_wchar* out,
                            std::uint32_t capacity) {
  iconv_t cd = t_iconv.to_utf16();
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  char* in = const_cast<char*>(text);  // iconv's prototype; the input is only read
  std::size_t in_left = length;
  char* to = reinterpret_cast<char*>(out);
  std::size_t to_left = std::size_t{capacity} * unit_bytes;
  while (in_left > 0) {
    if (iconv(cd, &in, &in_left, &to, &to_left) != static_cast<std::size_t>(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) return 0;  // E2BIG: it does not fit
    // An undecodable byte becomes U+FFFD and the conversion goes on after it.
    if (to_left < unit_bytes) {
      errno = E2BIG;
      return 0;
    }
    const auto byte = static_cast<unsigned char>(*in);
    const hu_wchar replacement = ansi().windows_1252 && is_1252_hole(byte) ? byte : 0xFFFD;
    std::memcpy(to, &replacement, unit_bytes);
    to += unit_bytes;
    to_left -= unit_bytes;
    ++in;
    --in_left;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return static_cast<std::uint32_t>((std::size_t{capacity} * unit_bytes - to_left) / unit_bytes);
}

std::uint32_t utf16_to_ansi(const hu_wchar* text, std::uint32_t length, char* out,
                            std::uint32_t size) {
  iconv_t cd = t_iconv.from_utf16();
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  char* in = reinterpret_cast<char*>(const_cast<hu_wchar*>(text));
  std::size_t in_left = std::size_t{length} * unit_bytes;
  char* to = out;
  std::size_t to_left = size;
  while (in_left > 0) {
    if (iconv(cd, &in, &in_left, &to, &to_left) != static_cast<std::size_t>(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) return 0;
    // A character the charset lacks becomes "?", one for each code unit as on
    // Windows (a surrogate pair gives two), or in Windows-1252 its best fit.
    if (to_left < 1) {
      errno = E2BIG;
      return 0;
    }
    hu_wchar unit;
    std::memcpy(&unit, in, unit_bytes);
    *to++ = ansi().windows_1252 ? windows_1252_fit(unit) : '?';
    --to_left;
    in += unit_bytes;
    in_left -= unit_bytes;
  }
  // A stateful charset returns to its initial shift state at the end.
  if (iconv(cd, nullptr, nullptr, &to, &to_left) == static_cast<std::size_t>(-1)) return 0;
  return static_cast<std::uint32_t>(size - to_left);
}

// The codec's count, or 0 with E2BIG when the output had no room.
std::uint32_t counted(std::size_t n) {
  if (n != utf_overflow) return static_cast<std::uint32_t>(n);
  errno = E2BIG;
  return 0;
}

}  // namespace

std::uint32_t to_utf16(code_page from, const char* text, std::uint32_t length, hu_wchar* out,
                       std::uint32_t capacity) {
  if (!usable(length, capacity)) return 0;
  if (from == code_page::ansi && !ansi().utf8) return ansi_to_utf16(text, length, out, capacity);
  return counted(utf8_to_utf16(text, length, out, capacity));
}

std::uint32_t from_utf16(code_page to, const hu_wchar* text, std::uint32_t length, char* out,
                         std::uint32_t size) {
  if (!usable(length, size)) return 0;
  if (to == code_page::ansi && !ansi().utf8) return utf16_to_ansi(text, length, out, size);
  return counted(utf16_to_utf8(text, length, out, size));
}

const char* ansi_charset() { return ansi().name; }

void* zeroed_block(std::size_t bytes) { return std::calloc(bytes == 0 ? 1 : bytes, 1); }

void free_zeroed_block(void* block) { std::free(block); }

}  // namespace hostutil::os
