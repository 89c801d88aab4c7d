// Files on POSIX with the Windows rules the library relies on: sharing modes as
// open-file-description locks (readers shared, writers exclusive, no waiting),
// the port's attribute rules, and deletes and moves that a holder keeps out.
#include "os/file.h"

#include "os/posix/descriptor.h"
#include "os/posix/file_bits.h"

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
#include <string>

namespace hostutil::os {
namespace {

// A descriptor travels as descriptor + 1, so that a null file is never valid.
file* as_file(int fd) { return reinterpret_cast<file*>(static_cast<std::intptr_t>(fd) + 1); }
int as_fd(file* f) { return static_cast<int>(reinterpret_cast<std::intptr_t>(f) - 1); }

// Closes without letting close() disturb the error that explains the failure;
// a descriptor below 0 (nothing was opened) is passed over.
void close_keeping_errno(int fd) {
  if (fd < 0) return;
  const errno_keeper keep;
  ::close(fd);
}

// Removes what a failed move made, keeping the error that explains the failure.
void unlink_keeping_errno(const char* path) {
  const errno_keeper keep;
  ::unlink(path);
}

// The source goes once its destination stands; when it cannot go, the
// destination goes again.
bool drop_source(const char* source, const char* destination) {
  if (::unlink(source) == 0) return true;
  unlink_keeping_errno(destination);
  return false;
}

// Closes a descriptor that is not to be handed out: the open fails with error,
// or with the cause already in errno when error is 0.
file* refuse(int fd, int error) {
  close_keeping_errno(fd);
  if (error != 0) errno = error;
  return nullptr;
}

// Reads or writes size bytes through io (a signal does not cut it short);
// short_ends: a transfer that comes up short is the last.
template <typename Io, typename Byte>
bool transfer(Io io, int fd, Byte* at, std::uint32_t size, std::uint32_t& done, bool short_ends) {
  done = 0;
  while (done < size) {
    const std::uint32_t asked = size - done;
    const ssize_t n = io(fd, at + done, asked);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::uint32_t>(n);
    if (short_ends && static_cast<std::uint32_t>(n) < asked) break;
  }
  return true;
}

// Takes a whole-file lock without waiting: a file that somebody holds is busy.
bool lock_whole_file(int fd, short type) {
  if (set_lock(fd, type, 0, 0, false)) return true;
  errno = EBUSY;
  return false;
}

// Windows keeps a file that somebody holds open from being deleted or moved.
// Here the deleter or mover takes the exclusive lock itself for the time of
// the unlink or rename, so that no writer can slip in between. Result: a
// descriptor to close afterwards, -1 when there is nothing to hold (no such
// regular file, or no right to open it for writing: then only a test is
// made), or held_elsewhere with errno EBUSY.
constexpr int held_elsewhere = -2;

int claim_exclusive(const char* path) {
  const int fd = ::open(path, O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd >= 0) {
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && !lock_whole_file(fd, F_WRLCK)) {
      close_keeping_errno(fd);
      return held_elsewhere;
    }
    return fd;
  }
  const int probe = ::open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (probe < 0) return -1;
  struct flock fl = lock_range(F_WRLCK, 0, 0);
  const bool held = fcntl(probe, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
  ::close(probe);
  if (!held) return -1;
  errno = EBUSY;
  return held_elsewhere;
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
    return ::symlink(target, destination) == 0 && drop_source(source, destination);
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
  // Chunk by chunk until a read finds nothing more.
  bool ok = true;
  char chunk[32768];
  for (std::uint32_t got = 1, put = 0; ok && got > 0;) {
    ok = file_read(as_file(in), chunk, sizeof chunk, got) &&
         file_write(as_file(out), chunk, got, put);
  }
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  ok = ok && ::fchmod(out, st.st_mode & 07777) == 0 && ::futimens(out, times) == 0 &&
       ::fsync(out) == 0;
  if (::close(out) != 0) ok = false;
  if (ok && ::unlink(source) != 0) ok = false;
  if (!ok) unlink_keeping_errno(destination);
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
    if (::link(source, destination) == 0) return drop_source(source, destination);
  }
  if (errno == EXDEV) return move_across(source, destination);
  return false;
}

// Files are never edited in place: FileWrite deletes the old file and creates
// it anew. So that the new file keeps what the caller may keep of the old one
// (its permission bits, its group), the delete notes them, and the open that
// next creates the same path on this thread gives them to the new file.
struct deleted_file {
  std::string path;
  mode_t permissions = 0;
  gid_t group = 0;
  bool noted = false;
};
thread_local deleted_file t_deleted;

void note_deleted(const char* path, const struct stat& st) {
  try {
    t_deleted.path = path;
    t_deleted.permissions = st.st_mode & 0777;
    t_deleted.group = st.st_gid;
    t_deleted.noted = true;
  } catch (...) {
    t_deleted.noted = false;
  }
}

// Each part is kept when the system lets the caller set it.
void keep_deleted(int fd, const char* path) {
  if (!t_deleted.noted || t_deleted.path != path) return;
  t_deleted.noted = false;
  const errno_keeper keep;
  struct stat st;
  if (::fstat(fd, &st) != 0) return;
  if (st.st_gid != t_deleted.group && ::fchown(fd, static_cast<uid_t>(-1), t_deleted.group) != 0) {
    // Not a member of the old group: the new file keeps the caller's.
  }
  if ((st.st_mode & 0777) != t_deleted.permissions) ::fchmod(fd, t_deleted.permissions);
}

}  // namespace

file* file_open_read(const char* path) {
  // Non-blocking, so that a FIFO is refused instead of waited on.
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0) return refuse(fd, 0);
  if (!S_ISREG(st.st_mode)) return refuse(fd, S_ISDIR(st.st_mode) ? EISDIR : EACCES);
  if (!lock_whole_file(fd, F_RDLCK)) return refuse(fd, 0);
  return as_file(fd);
}

file* file_open_write(const char* path) {
  constexpr int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  int fd = ::open(path, flags | O_EXCL, 0666);
  if (fd >= 0) {
    keep_deleted(fd, path);
  } else if (errno == EEXIST) {
    fd = ::open(path, flags, 0666);
  }
  t_deleted.noted = false;
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0) return refuse(fd, 0);
  // A read-only file refuses writers, the superuser included, as on Windows.
  if (!S_ISREG(st.st_mode) || (st.st_mode & write_bits) == 0) return refuse(fd, EACCES);
  if (!lock_whole_file(fd, F_WRLCK)) return refuse(fd, 0);
  // Deleted by another writer between our open and our lock: what we would
  // write could never be read, so fail as a sharing violation does.
  struct stat now;
  if (::stat(path, &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino) {
    return refuse(fd, EBUSY);
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
  // Only regular files are opened, and their reads come up short only at the end.
  return transfer(::read, as_fd(f), static_cast<char*>(buffer), size, done, true);
}

bool file_write(file* f, const void* data, std::uint32_t size, std::uint32_t& done) {
  return transfer(::write, as_fd(f), static_cast<const char*>(data), size, done, false);
}

bool file_close(file* f) {
  // Linux releases the descriptor even when close reports an error; never retry.
  return ::close(as_fd(f)) == 0 || errno == EINTR;
}

bool file_delete(const char* path) {
  t_deleted.noted = false;
  struct stat st;
  if (::lstat(path, &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  // Devices, pipes and sockets are no files to delete, as on Windows (a
  // superuser's FileWrite to /dev/null must not replace the device); nor is a
  // read-only file.
  const bool regular = S_ISREG(st.st_mode);
  if (regular ? (st.st_mode & write_bits) == 0 : !S_ISLNK(st.st_mode)) {
    errno = EACCES;
    return false;
  }
  const int claim = regular ? claim_exclusive(path) : -1;
  if (claim == held_elsewhere) return false;
  const bool ok = ::unlink(path) == 0;
  close_keeping_errno(claim);
  if (ok && regular) note_deleted(path, st);
  return ok;
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

bool move(const char* source, const char* destination) {
  const int claim = claim_exclusive(source);
  if (claim == held_elsewhere) return false;
  const bool ok = move_claimed(source, destination);
  close_keeping_errno(claim);
  return ok;
}

}  // namespace hostutil::os
