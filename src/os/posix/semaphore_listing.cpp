// This user's named semaphore objects as a whole: the sweep of those that no
// handle holds open any more, and the listing the host shows an operator, with
// who holds each open.
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <set>

#include "os/named_objects.h"
#include "os/posix/descriptor.h"
#include "os/posix/semaphore_object.h"

namespace hostutil::os {
namespace {

// An open folder, closed on every path.
using folder = std::unique_ptr<DIR, int (*)(DIR*)>;

// Calls visit(path) for every object file of this user and layout in the folder:
// one scan of it, the rest told apart by name alone. Throws std::bad_alloc.
template <typename Visit>
void for_each_object_file(Visit&& visit) {
  const std::string prefix = file_prefix();
  const folder dir(::opendir(object_folder().c_str()), ::closedir);
  if (dir == nullptr) return;
  while (const dirent* e = ::readdir(dir.get())) {
    if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0) {
      visit(object_folder() + '/' + e->d_name);
    }
  }
}

// An object file as found, opened, when it is a regular file of this user.
int open_found(const std::string& path, int mode, struct stat& st) {
  const int fd = ::open(path.c_str(), mode | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// The processes, other than this one, that have each of the files open, by inode:
// read from the links under /proc/PID/fd. The slot locks tell how many handles
// are open but not whose: F_OFD_GETLK and /proc/locks give -1 for the pid of an
// open-file-description lock. Only this user's processes can be read, which are
// the only ones that can open this user's objects.
std::map<ino_t, std::set<pid_t>> openers(dev_t device) {
  std::map<ino_t, std::set<pid_t>> found;
  const folder proc(::opendir("/proc"), ::closedir);
  if (proc == nullptr) return found;
  while (const dirent* p = ::readdir(proc.get())) {
    const pid_t pid = static_cast<pid_t>(std::atol(p->d_name));
    if (pid <= 0 || pid == ::getpid()) continue;
    const std::string fds = std::string("/proc/") + p->d_name + "/fd";
    const folder dir(::opendir(fds.c_str()), ::closedir);
    if (dir == nullptr) continue;
    while (const dirent* f = ::readdir(dir.get())) {
      struct stat st;
      if (f->d_name[0] != '.' && ::stat((fds + '/' + f->d_name).c_str(), &st) == 0 &&
          st.st_dev == device) {
        found[st.st_ino].insert(pid);
      }
    }
  }
  return found;
}

}  // namespace

void object_sweep() {
  errno_keeper keep;
  try {
    for_each_object_file([](const std::string& path) {
      struct stat st;
      const int fd = open_found(path, O_RDWR, st);
      if (fd < 0) return;
      // A guard that cannot be had means a handle is being opened or closed: alive.
      if (set_lock(fd, F_WRLCK, guard_byte, 1, false)) remove_if_last(fd, path.c_str());
      ::close(fd);
    });
  } catch (const std::bad_alloc&) {
    // What is left is swept by the next process, or reused by the next opener.
  }
}

std::vector<named_object> list_named_objects() {
  std::vector<named_object> objects;
  std::vector<ino_t> inodes;
  dev_t device = 0;
  for_each_object_file([&](const std::string& path) {
    struct stat st;
    const int fd = open_found(path, O_RDONLY, st);
    if (fd < 0) return;
    void* p = MAP_FAILED;
    const auto size = static_cast<std::size_t>(st.st_size);
    if (size >= sizeof(shared_block)) p = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    if (p != MAP_FAILED) {
      auto& b = *static_cast<shared_block*>(p);
      if (shared_word(b.magic).load(std::memory_order_acquire) == block_magic &&
          b.version == block_version && b.name_size == size - sizeof(shared_block)) {
        named_object o{std::string(reinterpret_cast<const char*>(&b + 1), b.name_size), path};
        o.count = shared_word(b.count).load(std::memory_order_relaxed);
        o.maximum = b.maximum;
        o.handles = 0;
        for (std::uint32_t s = 0, used = slots_used(b); s < used; ++s) {
          if (slot_alive(fd, s)) ++(b.states[s] == slot_kept ? o.kept : o.handles);
        }
        objects.push_back(std::move(o));
        inodes.push_back(st.st_ino);
        device = st.st_dev;
      }
      ::munmap(p, size);
    }
    ::close(fd);
  });
  if (objects.empty()) return objects;
  const auto open_by = openers(device);
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const auto it = open_by.find(inodes[i]);
    objects[i].processes = it == open_by.end() ? 0 : static_cast<std::int64_t>(it->second.size());
  }
  return objects;
}

}  // namespace hostutil::os
