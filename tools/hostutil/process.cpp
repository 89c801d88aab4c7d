// Starting processes and scratch folders for the host program.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>

#include "common/command_line.h"
#include "host.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace host {

std::string self_path() {
#ifdef _WIN32
  char buf[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  return std::string(buf, n);
#else
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).string();
#endif
}

int run_process(const std::vector<std::string>& argv) {
  if (argv.empty()) return -1;
  std::cout.flush();  // our lines first, then the child's
#ifdef _WIN32
  std::string cmd = hostutil::tools::command_line(argv);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    return -1;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
#else
  std::vector<char*> args;
  std::vector<std::string> copy = argv;
  for (auto& a : copy) args.push_back(a.data());
  args.push_back(nullptr);
  pid_t pid;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int st = 0;
  while (waitpid(pid, &st, 0) < 0) {
  }
  return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
#endif
}

std::string make_scratch_folder() {
  std::error_code ec;
  const auto tmp = std::filesystem::temp_directory_path(ec);
  if (ec) return std::string();
  std::random_device rd;
  for (int i = 0; i < 100; ++i) {
    auto p = tmp / ("hostutil-tour-" + std::to_string(rd() % 1000000));
    if (std::filesystem::create_directory(p, ec)) {
      return p.string() + static_cast<char>(std::filesystem::path::preferred_separator);
    }
  }
  return std::string();
}

void remove_tree(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

}  // namespace host
