// Child processes, the program's path and scratch folders on Windows. A child
// inherits our inheritable handles, the standard ones among them, so that its
// output goes where ours goes unless it is captured.
#include "common/process.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <cstdio>

#include "common/command_line.h"

namespace hostutil::tools {

struct process::impl {
  PROCESS_INFORMATION pi{};
  bool ok = false;
  HANDLE pipe = nullptr;  // the read end of a captured child's output
};

process::process(const std::vector<std::string>& argv, child_output output)
    : impl_(std::make_unique<impl>()) {
  if (argv.empty()) return;
  std::string cmd = command_line(argv);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  HANDLE write_end = nullptr;
  if (output == child_output::captured) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    if (!CreatePipe(&impl_->pipe, &write_end, &inheritable, 0)) {
      impl_->pipe = nullptr;
      return;
    }
    SetHandleInformation(impl_->pipe, HANDLE_FLAG_INHERIT, 0);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = write_end;
    si.hStdError = write_end;
  }
  std::fflush(nullptr);  // our lines first, then the child's
  impl_->ok = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                             &impl_->pi) != 0;
  if (write_end != nullptr) CloseHandle(write_end);
  if (!impl_->ok && impl_->pipe != nullptr) {
    CloseHandle(impl_->pipe);
    impl_->pipe = nullptr;
  }
}

// Each does nothing once the child has been waited for, or when it never started.
process::~process() {
  kill();
  wait();
  if (impl_->pipe != nullptr) CloseHandle(impl_->pipe);
  if (impl_->ok) {
    CloseHandle(impl_->pi.hProcess);
    CloseHandle(impl_->pi.hThread);
  }
}

bool process::started() const { return impl_->ok; }

int process::wait() {
  if (!impl_->ok) return -1;
  if (waited_) return status_;
  // Read before waiting: a child blocked on a full pipe would never end.
  char chunk[4096];
  DWORD n = 0;
  while (impl_->pipe != nullptr) {
    if (ReadFile(impl_->pipe, chunk, sizeof chunk, &n, nullptr) && n > 0) {
      output_.append(chunk, n);
    } else {
      CloseHandle(impl_->pipe);
      impl_->pipe = nullptr;
    }
  }
  WaitForSingleObject(impl_->pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(impl_->pi.hProcess, &code);
  waited_ = true;
  status_ = static_cast<int>(code);
  return status_;
}

void process::kill() {
  if (impl_->ok && !waited_) TerminateProcess(impl_->pi.hProcess, 137);
}

std::string self_path() {
  char buf[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  return std::string(buf, n);
}

std::string copy_of_self(const std::string& folder, const char* symbol) {
  // The library is the loaded module, other than the program, that exports symbol.
  HMODULE modules[256];
  DWORD bytes = 0;
  if (!K32EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &bytes)) return "";
  std::string library;
  for (DWORD i = 1; i < bytes / sizeof modules[0] && i < 256 && library.empty(); ++i) {
    char path[MAX_PATH];
    if (GetProcAddress(modules[i], symbol) != nullptr &&
        GetModuleFileNameA(modules[i], path, sizeof path) != 0) {
      library = path;
    }
  }
  auto beside = [&folder](const std::string& path) {
    const std::string copy = folder + path.substr(path.find_last_of("\\/") + 1);
    return CopyFileA(path.c_str(), copy.c_str(), FALSE) ? copy : std::string();
  };
  if (library.empty() || beside(library).empty()) return "";
  return beside(self_path());
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

void binary_stdio() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace hostutil::tools
