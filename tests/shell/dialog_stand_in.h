// A recording stand-in for the dialog, help and browser calls; no window opens.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "support/stand_in.h"

namespace hostutil::test {

using text = std::optional<std::string>;

inline text text_of(const char* s) { return s != nullptr ? text(s) : std::nullopt; }

// What a file dialog was handed, with copies of the library's own buffers
// taken while it was open.
struct recorded_file_dialog {
  bool save;
  os::file_dialog_request request;
  text filter;               // the whole 260-byte filter buffer; none when null
  std::string file_at_call;  // the file buffer's text when the dialog opened
  bool title_buffer_clear;   // 260 zero bytes when the dialog opened
};

class dialog_stand_in {
 public:
  // File dialogs: the answer and what a nonzero one writes (the title always).
  std::uint32_t answer = 1;
  std::string chosen_path, chosen_title;
  std::vector<recorded_file_dialog> file_dialogs;
  // Folder picker: always confirmed. Owner, title, flags, callback, its data, image.
  std::string chosen_folder;
  std::vector<std::tuple<hu_HWND, text, std::uint32_t, hu_BFFCALLBACK, hu_LPARAM, int>> folders;
  // Help: owner, file, command, data. Browser: the URLs.
  std::uint32_t win_help_answer = 1;
  std::vector<std::tuple<hu_HWND, text, std::uint32_t, std::uintptr_t>> win_help_calls;
  std::vector<std::string> urls;

 private:
  std::uint32_t file_dialog(bool save, os::file_dialog_request& r) {
    const std::size_t size = 260;
    const bool clear = r.file_title != nullptr && r.file_title_size == size &&
                       std::string(r.file_title, size) == std::string(size, '\0');
    file_dialogs.push_back({save, r,
                            r.filter != nullptr ? text(std::string(r.filter, size)) : text(),
                            std::string(r.file, strnlen(r.file, r.file_size)), clear});
    if (answer != 0 && r.file_size > chosen_path.size()) {
      std::memcpy(r.file, chosen_path.c_str(), chosen_path.size() + 1);
    }
    if (r.file_title != nullptr && r.file_title_size > chosen_title.size()) {
      std::memcpy(r.file_title, chosen_title.c_str(), chosen_title.size() + 1);
    }
    return answer;
  }

  stand_in<&os::system_calls::open_file_dialog> open_{
      [this](os::file_dialog_request& r) { return file_dialog(false, r); }};
  stand_in<&os::system_calls::save_file_dialog> save_{
      [this](os::file_dialog_request& r) { return file_dialog(true, r); }};
  stand_in<&os::system_calls::browse_for_folder> folder_{[this](const os::folder_request& r,
                                                                char* folder_path) {
    folders.emplace_back(r.owner, text_of(r.title), r.flags, r.callback, r.callback_data, r.image);
    std::memcpy(folder_path, chosen_folder.c_str(), chosen_folder.size() + 1);
    return os::browse_result::confirmed;
  }};
  stand_in<&os::system_calls::win_help> win_help_{
      [this](hu_HWND owner, const char* file, std::uint32_t command, std::uintptr_t data) {
        win_help_calls.emplace_back(owner, text_of(file), command, data);
        return win_help_answer;
      }};
  stand_in<&os::system_calls::open_url> open_url_{[this](const char* url) {
    urls.push_back(url != nullptr ? url : "(null)");
    return true;
  }};
};

}  // namespace hostutil::test
