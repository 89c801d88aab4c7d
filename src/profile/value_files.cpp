// Values kept in profile files beside the running program: the caller names
// the file alone, and its path is built in the program's folder, not the
// library's. The profile reader and writer do the rest.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "frame/text.h"
#include "hostutil.h"

namespace {

constexpr std::uint32_t path_capacity = 260;
constexpr std::uint32_t number_capacity = 64;

struct program_file {
  explicit program_file(const char* fileName) { GetFilePath(fileName, path, sizeof path); }
  char path[path_capacity] = {};
};

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL WriteFileValueString(const char* fileName, const char* section,
                                                         const char* key, const char* value) {
  if (fileName == nullptr) return 0;
  const program_file file(fileName);
  // The writer's own refusals are not passed on.
  WritePrivateProfileStrEx(section, key, value, file.path);
  return 1;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL WriteFileValueInt(const char* fileName, const char* section,
                                                      const char* key, int32_t value) {
  char text[number_capacity] = {};
  std::snprintf(text, sizeof text, "%d", value);
  return WriteFileValueString(fileName, section, key, text);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFileValueString(const char* fileName, const char* section,
                                                       const char* key, const char* defaultText,
                                                       char* buffer, uint32_t bufferSize) {
  if (!hostutil::clear_output(buffer, bufferSize)) return 0;
  if (fileName == nullptr) {
    if (defaultText != nullptr && std::strlen(defaultText) < bufferSize) {
      std::strcpy(buffer, defaultText);
    }
    return 0;
  }
  const program_file file(fileName);
  return GetPrivateProfileStrEx(section, key, defaultText, buffer, bufferSize, file.path);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFileValueInt(const char* fileName, const char* section,
                                                    const char* key, uint32_t defaultValue) {
  if (fileName == nullptr) return defaultValue;
  const program_file file(fileName);
  return GetPrivateProfileIntEx(section, key, defaultValue, file.path);
}

}  // extern "C"
