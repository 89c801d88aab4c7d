// The whole-file primitives the rest of the library stands on: read, write,
// delete, size, attributes, find, paths, folders, drive types, line splitting.
// Each call opens what it needs and closes it again; callers rely on the exact results.
#include <algorithm>
#include <cstring>

#include "file/line_iterator.h"
#include "file/whole_file.h"
#include "frame/text.h"
#include "hostutil.h"
#include "os/system_calls.h"

namespace {

using hostutil::clear_output;
using hostutil::empty;

namespace os = hostutil::os;

constexpr std::uint32_t create_folder_limit = 248;  // the joined path and its NUL

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL FileRead(const char* path, void* buffer, uint32_t bufferSize) {
  if (empty(path) || buffer == nullptr || bufferSize == 0) return 0;
  return hostutil::file::whole_file(path).read_into(buffer, bufferSize);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL FileWrite(const char* path, const void* data, uint32_t size) {
  if (empty(path) || data == nullptr || size == 0) return 0;
  // Files are never edited in place: the old one goes first.
  FileDelete(path);
  os::file_handle f(os::calls().file_open_write(path));
  if (!f) return 0;
  std::uint32_t done = 0;
  if (!os::calls().file_write(f.get(), data, size, done)) return 0;
  if (!f.close()) return 0;
  return done;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL FileDelete(const char* path) {
  if (path == nullptr) return 0;
  return os::calls().file_delete(path) ? 1 : 0;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL FileSizeGet(const char* path) {
  return hostutil::file::whole_file(path).size();
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL FileAttributesGet(const char* path) {
  hu_WIN32_FIND_DATAA record;
  if (path == nullptr || FindAndGetInformationOfFile(path, &record) == 0) {
    return HOSTUTIL_FILE_MISSING;
  }
  return record.dwFileAttributes;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL FileAttributesSet(const char* path, uint32_t attributes) {
  if (path == nullptr) return 0;
  return os::calls().set_attributes(path, attributes) ? 1 : 0;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL FindAndGetInformationOfFile(const char* path,
                                                                hu_WIN32_FIND_DATAA* findData) {
  if (path == nullptr) return 0;
  // Into a record of our own first: a failed search leaves the caller's as it was.
  hu_WIN32_FIND_DATAA record;
  if (!os::file_find(path, record)) return 0;
  if (findData != nullptr) std::memcpy(findData, &record, sizeof record);
  return 1;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFileOneLine(const char* text, uint32_t textLength,
                                                   uint32_t lineNumber, char* line,
                                                   uint32_t lineSize) {
  if (text == nullptr || textLength == 0 || lineNumber == 0 || !clear_output(line, lineSize)) {
    return 0;
  }
  hostutil::file::line_iterator lines(text, textLength);
  hostutil::file::line_view view{};
  for (std::uint32_t n = 0; n < lineNumber; ++n) {
    if (!lines.next(view)) return 0;
  }
  std::memcpy(line, view.data, std::min(view.length, lineSize - 1));
  return 1;
}

HOSTUTIL_API void HOSTUTIL_CALL GetFilePath(const char* fileName, char* buffer,
                                            uint32_t bufferSize) {
  if (!clear_output(buffer, bufferSize)) return;
  const std::uint32_t n = os::calls().program_path(buffer, bufferSize);
  // A cut program path would name the wrong folder: leave the buffer empty.
  if (n == 0 || n >= bufferSize) {
    std::memset(buffer, 0, bufferSize);
    return;
  }
  char* separator = std::strrchr(buffer, os::path_separator());
  if (separator == nullptr) return;
  *separator = '\0';
  if (fileName == nullptr) return;
  const std::size_t folder_length = static_cast<std::size_t>(separator - buffer);
  const std::size_t name_length = std::strlen(fileName);
  if (folder_length + 1 + name_length >= bufferSize) {
    std::memset(buffer, 0, bufferSize);
    return;
  }
  buffer[folder_length] = os::path_separator();
  std::memcpy(buffer + folder_length + 1, fileName, name_length + 1);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetTempDirPath(char* buffer, uint32_t bufferSize) {
  if (buffer == nullptr) return 0;
  std::memset(buffer, 0, bufferSize);
  // The length of a path that fits, or the size a path that does not would need.
  return os::calls().temp_folder(buffer, bufferSize) <= bufferSize ? 1 : 0;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL CreateFolder(const char* parentPath, const char* folderName) {
  if (empty(parentPath) || empty(folderName)) return 0;
  const char separator = os::path_separator();
  const char* last = os::last_separator_multibyte(parentPath);
  const bool joined_by_separator = last == nullptr || last[1] != '\0';
  const std::size_t parent_length = std::strlen(parentPath);
  const std::size_t name_length = std::strlen(folderName);
  const std::size_t length = parent_length + (joined_by_separator ? 1 : 0) + name_length;
  if (length >= create_folder_limit) return 0;
  char work[create_folder_limit] = {};
  std::memcpy(work, parentPath, parent_length);
  std::size_t at = parent_length;
  if (joined_by_separator) work[at++] = separator;
  std::memcpy(work + at, folderName, name_length);
  return os::calls().create_folder(work) != os::folder_result::failed ? 1 : 0;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetDriveTypeEx(const char* rootPath) {
  if (rootPath == nullptr) return 0;
  return os::calls().drive_type(rootPath);
}

}  // extern "C"
