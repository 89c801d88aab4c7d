// What the POSIX file and semaphore code share about descriptors: errno kept
// across clean-up calls, and open-file-description locks on a byte range.
#pragma once

#include <fcntl.h>

#include <cerrno>

namespace hostutil::os {

// Keeps errno across clean-up calls, so that a failure reports its own cause.
class errno_keeper {
 public:
  errno_keeper() : saved_(errno) {}
  ~errno_keeper() { errno = saved_; }
  errno_keeper(const errno_keeper&) = delete;
  errno_keeper& operator=(const errno_keeper&) = delete;

 private:
  int saved_;
};

// The lock record of type on length bytes from offset; a length of 0 reaches to
// the end of the file, so (0, 0) is the whole file.
inline struct flock lock_range(short type, off_t offset, off_t length) {
  struct flock fl = {};  // l_pid stays 0, as open-file-description locks require
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = offset;
  fl.l_len = length;
  return fl;
}

// Sets (F_RDLCK, F_WRLCK) or drops (F_UNLCK) an open-file-description lock on
// a range as lock_range gives it. These locks belong to the open file, not to the
// process, so two opens in one process meet like two processes do, and unlike
// classic record locks they are not lost when another descriptor of the file is
// closed. wait: block until the lock can be had (a signal does not end it).
inline bool set_lock(int fd, short type, off_t offset, off_t length, bool wait) {
  struct flock fl = lock_range(type, offset, length);
  for (;;) {
    if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
    if (errno != EINTR) return false;
  }
}

}  // namespace hostutil::os
