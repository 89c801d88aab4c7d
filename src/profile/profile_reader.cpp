// GetPrivateProfileStrEx and GetPrivateProfileIntEx: the file read whole into a
// registered allocation 256 bytes larger than the file, so its last line ends
// in a NUL, and walked once from the top. Nothing is kept between calls.
#include <cstring>

#include "file/whole_file.h"
#include "frame/text.h"
#include "hostutil.h"
#include "profile/profile_text.h"

namespace {

using hostutil::clear_output;
using hostutil::empty;

namespace profile = hostutil::profile;

constexpr std::uint32_t value_capacity = 256;

// The count taken from the file: 0 when it is missing, empty, cannot be read
// whole, or has nothing for the call.
std::uint32_t read_from_file(const char* path, const char* header, const char* key, char* buffer,
                             std::uint32_t bufferSize) {
  hostutil::file::whole_file file(path);
  const std::uint32_t size = file.size();
  if (size == 0 || size > UINT32_MAX - profile::text_margin) return 0;
  const std::uint32_t text_length = size + profile::text_margin;
  const auto text = file.read(text_length);
  if (!text) return 0;
  if (key == nullptr)
    return profile::list_keys(text.get(), text_length, header, buffer, bufferSize);
  return profile::find_value(text.get(), text_length, header, key, buffer, bufferSize);
}

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetPrivateProfileStrEx(const char* section, const char* key,
                                                           const char* defaultText, char* buffer,
                                                           uint32_t bufferSize, const char* path) {
  if (empty(path) || empty(section) || (key != nullptr && key[0] == '\0')) return 0;
  // A section name too long for the header's work buffer is refused as well.
  char header[profile::line_capacity];
  if (!profile::make_section_header(section, header) || !clear_output(buffer, bufferSize)) {
    return 0;
  }
  const std::uint32_t count = read_from_file(path, header, key, buffer, bufferSize);
  // The default only whole, with its NUL.
  if (count == 0 && defaultText != nullptr && std::strlen(defaultText) < bufferSize) {
    std::strcpy(buffer, defaultText);
  }
  return count;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetPrivateProfileIntEx(const char* section, const char* key,
                                                           uint32_t defaultValue,
                                                           const char* path) {
  if (empty(path) || empty(section) || empty(key)) return defaultValue;
  char value[value_capacity] = {};
  const uint32_t n = GetPrivateProfileStrEx(section, key, "DEFAULT", value, sizeof value, path);
  // A file can ask for the caller's default by name.
  if (n == 0 || CompareNoCase(value, "DEFAULT") != 0) return defaultValue;
  uint32_t number = 0;
  const bool hexadecimal = value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
  const int32_t converted = hexadecimal ? ChangeAsciiToHexEx(value + 2, n - 2, &number)
                                        : ChangeAsciiToBinEx(value, n, &number);
  return converted != 0 ? number : defaultValue;
}

}  // extern "C"
