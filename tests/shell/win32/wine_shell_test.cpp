// The Windows side against Wine's own shell: the HTML Help control is found
// through the registry, and a URL handed to ShellExecuteA travels through
// winebrowser to the host's xdg-open (a recording script first in PATH).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "common/command_line.h"
#include "hostutil.h"
#include "os/dialog.h"
#include "support/child.h"

namespace {

using namespace std::chrono_literals;

bool under_wine() { return GetFileAttributesA("Z:\\bin\\sh") != INVALID_FILE_ATTRIBUTES; }

// Runs a host command line through /bin/sh; Wine cannot wait for host
// programs, so the script touches done_marker (a Unix path) when it ends.
bool run_host_shell(const std::string& script, const std::string& dos_done_marker) {
  std::string cmd = hostutil::tools::command_line({"/bin/sh", "-c", script});
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return false;
  }
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  const auto end = std::chrono::steady_clock::now() + 60s;
  while (GetFileAttributesA(dos_done_marker.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

std::string read_all(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(ShellWine, HtmlHelpControlIsFoundThroughTheRegistry) {
  // The real look-up, outside the library's kept state: it must find the
  // control and its export 14.
  EXPECT_NE(hostutil::os::find_html_help(), nullptr);
}

HOSTUTIL_CHILD_ROLE(open_url_in_wine) {
  ExecuteDefaultBrowser(args[0].c_str());
  return 0;
}

TEST(ShellWine, BrowserUrlReachesTheHostHandler) {
  if (!under_wine()) GTEST_SKIP() << "not under Wine";
  // The host's PATH cannot be changed from a Windows process: a host shell
  // starts a second Wine process of this program with the recorder first in it.
  const std::string name = "hostutil-shell-browser-" + std::to_string(GetCurrentProcessId());
  const std::string unix_dir = "/tmp/" + name;
  const std::string dos_dir = "Z:\\tmp\\" + name;
  ASSERT_TRUE(CreateDirectoryA(dos_dir.c_str(), nullptr));
  {
    std::ofstream script(dos_dir + "\\xdg-open", std::ios::binary);
    script << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"" << unix_dir << "/urls\"\n";
  }
  // No spaces: winebrowser escapes them on the way.
  const std::string url = "https://example.org/hostutil?a=1&b=two#part";
  const std::string script =
      "chmod 755 \"$D/xdg-open\"; PATH=\"$D:$PATH\" \"${WINELOADER:-/usr/lib/wine/wine64}\" "
      "\"$P\" --child-role open_url_in_wine \"$U\"; touch \"$D/done\"";
  const std::string full =
      "D='" + unix_dir + "' P='" + hostutil::test::self_path() + "' U='" + url + "'; " + script;
  ASSERT_TRUE(run_host_shell(full, dos_dir + "\\done"));
  // winebrowser runs on its own time.
  std::string urls;
  const auto end = std::chrono::steady_clock::now() + 20s;
  while (urls.empty() && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(50ms);
    urls = read_all(dos_dir + "\\urls");
  }
  EXPECT_EQ(urls, url + "\n");
  DeleteFileA((dos_dir + "\\xdg-open").c_str());
  DeleteFileA((dos_dir + "\\urls").c_str());
  DeleteFileA((dos_dir + "\\done").c_str());
  RemoveDirectoryA(dos_dir.c_str());
}

}  // namespace
