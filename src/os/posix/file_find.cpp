// The find of files on POSIX: find records from statx, with Windows' attribute
// bits and times, and the wildcard patterns of the Windows find.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "os/file.h"
#include "os/posix/file_bits.h"

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
  return attributes;
}

bool fill_record(const char* full_path, const char* bare_name, hu_WIN32_FIND_DATAA& record) {
  struct statx sx;
  if (statx(AT_FDCWD, full_path, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
    return false;
  }
  std::memset(&record, 0, sizeof record);
  record.dwFileAttributes = attributes_of(full_path, bare_name, sx.stx_mode);
  // Birth time where the file system keeps it, else the last status change.
  set_time(record.ftCreationTime, (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime);
  set_time(record.ftLastAccessTime, sx.stx_atime);
  set_time(record.ftLastWriteTime, sx.stx_mtime);
  if (S_ISREG(sx.stx_mode)) {
    record.nFileSizeHigh = static_cast<std::uint32_t>(sx.stx_size >> 32);
    record.nFileSizeLow = static_cast<std::uint32_t>(sx.stx_size);
  }
  if (S_ISLNK(sx.stx_mode)) record.dwReserved0 = 0xA000000Cu;  // IO_REPARSE_TAG_SYMLINK
  std::memcpy(record.cFileName, bare_name, strnlen(bare_name, sizeof record.cFileName - 1));
  return true;
}

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

struct search {
  std::string folder;  // the pattern's folder with its "/", or empty
  std::vector<std::string> names;
  std::size_t next = 0;
};

search* find_first(const char* pattern, hu_WIN32_FIND_DATAA& record) {
  const char* slash = std::strrchr(pattern, '/');
  const char* name = slash != nullptr ? slash + 1 : pattern;
  // "." and ".." find the folder they stand for, under its own name.
  char real[PATH_MAX];
  if (is_dot_entry(name)) {
    if (::realpath(pattern, real) == nullptr) return nullptr;
    pattern = real;
    slash = std::strrchr(pattern, '/');
    name = slash + 1;
  }
  // A root or a path ending in "/" names no entry.
  if (*name == '\0') {
    errno = ENOENT;
    return nullptr;
  }
  search* s = nullptr;
  DIR* dir = nullptr;
  try {
    s = new search;
    s->folder.assign(pattern, static_cast<std::size_t>(name - pattern));
    if (std::strpbrk(name, "*?") == nullptr) {
      s->names.emplace_back(name);
    } else if ((dir = ::opendir(s->folder.empty() ? "." : s->folder.c_str())) != nullptr) {
      while (const struct dirent* entry = ::readdir(dir)) {
        if (!is_dot_entry(entry->d_name) && wildcard_match(name, entry->d_name)) {
          s->names.emplace_back(entry->d_name);
        }
      }
      ::closedir(dir);
      dir = nullptr;
      std::sort(s->names.begin(), s->names.end());
      if (s->names.empty()) errno = ENOENT;
    }
  } catch (const std::bad_alloc&) {
    if (dir != nullptr) ::closedir(dir);
    errno = ENOMEM;
  }
  if (s != nullptr && !s->names.empty() && find_next(s, record)) return s;
  delete s;
  return nullptr;
}

// Entries removed since the search began are passed over; the error is the
// last one's.
bool find_next(search* s, hu_WIN32_FIND_DATAA& record) {
  if (s->next >= s->names.size()) {
    errno = ENOENT;
    return false;
  }
  while (s->next < s->names.size()) {
    const std::string& name = s->names[s->next++];
    char full[PATH_MAX];
    if (join(full, s->folder.c_str(), s->folder.size(), name.c_str()) &&
        fill_record(full, name.c_str(), record)) {
      return true;
    }
  }
  return false;
}

void find_close(search* s) { delete s; }

}  // namespace hostutil::os
