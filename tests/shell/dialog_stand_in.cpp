// The recording dialog stand-in: one at a time.
#include "dialog_stand_in.h"

#include <cstring>

namespace hostutil::test {

namespace {

dialog_stand_in* g_stand_in = nullptr;
constexpr std::uint32_t work_buffer_size = 260;

std::optional<std::string> text(const char* s) {
  return s != nullptr ? std::optional<std::string>(s) : std::nullopt;
}

std::uint32_t record_file_dialog(bool save, os::file_dialog_request& r) {
  recorded_file_dialog d;
  d.save = save;
  d.owner = r.owner;
  // The library's own 260-byte buffer, read whole to see the zeros after the list.
  if (r.filter != nullptr) d.filter = std::string(r.filter, work_buffer_size);
  d.file = r.file;
  d.file_at_call.assign(r.file, strnlen(r.file, r.file_size));
  d.file_title_size = r.file_title_size;
  d.title_buffer_clear =
      r.file_title != nullptr && r.file_title_size == work_buffer_size &&
      std::string(r.file_title, work_buffer_size) == std::string(work_buffer_size, '\0');
  d.initial_directory = text(r.initial_directory);
  d.title = text(r.title);
  d.flags = r.flags;
  d.default_extension = text(r.default_extension);
  g_stand_in->file_dialogs.push_back(d);
  if (g_stand_in->answer != 0 && r.file_size > g_stand_in->chosen_path.size()) {
    std::memcpy(r.file, g_stand_in->chosen_path.c_str(), g_stand_in->chosen_path.size() + 1);
  }
  if (r.file_title != nullptr && r.file_title_size > g_stand_in->chosen_title.size()) {
    std::memcpy(r.file_title, g_stand_in->chosen_title.c_str(),
                g_stand_in->chosen_title.size() + 1);
  }
  return g_stand_in->answer;
}

std::uint32_t stand_in_open(os::file_dialog_request& r) { return record_file_dialog(false, r); }
std::uint32_t stand_in_save(os::file_dialog_request& r) { return record_file_dialog(true, r); }

os::browse_result stand_in_folder(const os::folder_request& r, char* folder_path) {
  g_stand_in->folders.push_back(r);
  std::memcpy(folder_path, g_stand_in->chosen_folder.c_str(), g_stand_in->chosen_folder.size() + 1);
  return os::browse_result::confirmed;
}

std::uint32_t stand_in_win_help(hu_HWND owner, const char* file, std::uint32_t command,
                                std::uintptr_t data) {
  g_stand_in->win_help_calls.push_back({owner, text(file), command, data});
  return g_stand_in->win_help_answer;
}

bool stand_in_open_url(const char* url) {
  g_stand_in->urls.push_back(url != nullptr ? url : "(null)");
  return true;
}

}  // namespace

dialog_stand_in::dialog_stand_in()
    : open_(stand_in_open),
      save_(stand_in_save),
      folder_(stand_in_folder),
      win_help_(stand_in_win_help),
      open_url_(stand_in_open_url) {
  g_stand_in = this;
}

dialog_stand_in::~dialog_stand_in() { g_stand_in = nullptr; }

}  // namespace hostutil::test
