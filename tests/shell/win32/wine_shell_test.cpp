// Against Wine's own shell: HTML Help found in the registry, URLs reaching xdg-open.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "../desktop_driver.h"
#include "hostutil.h"
#include "os/dialog.h"
#include "support/child.h"

namespace {

using namespace std::chrono_literals;

bool under_wine() { return GetFileAttributesA("Z:\\bin\\sh") != INVALID_FILE_ATTRIBUTES; }

std::string read_all(const std::string& path) {
  std::stringstream s;
  s << std::ifstream(path).rdbuf();
  return s.str();
}

TEST(ShellWine, HtmlHelpControlIsFoundThroughTheRegistry) {
  // The real look-up of the control and its export 14, outside the kept state.
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
  ASSERT_TRUE(hostutil::test::run_host_program({"/bin/sh", "-c", full}, dos_dir + "\\done", 60000));
  // winebrowser runs on its own time.
  std::string urls;
  const auto end = std::chrono::steady_clock::now() + 20s;
  while (urls.empty() && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(50ms);
    urls = read_all(dos_dir + "\\urls");
  }
  EXPECT_EQ(urls, url + "\n");
  for (const char* file : {"xdg-open", "urls", "done"})
    DeleteFileA((dos_dir + "\\" + file).c_str());
  RemoveDirectoryA(dos_dir.c_str());
}

}  // namespace
