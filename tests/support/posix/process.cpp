// Child processes and scratch folders for the tests, POSIX side.
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "support/child.h"

extern char** environ;

namespace hostutil::test {

struct child_process::impl {
  pid_t pid = -1;
  bool waited = false;
  int status = -1;
};

std::string self_path() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

child_process::child_process(const std::string& role, const std::vector<std::string>& args)
    : impl_(new impl) {
  std::vector<std::string> all{self_path(), "--child-role", role};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  if (posix_spawn(&impl_->pid, all[0].c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    impl_->pid = -1;
  }
}

child_process::~child_process() {
  if (impl_->pid > 0 && !impl_->waited) {
    kill();
    wait();
  }
  delete impl_;
}

bool child_process::started() const { return impl_->pid > 0; }

int child_process::wait() {
  if (impl_->pid <= 0) return -1;
  if (!impl_->waited) {
    int st = 0;
    while (waitpid(impl_->pid, &st, 0) < 0) {
    }
    impl_->waited = true;
    impl_->status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  }
  return impl_->status;
}

void child_process::kill() {
  if (impl_->pid > 0 && !impl_->waited) ::kill(impl_->pid, SIGKILL);
}

std::string scratch_folder(const std::string& tag) {
  const char* tmp = getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/hostutil-" + tag + "-XXXXXX";
  if (mkdtemp(templ.data()) == nullptr) return std::string();
  return templ + "/";
}

}  // namespace hostutil::test
