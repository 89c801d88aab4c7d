// The system's standard dialogs, help viewers and default browser, as the shell
// subsystem needs them: the common file dialogs, the folder picker, the help
// entry point and the URL handler.
#pragma once

#include <cstdint>

#include "hostutil.h"

namespace hostutil::os {

// The settings of one open or save dialog, as the library fills the platform's
// dialog record. Texts end in NUL; a missing text is a null pointer.
struct file_dialog_request {
  hu_HWND owner;
  const char* filter;  // description/pattern strings, each NUL-ended, closed by an extra NUL
  char* file;          // in: the initial name; out: the chosen path
  std::uint32_t file_size;
  char* file_title;  // out: the chosen name without its folder
  std::uint32_t file_title_size;
  const char* initial_directory;
  const char* title;    // the caption; null for the system's own
  std::uint32_t flags;  // OFN_* flags, as given to the platform
  const char* default_extension;
};

// The settings of the folder picker, in the order of the platform's record.
struct folder_request {
  hu_HWND owner;
  hu_PCIDLIST_ABSOLUTE root;
  char* display_name;  // 260 bytes, may be null
  const char* title;
  std::uint32_t flags;  // BIF_* flags
  hu_BFFCALLBACK callback;
  hu_LPARAM callback_data;
  std::int32_t image;
  // Not the platform's: the room the caller gave for the path, 0 when not
  // given. Windows writes up to 260 bytes whatever it says; POSIX keeps to it.
  std::uint32_t folder_path_size;
};

enum class browse_result { confirmed, cancelled, refused };

// The HTML Help viewer once found: a loaded control and its entry point on
// Windows, the desktop's URL handler on POSIX. Opaque; never freed.
struct help_viewer;

// The open dialog; the platform's answer, nonzero when the user confirmed.
std::uint32_t open_file_dialog(file_dialog_request& request);
// The save dialog; the platform's answer, nonzero when the user confirmed.
std::uint32_t save_file_dialog(file_dialog_request& request);
// The folder picker. On confirmation the folder's path is written into
// folder_path (260 bytes) when the chosen item has one.
browse_result browse_for_folder(const folder_request& request, char* folder_path);
// Looks for the HTML Help viewer; null when it cannot be had.
help_viewer* find_html_help();
// Shows HTML Help through the viewer found; the viewer's answer.
hu_HWND html_help(help_viewer* viewer, hu_HWND owner, const char* file, std::uint32_t command,
                  std::uintptr_t data);
// Shows classic help; the platform's answer, nonzero on success.
std::uint32_t win_help(hu_HWND owner, const char* file, std::uint32_t command, std::uintptr_t data);
// Opens a URL or document with the desktop's default handler; true when started.
bool open_url(const char* url);


}  // namespace hostutil::os
