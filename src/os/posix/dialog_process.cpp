// The processes of the POSIX dialogs and help: a dialog tool run by a middle
// process of the call and waited for, and a handler started detached. Both
// report through pipes, so that the host's SIGCHLD handling cannot change an
// answer.
#include "os/posix/dialog_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "os/posix/descriptor.h"

namespace hostutil::os::desktop {
namespace {

constexpr std::size_t output_limit = 1 << 16;

std::vector<char*> argv_of(std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return argv;
}

class file_descriptor {
 public:
  explicit file_descriptor(int fd = -1) : fd_(fd) {}
  ~file_descriptor() { reset(); }
  file_descriptor(const file_descriptor&) = delete;
  file_descriptor& operator=(const file_descriptor&) = delete;
  int get() const { return fd_; }
  void reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// Child processes of a call are reaped through a pidfd taken as soon as they
// are forked, so that a host that reaps children of its own first can never
// have another of its children taken in their place. Nothing is learnt from
// the wait (a host that ignores SIGCHLD leaves nothing to learn): answers come
// through pipes.
class own_child {
 public:
  explicit own_child(pid_t pid)
      : pid_(pid), pidfd_(pid > 0 ? static_cast<int>(syscall(SYS_pidfd_open, pid, 0)) : -1) {
    if (pidfd_ < 0 && errno == ESRCH) pid_ = -1;  // gone already: the host took it
  }
  ~own_child() {
    const errno_keeper keep;
    if (pidfd_ >= 0) {
      siginfo_t info;
      while (waitid(P_PIDFD, static_cast<id_t>(pidfd_), &info, WEXITED) < 0 && errno == EINTR) {
      }
      close(pidfd_);
    } else if (pid_ > 0) {
      while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
  }
  own_child(const own_child&) = delete;
  own_child& operator=(const own_child&) = delete;

 private:
  pid_t pid_;
  int pidfd_;
};

// In a forked child: the signal state a new process expects, whatever the host
// set (SIGCHLD ignored or caught, signals blocked). Async-signal-safe.
void default_signals() {
  struct sigaction plain;
  std::memset(&plain, 0, sizeof plain);
  plain.sa_handler = SIG_DFL;
  sigaction(SIGCHLD, &plain, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
}

// In a forked child: from becomes descriptor to, open across exec. Async-signal-safe.
void put_descriptor(int from, int to) {
  if (from == to) {
    fcntl(to, F_SETFD, 0);
  } else {
    dup2(from, to);
  }
}

// In a forked child that will not exec: closes every descriptor but keep, so
// that it holds none of the host's (a pipe the host reads to its end must not
// stay open here while the dialog is up). Async-signal-safe.
void keep_only_descriptor(int keep) {
  const bool below = keep == 0 || syscall(SYS_close_range, 0u, keep - 1u, 0u) == 0;
  if (!below || syscall(SYS_close_range, keep + 1u, ~0u, 0u) != 0) {
    for (int fd = 0; fd < 1024; ++fd) {
      if (fd != keep) close(fd);
    }
  }
}

// A read that a signal does not cut short.
ssize_t read_through_signals(int fd, void* buffer, std::size_t size) {
  ssize_t n;
  while ((n = read(fd, buffer, size)) < 0 && errno == EINTR) {
  }
  return n;
}

struct tool_report {
  int waited;  // 1: status holds how the tool ended
  int status;
};

}  // namespace

// Runs the tool with no input and its messages discarded, collecting what it
// prints. A middle process of this call starts the tool and waits for it, so
// that the host's SIGCHLD handling cannot take its end from us, and sends how
// it ended through a pipe. True when it ended with status 0 (the user confirmed).
bool run_tool(std::vector<std::string> args, std::string& output) {
  std::vector<char*> argv = argv_of(args);
  file_descriptor null_device(open("/dev/null", O_RDWR | O_CLOEXEC));
  int out[2], ends[2];
  if (null_device.get() < 0 || pipe2(out, O_CLOEXEC) != 0) return false;
  file_descriptor reader(out[0]), writer(out[1]);
  if (pipe2(ends, O_CLOEXEC) != 0) return false;
  file_descriptor end_reader(ends[0]), end_writer(ends[1]);
  const pid_t middle = fork();
  if (middle < 0) return false;
  if (middle == 0) {
    // Only async-signal-safe calls from here on.
    default_signals();
    const pid_t tool = fork();
    if (tool == 0) {
      put_descriptor(null_device.get(), 0);
      put_descriptor(writer.get(), 1);
      put_descriptor(null_device.get(), 2);
      execv(argv[0], argv.data());
      _exit(127);
    }
    keep_only_descriptor(end_writer.get());
    tool_report report{0, 0};
    if (tool > 0) {
      pid_t waited;
      while ((waited = waitpid(tool, &report.status, 0)) < 0 && errno == EINTR) {
      }
      report.waited = waited == tool ? 1 : 0;
    }
    [[maybe_unused]] const ssize_t w = write(end_writer.get(), &report, sizeof report);
    _exit(0);
  }
  const own_child reaped(middle);
  writer.reset();
  end_writer.reset();
  char chunk[4096];
  for (ssize_t n; (n = read_through_signals(reader.get(), chunk, sizeof chunk)) > 0;) {
    if (output.size() < output_limit) output.append(chunk, static_cast<std::size_t>(n));
  }
  tool_report report{0, 0};
  const ssize_t n = read_through_signals(end_reader.get(), &report, sizeof report);
  return n == static_cast<ssize_t>(sizeof report) && report.waited == 1 &&
         WIFEXITED(report.status) && WEXITSTATUS(report.status) == 0;
}

struct launch_report {
  int kind;  // 'P': the handler's process id; 'E': exec failed with the errno in value
  int value;
};

// Starts program with one argument, detached: a middle process starts the
// handler and exits at once, so the handler is left to run on its own. The
// handler reports its process id, and an exec failure, through a pipe that
// closes on exec; the middle's exit status is not needed, so the host's SIGCHLD
// handling cannot change the answer. The handler's process id; 0 when it did
// not start.
pid_t start_detached(const std::string& program, const std::string& argument) {
  std::vector<std::string> args{program, argument};
  std::vector<char*> argv = argv_of(args);
  file_descriptor null_device(open("/dev/null", O_RDWR | O_CLOEXEC));
  if (null_device.get() < 0) return 0;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return 0;
  file_descriptor reader(fds[0]);
  file_descriptor writer(fds[1]);
  const pid_t middle = fork();
  if (middle < 0) return 0;
  if (middle == 0) {
    // Only async-signal-safe calls from here on.
    default_signals();
    const pid_t handler = fork();
    if (handler == 0) {
      setsid();
      put_descriptor(null_device.get(), 0);
      put_descriptor(null_device.get(), 1);
      put_descriptor(null_device.get(), 2);
      execv(argv[0], argv.data());
      const launch_report failed{'E', errno};
      [[maybe_unused]] const ssize_t w = write(writer.get(), &failed, sizeof failed);
      _exit(127);
    }
    if (handler > 0) {
      const launch_report started{'P', static_cast<int>(handler)};
      [[maybe_unused]] const ssize_t w = write(writer.get(), &started, sizeof started);
    }
    _exit(handler > 0 ? 0 : 1);
  }
  const own_child reaped(middle);
  writer.reset();
  null_device.reset();
  pid_t handler = 0;
  bool exec_failed = false;
  launch_report report;
  while (read_through_signals(reader.get(), &report, sizeof report) ==
         static_cast<ssize_t>(sizeof report)) {
    if (report.kind == 'P') handler = report.value;
    if (report.kind == 'E') {
      exec_failed = true;
      errno = report.value;
    }
  }
  return exec_failed ? 0 : handler;
}

}  // namespace hostutil::os::desktop
