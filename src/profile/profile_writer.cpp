// WritePrivateProfileStrEx and WritePrivateProfileIntEx: the file read whole,
// its text rebuilt with the one key set, and written whole again. A missing
// file or section is never created; a file that cannot be rebuilt is untouched.
#include <cstdio>

#include "file/whole_file.h"
#include "frame/text.h"
#include "hostutil.h"
#include "profile/profile_text.h"

namespace {

using hostutil::empty;

namespace profile = hostutil::profile;

constexpr std::uint32_t output_margin = 512;  // room for the new line and its line ends

// "key=value", or the bare key when there is no value; false when it does not
// fit in a line of 255 characters.
bool make_new_line(const char* key, const char* value, char (&line)[profile::line_capacity]) {
  const int n = value != nullptr ? std::snprintf(line, sizeof line, "%s=%s", key, value)
                                 : std::snprintf(line, sizeof line, "%s", key);
  return n >= 0 && static_cast<std::size_t>(n) < sizeof line;
}

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL WritePrivateProfileStrEx(const char* section, const char* key,
                                                             const char* value, const char* path) {
  if (empty(path) || empty(section) || empty(key)) return 0;
  char header[profile::line_capacity];
  char new_line[profile::line_capacity];
  if (!profile::make_section_header(section, header) || !make_new_line(key, value, new_line)) {
    return 0;
  }
  hostutil::file::whole_file file(path);
  const std::uint32_t size = file.size();
  if (size == 0 || size > UINT32_MAX - output_margin) return 0;
  const std::uint32_t text_length = size + profile::text_margin;
  const auto text = file.read(text_length);
  file.close();
  profile::text_builder output;
  if (!text || !output.reserve(size + output_margin)) return 0;
  if (!profile::rebuild(text.get(), text_length, header, key, new_line, output)) return 0;
  // An empty text is refused by FileWrite, and the file stays as it was.
  return FileWrite(path, output.data(), output.size()) != 0 ? 1 : 0;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL WritePrivateProfileIntEx(const char* section, const char* key,
                                                             uint32_t value, const char* path,
                                                             uint32_t hexadecimal) {
  if (empty(path) || empty(section) || empty(key)) return 0;
  char text[profile::line_capacity] = {};
  if (hexadecimal != 0) {
    std::snprintf(text, sizeof text, "%08x", value);
  } else {
    std::snprintf(text, sizeof text, "%d", static_cast<int32_t>(value));
  }
  return WritePrivateProfileStrEx(section, key, text, path);
}

}  // extern "C"
