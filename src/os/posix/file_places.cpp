// Where files live on POSIX: the drive type of a path from its file system
// (for a path not there yet, its nearest existing folder's),
// the program's own path, the temporary folder and the path separator.
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
#include <new>
#include <string>

#include "os/file.h"

namespace hostutil::os {

namespace {

// A path that does not exist (yet) lies on the file system of its nearest
// existing folder: its last components are dropped until statfs answers.
bool file_system_of(const char* path, std::string& where, struct statfs& fs) {
  where = path;
  for (;;) {
    if (::statfs(where.c_str(), &fs) == 0) return true;
    if (errno != ENOENT && errno != ENOTDIR) return false;
    while (!where.empty() && where.back() == '/') where.pop_back();
    const std::size_t slash = where.rfind('/');
    if (slash == std::string::npos) {
      if (where.empty() || where == ".") return false;
      where = ".";
    } else {
      where.resize(slash == 0 ? 1 : slash);
    }
  }
}

}  // namespace

std::uint32_t drive_type(const char* root) {
  constexpr std::uint32_t no_root_dir = 1, removable = 2, fixed = 3, remote = 4, cdrom = 5,
                          ramdisk = 6;
  struct statfs fs;
  std::string where;
  try {
    if (!file_system_of(root, where, fs)) return no_root_dir;
  } catch (const std::bad_alloc&) {
    return no_root_dir;
  }
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
  if (::stat(where.c_str(), &st) != 0) return no_root_dir;
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

std::uint32_t program_path(char* buffer, std::uint32_t size) {
  if (size == 0) return 0;
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof path) return 0;
  // A path cut to the room still ends in a NUL; the result then is size.
  const auto length = static_cast<std::uint32_t>(n);
  const std::uint32_t kept = length < size ? length : size - 1;
  std::memcpy(buffer, path, kept);
  buffer[kept] = '\0';
  return length < size ? length : size;
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
