// HTML Help, classic help and the default browser. The HTML Help viewer is
// looked for once and kept for the life of the process, failure included, so
// a missing viewer costs one search and not one per call.
#include <cstdint>

#include "hostutil.h"
#include "os/system_calls.h"

namespace {

constexpr std::uint32_t help_context = 0x01;
constexpr std::uint32_t help_finder = 0x0B;
constexpr std::uint32_t contents_instead_of_topic = 0xFFFFFFFFu;

hostutil::os::help_viewer* html_help_viewer() {
  static hostutil::os::help_viewer* const viewer = hostutil::os::calls().find_html_help();
  return viewer;
}

}  // namespace

extern "C" {

HOSTUTIL_API hu_HWND HOSTUTIL_CALL DisplayHtmlHelp(hu_HWND owner, const char* file,
                                                   uint32_t command, uint32_t data) {
  hostutil::os::help_viewer* viewer = html_help_viewer();
  if (viewer == nullptr) return nullptr;
  return hostutil::os::calls().html_help(viewer, owner, file, command,
                                                   static_cast<std::uintptr_t>(data));
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayWinHelp(hu_HWND owner, const char* file,
                                                   uint32_t contextId) {
  auto& calls = hostutil::os::calls();
  if (contextId == contents_instead_of_topic) return calls.win_help(owner, file, help_finder, 0);
  return calls.win_help(owner, file, help_context, contextId);
}

HOSTUTIL_API void HOSTUTIL_CALL ExecuteDefaultBrowser(const char* url) {
  if (url == nullptr) return;
  hostutil::os::calls().open_url(url);
}

}  // extern "C"
