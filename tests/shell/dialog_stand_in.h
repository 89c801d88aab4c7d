// A recording stand-in for the dialog, help and browser calls; no window opens.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/stand_in.h"

namespace hostutil::test {

struct recorded_file_dialog {
  bool save = false;
  hu_HWND owner = nullptr;
  std::optional<std::string> filter;  // the whole 260-byte filter buffer; none when null
  char* file = nullptr;
  std::string file_at_call;         // the file buffer's text when the dialog opened
  bool title_buffer_clear = false;  // 260 zero bytes when the dialog opened
  std::uint32_t file_title_size = 0;
  std::optional<std::string> initial_directory;
  std::optional<std::string> title;
  std::uint32_t flags = 0;
  std::optional<std::string> default_extension;
};

struct recorded_help_call {
  hu_HWND owner;
  std::optional<std::string> file;
  std::uint32_t command;
  std::uintptr_t data;
};

class dialog_stand_in {
 public:
  dialog_stand_in();
  ~dialog_stand_in();
  dialog_stand_in(const dialog_stand_in&) = delete;
  dialog_stand_in& operator=(const dialog_stand_in&) = delete;

  // File dialogs: the answer and what a nonzero one writes (the title always).
  std::uint32_t answer = 1;
  std::string chosen_path;
  std::string chosen_title;
  std::vector<recorded_file_dialog> file_dialogs;

  // Folder picker: always confirmed.
  std::string chosen_folder;
  std::vector<os::folder_request> folders;

  // Help and browser.
  std::uint32_t win_help_answer = 1;
  std::vector<recorded_help_call> win_help_calls;
  std::vector<std::string> urls;

 private:
  stand_in<&os::system_calls::open_file_dialog> open_;
  stand_in<&os::system_calls::save_file_dialog> save_;
  stand_in<&os::system_calls::browse_for_folder> folder_;
  stand_in<&os::system_calls::win_help> win_help_;
  stand_in<&os::system_calls::open_url> open_url_;
};

}  // namespace hostutil::test
