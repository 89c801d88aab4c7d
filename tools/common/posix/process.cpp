// Child processes, the program's path and scratch folders on POSIX. A child is
// started by posix_spawnp, so a bare command name is looked up in PATH.
#include "common/process.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>

extern char** environ;

namespace hostutil::tools {

struct process::impl {
  pid_t pid = -1;
  int pipe = -1;  // the read end of a captured child's output
};

process::process(const std::vector<std::string>& argv, child_output output)
    : impl_(std::make_unique<impl>()) {
  if (argv.empty()) return;
  // The spawn takes the arguments as char*, but leaves them unchanged.
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  // Close-on-exec: only the copies on 1 and 2 reach the child.
  int ends[2] = {-1, -1};
  if (output == child_output::captured && pipe2(ends, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (ends[1] >= 0) {
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
  }
  std::fflush(nullptr);  // our lines first, then the child's
  if (posix_spawnp(&impl_->pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
    impl_->pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  if (ends[1] >= 0) close(ends[1]);
  if (impl_->pid > 0) {
    impl_->pipe = ends[0];
  } else if (ends[0] >= 0) {
    close(ends[0]);
  }
}

// Each does nothing once the child has been waited for, or when it never started.
process::~process() {
  kill();
  wait();
  if (impl_->pipe >= 0) close(impl_->pipe);
}

bool process::started() const { return impl_->pid > 0; }

int process::wait() {
  if (!started()) return -1;
  if (waited_) return status_;
  // Read before reaping: a child blocked on a full pipe would never end.
  char chunk[4096];
  while (impl_->pipe >= 0) {
    const ssize_t n = read(impl_->pipe, chunk, sizeof chunk);
    if (n > 0) {
      output_.append(chunk, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      close(impl_->pipe);
      impl_->pipe = -1;
    }
  }
  int st = 0;
  pid_t r;
  while ((r = waitpid(impl_->pid, &st, 0)) < 0 && errno == EINTR) {
  }
  waited_ = true;
  if (r > 0) status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  return status_;
}

void process::kill() {
  if (started() && !waited_) ::kill(impl_->pid, SIGKILL);
}

std::string self_path() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

std::string copy_of_self(const std::string& folder, const char* symbol) {
  const std::filesystem::path self = self_path();
  const std::string copy = folder + self.filename().string();
  std::error_code ec;
  std::filesystem::copy_file(self, copy, std::filesystem::copy_options::overwrite_existing, ec);
  Dl_info where{};
  const void* found = dlsym(RTLD_DEFAULT, symbol);
  if (ec || found == nullptr || dladdr(found, &where) == 0 || where.dli_fname == nullptr) {
    return std::string();
  }
  std::string path = std::filesystem::path(where.dli_fname).parent_path().string();
  if (const char* old = getenv("LD_LIBRARY_PATH"); old != nullptr && *old != '\0') {
    path += std::string(":") + old;
  }
  setenv("LD_LIBRARY_PATH", path.c_str(), 1);
  return copy;
}

std::string scratch_folder(const std::string& tag) {
  const char* tmp = getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/hostutil-" + tag + "-XXXXXX";
  if (mkdtemp(templ.data()) == nullptr) return std::string();
  return templ + "/";
}

void binary_stdio() {}

}  // namespace hostutil::tools
