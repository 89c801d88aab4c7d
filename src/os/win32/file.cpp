// Files on Windows: the system's own calls with the access and sharing the
// library has always used (a reader shares reading only, a writer nothing).
#include <windows.h>
// after windows.h
#include <mbstring.h>

#include <cstring>

#include "os/file.h"

namespace hostutil::os {
namespace {
// Open files and searches are the system's handles themselves.
HANDLE as_handle(void* opened) { return opened; }
template <typename Opened>
Opened* as_opened(HANDLE h) {
  return h == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<Opened*>(h);
}
}  // namespace

file* file_open_read(const char* path) {
  return as_opened<file>(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
}

file* file_open_write(const char* path) {
  return as_opened<file>(
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool file_size(file* f, std::uint64_t& size) {
  LARGE_INTEGER n;
  if (!GetFileSizeEx(as_handle(f), &n)) return false;
  size = static_cast<std::uint64_t>(n.QuadPart);
  return true;
}

bool file_read(file* f, void* buffer, std::uint32_t size, std::uint32_t& done) {
  DWORD n = 0;
  const BOOL ok = ReadFile(as_handle(f), buffer, size, &n, nullptr);
  done = n;
  return ok != 0;
}

bool file_write(file* f, const void* data, std::uint32_t size, std::uint32_t& done) {
  DWORD n = 0;
  const BOOL ok = WriteFile(as_handle(f), data, size, &n, nullptr);
  done = n;
  return ok != 0;
}

bool file_close(file* f) { return CloseHandle(as_handle(f)) != 0; }

bool file_delete(const char* path) { return DeleteFileA(path) != 0; }

search* find_first(const char* pattern, hu_WIN32_FIND_DATAA& record) {
  return as_opened<search>(FindFirstFileA(pattern, &record));
}

bool find_next(search* s, hu_WIN32_FIND_DATAA& record) {
  return FindNextFileA(as_handle(s), &record) != 0;
}

void find_close(search* s) { FindClose(as_handle(s)); }

bool set_attributes(const char* path, std::uint32_t attributes) {
  return SetFileAttributesA(path, attributes) != 0;
}

folder_result create_folder(const char* path) {
  if (CreateDirectoryA(path, nullptr)) return folder_result::created;
  return GetLastError() == ERROR_ALREADY_EXISTS ? folder_result::exists : folder_result::failed;
}

std::uint32_t drive_type(const char* root) { return GetDriveTypeA(root); }

bool move(const char* source, const char* destination) {
  return MoveFileA(source, destination) != 0;
}

std::uint32_t program_path(char* buffer, std::uint32_t size) {
  return GetModuleFileNameA(nullptr, buffer, size);
}

std::uint32_t temp_folder(char* buffer, std::uint32_t size) { return GetTempPathA(size, buffer); }

char path_separator() { return '\\'; }

const char* last_separator_multibyte(const char* path) {
  const unsigned char* at = _mbsrchr(reinterpret_cast<const unsigned char*>(path), '\\');
  return reinterpret_cast<const char*>(at);
}

const char* drive_of(const char* path, char (&scratch)[3]) {
  std::memset(scratch, 0, sizeof scratch);
  for (int i = 0; i < 2 && path[i] != '\0'; ++i) scratch[i] = path[i];
  return scratch;
}

}  // namespace hostutil::os
