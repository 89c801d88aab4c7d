// Child processes and scratch folders for the tests, Windows side.
#include <windows.h>

#include <string>

#include "common/command_line.h"
#include "support/child.h"

namespace hostutil::test {

struct child_process::impl {
  PROCESS_INFORMATION pi{};
  bool ok = false;
  bool waited = false;
  int status = -1;
};

std::string self_path() {
  char buf[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  return std::string(buf, n);
}


child_process::child_process(const std::string& role, const std::vector<std::string>& args)
    : impl_(new impl) {
  std::vector<std::string> argv{self_path(), "--child-role", role};
  argv.insert(argv.end(), args.begin(), args.end());
  std::string cmd = hostutil::tools::command_line(argv);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  impl_->ok = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &si, &impl_->pi) != 0;
}

child_process::~child_process() {
  if (impl_->ok && !impl_->waited) {
    kill();
    wait();
  }
  if (impl_->ok) {
    CloseHandle(impl_->pi.hProcess);
    CloseHandle(impl_->pi.hThread);
  }
  delete impl_;
}

bool child_process::started() const { return impl_->ok; }

int child_process::wait() {
  if (!impl_->ok) return -1;
  if (!impl_->waited) {
    WaitForSingleObject(impl_->pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(impl_->pi.hProcess, &code);
    impl_->waited = true;
    impl_->status = static_cast<int>(code);
  }
  return impl_->status;
}

void child_process::kill() {
  if (impl_->ok && !impl_->waited) TerminateProcess(impl_->pi.hProcess, 137);
}

std::string scratch_folder(const std::string& tag) {
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  for (unsigned i = 0; i < 1000; ++i) {
    std::string path = std::string(tmp) + "hostutil-" + tag + "-" +
                       std::to_string(GetCurrentProcessId()) + "-" + std::to_string(i);
    if (CreateDirectoryA(path.c_str(), nullptr)) return path + "\\";
  }
  return std::string();
}

}  // namespace hostutil::test
