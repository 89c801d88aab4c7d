// Files on POSIX with the Windows rules the library relies on: sharing modes as
// open-file-description locks (readers shared, writers exclusive, no waiting),
// find records from statx, and the port's attribute, drive-type and move rules.
#include "os/file.h"

#if !defined(__linux__)
#error "this file needs Linux: statx, open-file-description locks, renameat2, /proc"
#endif

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace hostutil::os {
namespace {

// A descriptor travels as descriptor + 1, so that a null file is never valid.
file* as_file(int fd) { return reinterpret_cast<file*>(static_cast<std::intptr_t>(fd) + 1); }
int as_fd(file* f) { return static_cast<int>(reinterpret_cast<std::intptr_t>(f) - 1); }

constexpr mode_t write_bits = S_IWUSR | S_IWGRP | S_IWOTH;

// Closes without letting close() disturb the error that explains the failure.
void close_keeping_errno(int fd) {
  const int saved = errno;
  ::close(fd);
  errno = saved;
}

// Takes a whole-file lock without waiting; the lock belongs to this open file
// description, so two opens in one process meet like two processes do.
bool lock_whole_file(int fd, short type) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  if (fcntl(fd, F_OFD_SETLK, &fl) == 0) return true;
  errno = EBUSY;
  return false;
}

// Windows keeps a file that somebody holds open from being deleted or moved.
// Here the deleter or mover takes the exclusive lock itself for the time of
// the unlink or rename, so that no writer can slip in between. Result: a
// descriptor to close afterwards, -1 when there is nothing to hold (no such
// regular file, or no right to open it for writing: then only a test is
// made), or held_elsewhere.
constexpr int held_elsewhere = -2;

int claim_exclusive(const char* path) {
  const int fd = ::open(path, O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd >= 0) {
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && !lock_whole_file(fd, F_WRLCK)) {
      ::close(fd);
      return held_elsewhere;
    }
    return fd;
  }
  const int probe = ::open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (probe < 0) return -1;
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  const bool held = fcntl(probe, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
  ::close(probe);
  return held ? held_elsewhere : -1;
}

// Closes what claim_exclusive opened, keeping errno.
void release_claim(int fd) {
  if (fd >= 0) close_keeping_errno(fd);
}

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

// Copies a regular file (mode and times too) or a symbolic link to a new
// destination on another file system, then deletes the source, as MoveFileA
// does across volumes. A failed copy leaves no destination behind.
bool move_across(const char* source, const char* destination) {
  struct stat st;
  if (::lstat(source, &st) != 0) return false;
  if (S_ISLNK(st.st_mode)) {
    char target[PATH_MAX];
    const ssize_t n = ::readlink(source, target, sizeof target - 1);
    if (n < 0) return false;
    target[n] = '\0';
    if (::symlink(target, destination) != 0) return false;
    if (::unlink(source) != 0) {
      const int saved = errno;
      ::unlink(destination);
      errno = saved;
      return false;
    }
    return true;
  }
  if (!S_ISREG(st.st_mode)) {
    errno = EXDEV;  // folders do not move between volumes
    return false;
  }
  // The mover's claim on the source keeps writers out while it is copied.
  const int in = ::open(source, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
  if (in < 0) return false;
  const int out = ::open(destination, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
  if (out < 0) {
    close_keeping_errno(in);
    return false;
  }
  bool ok = true;
  char chunk[32768];
  for (;;) {
    const ssize_t got = ::read(in, chunk, sizeof chunk);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    for (ssize_t put = 0; put < got;) {
      const ssize_t w = ::write(out, chunk + put, static_cast<std::size_t>(got - put));
      if (w < 0) {
        if (errno == EINTR) continue;
        ok = false;
        break;
      }
      put += w;
    }
    if (!ok) break;
  }
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  ok = ok && ::fchmod(out, st.st_mode & 07777) == 0 && ::futimens(out, times) == 0 &&
       ::fsync(out) == 0;
  if (::close(out) != 0) ok = false;
  if (ok && ::unlink(source) != 0) ok = false;
  if (!ok) {
    const int saved = errno;
    ::unlink(destination);
    errno = saved;
  }
  close_keeping_errno(in);
  return ok;
}

bool move_claimed(const char* source, const char* destination) {
  if (::renameat2(AT_FDCWD, source, AT_FDCWD, destination, RENAME_NOREPLACE) == 0) return true;
  if (errno == EINVAL || errno == ENOSYS) {
    // File systems without the no-replace rename: a hard link cannot replace
    // either. Folders cannot be linked; they are renamed when nothing is there.
    struct stat st;
    if (::lstat(source, &st) != 0) return false;
    if (S_ISDIR(st.st_mode)) {
      if (::lstat(destination, &st) == 0) {
        errno = EEXIST;
        return false;
      }
      return ::rename(source, destination) == 0;
    }
    if (::link(source, destination) == 0) {
      if (::unlink(source) == 0) return true;
      const int saved = errno;
      ::unlink(destination);
      errno = saved;
      return false;
    }
  }
  if (errno == EXDEV) return move_across(source, destination);
  return false;
}

}  // namespace

file* file_open_read(const char* path) {
  // Non-blocking, so that a FIFO is refused instead of waited on.
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    close_keeping_errno(fd);
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = S_ISDIR(st.st_mode) ? EISDIR : EACCES;
    return nullptr;
  }
  if (!lock_whole_file(fd, F_RDLCK)) {
    close_keeping_errno(fd);
    return nullptr;
  }
  return as_file(fd);
}

file* file_open_write(const char* path) {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    close_keeping_errno(fd);
    return nullptr;
  }
  // A read-only file refuses writers, the superuser included, as on Windows.
  if (!S_ISREG(st.st_mode) || (st.st_mode & write_bits) == 0) {
    ::close(fd);
    errno = EACCES;
    return nullptr;
  }
  if (!lock_whole_file(fd, F_WRLCK)) {
    close_keeping_errno(fd);
    return nullptr;
  }
  // Deleted by another writer between our open and our lock: what we would
  // write could never be read, so fail as a sharing violation does.
  struct stat now;
  if (::stat(path, &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino) {
    ::close(fd);
    errno = EBUSY;
    return nullptr;
  }
  return as_file(fd);
}

bool file_size(file* f, std::uint64_t& size) {
  struct stat st;
  if (::fstat(as_fd(f), &st) != 0) return false;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool file_read(file* f, void* buffer, std::uint32_t size, std::uint32_t& done) {
  done = 0;
  auto* at = static_cast<char*>(buffer);
  while (done < size) {
    const ssize_t n = ::read(as_fd(f), at + done, size - done);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::uint32_t>(n);
  }
  return true;
}

bool file_write(file* f, const void* data, std::uint32_t size, std::uint32_t& done) {
  done = 0;
  const auto* at = static_cast<const char*>(data);
  while (done < size) {
    const ssize_t n = ::write(as_fd(f), at + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::uint32_t>(n);
  }
  return true;
}

bool file_close(file* f) {
  // Linux releases the descriptor even when close reports an error; never retry.
  return ::close(as_fd(f)) == 0 || errno == EINTR;
}

bool file_delete(const char* path) {
  struct stat st;
  if (::lstat(path, &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  int claim = -1;
  if (S_ISREG(st.st_mode)) {
    if ((st.st_mode & write_bits) == 0) {
      errno = EACCES;
      return false;
    }
    claim = claim_exclusive(path);
    if (claim == held_elsewhere) {
      errno = EBUSY;
      return false;
    }
  }
  const bool ok = ::unlink(path) == 0;
  release_claim(claim);
  return ok;
}

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

bool set_attributes(const char* path, std::uint32_t attributes) {
  struct stat st;
  if (::stat(path, &st) != 0) return false;
  const mode_t mode = st.st_mode & 07777;
  mode_t wanted = mode;
  if (attributes & attribute::read_only) {
    wanted = mode & ~write_bits;
  } else if ((mode & write_bits) == 0) {
    wanted = mode | S_IWUSR;
  }
  // The other bits have no POSIX counterpart and are taken without effect.
  return wanted == mode || ::chmod(path, wanted) == 0;
}

folder_result create_folder(const char* path) {
  if (::mkdir(path, 0777) == 0) return folder_result::created;
  return errno == EEXIST ? folder_result::exists : folder_result::failed;
}

std::uint32_t drive_type(const char* root) {
  constexpr std::uint32_t no_root_dir = 1, removable = 2, fixed = 3, remote = 4, cdrom = 5,
                          ramdisk = 6;
  struct statfs fs;
  if (::statfs(root, &fs) != 0) return no_root_dir;
  switch (static_cast<std::uint32_t>(fs.f_type)) {
    case 0x6969u:      // NFS
    case 0x517Bu:      // SMB
    case 0xFF534D42u:  // CIFS
    case 0xFE534D42u:  // SMB2
    case 0x564Cu:      // NCP
    case 0x5346414Fu:  // AFS
    case 0x6B414653u:  // kAFS
    case 0x73757245u:  // Coda
    case 0x01021997u:  // 9P
    case 0x00C36400u:  // Ceph
    case 0x47504653u:  // GPFS
    case 0x0BD00BD0u:  // Lustre
      return remote;
    case 0x9660u:      // ISO 9660
    case 0x15013346u:  // UDF
      return cdrom;
    case 0x01021994u:  // tmpfs
    case 0x858458F6u:  // ramfs
      return ramdisk;
    default:
      break;
  }
  struct stat st;
  if (::stat(root, &st) != 0) return no_root_dir;
  // The kernel marks removable media on the disk; a partition asks its disk.
  char sys[96];
  static constexpr const char* flag_files[] = {"removable", "../removable"};
  for (const char* suffix : flag_files) {
    std::snprintf(sys, sizeof sys, "/sys/dev/block/%u:%u/%s", major(st.st_dev), minor(st.st_dev),
                  suffix);
    const int fd = ::open(sys, O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    char flag = '0';
    const ssize_t n = ::read(fd, &flag, 1);
    ::close(fd);
    if (n == 1) return flag == '1' ? removable : fixed;
  }
  return fixed;
}

bool move(const char* source, const char* destination) {
  const int claim = claim_exclusive(source);
  if (claim == held_elsewhere) {
    errno = EBUSY;
    return false;
  }
  const bool ok = move_claimed(source, destination);
  release_claim(claim);
  return ok;
}

std::uint32_t program_path(char* buffer, std::uint32_t size) {
  if (size == 0) return 0;
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof path) return 0;
  const auto length = static_cast<std::uint32_t>(n);
  if (length < size) {
    std::memcpy(buffer, path, length);
    buffer[length] = '\0';
    return length;
  }
  std::memcpy(buffer, path, size - 1);
  buffer[size - 1] = '\0';
  return size;
}

std::uint32_t temp_folder(char* buffer, std::uint32_t size) {
  const char* folder = std::getenv("TMPDIR");
  if (folder == nullptr || folder[0] == '\0') folder = "/tmp";
  const std::size_t n = std::strlen(folder);
  const bool add_separator = folder[n - 1] != '/';
  const std::size_t length = n + (add_separator ? 1 : 0);
  if (length >= 0xFFFFFFFFu) return 0;
  if (length + 1 > size) return static_cast<std::uint32_t>(length + 1);
  std::memcpy(buffer, folder, n);
  if (add_separator) buffer[n] = '/';
  buffer[length] = '\0';
  return static_cast<std::uint32_t>(length);
}

char path_separator() { return '/'; }

const char* last_separator_multibyte(const char* path) {
  const char* last = nullptr;
  std::mbstate_t state{};
  std::size_t left = std::strlen(path);
  while (left > 0) {
    if (*path == '/') last = path;
    std::size_t step = std::mbrlen(path, left, &state);
    if (step == static_cast<std::size_t>(-1) || step == static_cast<std::size_t>(-2) || step == 0) {
      // Not a character of the locale's set: take the byte alone and start afresh.
      state = std::mbstate_t{};
      step = 1;
    }
    path += step;
    left -= step;
  }
  return last;
}

const char* drive_of(const char* path, char (&)[3]) { return path; }

}  // namespace hostutil::os
