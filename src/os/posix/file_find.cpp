// The find of files on POSIX: find records from statx, with Windows' attribute
// bits and times, and the wildcard patterns of the Windows find.
#include "os/posix/file_find.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "os/file.h"

namespace hostutil::os {

namespace {

std::uint64_t to_ticks(std::int64_t seconds, std::uint32_t nanoseconds) {
  constexpr std::int64_t seconds_1601_to_1970 = 11644473600;
  if (seconds < -seconds_1601_to_1970) return 0;
  return static_cast<std::uint64_t>(seconds + seconds_1601_to_1970) * 10000000u + nanoseconds / 100;
}

void set_time(hu_FILETIME& out, const struct statx_timestamp& ts) {
  const std::uint64_t ticks = to_ticks(ts.tv_sec, ts.tv_nsec);
  out.dwLowDateTime = static_cast<std::uint32_t>(ticks);
  out.dwHighDateTime = static_cast<std::uint32_t>(ticks >> 32);
}

std::uint32_t attributes_of(const char* full_path, const char* bare_name, mode_t own_mode) {
  std::uint32_t attributes = 0;
  mode_t mode = own_mode;
  if (S_ISLNK(own_mode)) {
    attributes |= attribute::reparse_point;
    // A link takes the kind and permissions of what it points at, as a
    // Windows symbolic link to a folder is itself a folder.
    struct stat target;
    if (::stat(full_path, &target) == 0) mode = target.st_mode;
  }
  if (S_ISDIR(mode)) {
    attributes |= attribute::directory;
  } else if (S_ISREG(mode)) {
    attributes |= attribute::archive;
  } else {
    attributes |= attribute::system_file;
  }
  if ((mode & write_bits) == 0) attributes |= attribute::read_only;
  if (bare_name[0] == '.') attributes |= attribute::hidden;
  if (attributes == 0) attributes = attribute::normal;
  return attributes;
}

bool fill_record(const char* full_path, const char* bare_name, hu_WIN32_FIND_DATAA* record) {
  struct statx sx;
  if (statx(AT_FDCWD, full_path, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
    return false;
  }
  if (record == nullptr) return true;
  std::memset(record, 0, sizeof *record);
  record->dwFileAttributes = attributes_of(full_path, bare_name, sx.stx_mode);
  // Birth time where the file system keeps it, else the last status change.
  set_time(record->ftCreationTime, (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime);
  set_time(record->ftLastAccessTime, sx.stx_atime);
  set_time(record->ftLastWriteTime, sx.stx_mtime);
  if (S_ISREG(sx.stx_mode)) {
    record->nFileSizeHigh = static_cast<std::uint32_t>(sx.stx_size >> 32);
    record->nFileSizeLow = static_cast<std::uint32_t>(sx.stx_size);
  }
  if (S_ISLNK(sx.stx_mode)) record->dwReserved0 = 0xA000000Cu;  // IO_REPARSE_TAG_SYMLINK
  std::size_t n = std::strlen(bare_name);
  if (n >= sizeof record->cFileName) n = sizeof record->cFileName - 1;
  std::memcpy(record->cFileName, bare_name, n);
  return true;
}

}  // namespace

// * is any run of characters, ? exactly one; as on Windows, a pattern ending
// in ".*" also matches a name without that extension ("*.*" is everything).
bool wildcard_match(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  const char* p = pattern;
  const char* n = name;
  while (*n != '\0') {
    if (*p == '*') {
      star = p++;
      resume = n;
    } else if (*p == '?' || *p == *n) {
      ++p;
      ++n;
    } else if (star != nullptr) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (*p == '*') ++p;
  if (*p == '\0') return true;
  if (p[0] != '.' || p[1] != '*') return false;
  for (p += 2; *p == '*';) ++p;
  return *p == '\0';
}

namespace {

bool is_dot_entry(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Joins folder (ending in "/" or empty) and name into out; false when too long.
bool join(char (&out)[PATH_MAX], const char* folder, std::size_t folder_length, const char* name) {
  const std::size_t name_length = std::strlen(name);
  if (folder_length + name_length >= sizeof out) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::memcpy(out, folder, folder_length);
  std::memcpy(out + folder_length, name, name_length + 1);
  return true;
}

}  // namespace

bool find_first(const char* pattern, hu_WIN32_FIND_DATAA* record) {
  const char* slash = std::strrchr(pattern, '/');
  const char* name = slash != nullptr ? slash + 1 : pattern;
  // A root or a path ending in "/" names no entry, and "." and ".." are no files.
  if (*name == '\0' || is_dot_entry(name)) {
    errno = ENOENT;
    return false;
  }
  if (std::strpbrk(name, "*?") == nullptr) return fill_record(pattern, name, record);

  const std::size_t folder_length =
      slash != nullptr ? static_cast<std::size_t>(slash - pattern) + 1 : 0;
  char folder[PATH_MAX];
  if (folder_length >= sizeof folder) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::memcpy(folder, pattern, folder_length);
  folder[folder_length] = '\0';
  DIR* dir = ::opendir(folder_length != 0 ? folder : ".");
  if (dir == nullptr) return false;
  char best[NAME_MAX + 1] = {};
  bool found = false;
  errno = 0;
  while (const struct dirent* entry = ::readdir(dir)) {
    if (is_dot_entry(entry->d_name) || !wildcard_match(name, entry->d_name)) continue;
    if (!found || std::strcmp(entry->d_name, best) < 0) {
      const std::size_t n = ::strnlen(entry->d_name, NAME_MAX);
      std::memcpy(best, entry->d_name, n);
      best[n] = '\0';
      found = true;
    }
  }
  ::closedir(dir);
  if (!found) {
    errno = ENOENT;
    return false;
  }
  char full[PATH_MAX];
  return join(full, folder, folder_length, best) && fill_record(full, best, record);
}

}  // namespace hostutil::os
