// The open and save dialogs: the record forms and the argument-list forms, with
// the refusals, the "|"-separated filter rebuilt as the platform's list and the
// flags every dialog of the family carries.
#include <cstdint>
#include <cstring>

#include "hostutil.h"
#include "os/system_calls.h"

namespace {

using hostutil::os::file_dialog_request;

constexpr std::uint32_t work_buffer_size = 260;
constexpr std::uint32_t ofn_overwrite_prompt = 0x2;
// OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, in the save dialog too.
constexpr std::uint32_t ofn_always = 0x1004;
constexpr std::uint32_t answer_cancel = HOSTUTIL_DIALOG_CANCEL;

enum class dialog_kind { open, save };

bool refused(hu_HWND owner, const char* file, std::uint32_t file_size) {
  return owner == reinterpret_cast<hu_HWND>(~std::uintptr_t{0}) || file == nullptr ||
         file_size == 0;
}

// The filter as the platform wants it: "|" becomes NUL, and the zeros left in
// the buffer end the list. The last two bytes stay zero whatever the length.
void build_filter(const char* filter, char (&buffer)[work_buffer_size]) {
  if (filter == nullptr) return;
  const std::size_t n = strnlen(filter, work_buffer_size - 2);
  for (std::size_t i = 0; i < n; ++i) buffer[i] = filter[i] == '|' ? '\0' : filter[i];
}

// The proposed name goes into the caller's buffer, cut to fit.
void propose_name(const char* name, char* file, std::uint32_t file_size) {
  if (name == nullptr) return;
  const std::size_t n = strnlen(name, file_size - 1);
  std::memmove(file, name, n);
  file[n] = '\0';
}

// The worker behind all four. The argument-list forms come as a record with
// no caption, folder or file title, and always hand the dialog a filter list,
// empty when there is no filter; the record forms none then.
std::uint32_t run(dialog_kind kind, hu_HWND owner, const FileDialogParameters& parameters,
                  bool record_form) {
  if (refused(owner, parameters.file, parameters.fileSize)) return answer_cancel;
  char title[work_buffer_size] = {};
  char filter[work_buffer_size] = {};
  build_filter(parameters.filter, filter);
  if (kind == dialog_kind::save) {
    propose_name(parameters.initialFileName, parameters.file, parameters.fileSize);
  }
  file_dialog_request request{};
  request.owner = owner;
  request.filter = parameters.filter != nullptr || !record_form ? filter : nullptr;
  request.file = parameters.file;
  request.file_size = parameters.fileSize;
  request.file_title = title;
  request.file_title_size = work_buffer_size;
  request.initial_directory = parameters.initialDirectory;
  request.title = parameters.title;
  request.flags = parameters.flags | ofn_always;
  request.default_extension = parameters.defaultExtension;
  auto& calls = hostutil::os::calls();
  const std::uint32_t answer =
      kind == dialog_kind::save ? calls.save_file_dialog(request) : calls.open_file_dialog(request);
  // The title goes back after a cancel too, when it is empty.
  const std::size_t title_length = strnlen(title, work_buffer_size - 1);
  if (parameters.fileTitle != nullptr && title_length + 1 <= parameters.fileTitleSize) {
    std::memset(parameters.fileTitle, 0, parameters.fileTitleSize);
    std::memcpy(parameters.fileTitle, title, title_length);
  }
  return answer != 0 ? answer : answer_cancel;
}

std::uint32_t run_argument_form(dialog_kind kind, hu_HWND owner, const char* default_extension,
                                const char* initial_file_name, std::uint32_t flags,
                                const char* filter, char* file, std::uint32_t file_size) {
  const FileDialogParameters parameters{
      filter, initial_file_name, file,    file_size, nullptr,
      0,      nullptr,           nullptr, flags,     default_extension};
  return run(kind, owner, parameters, false);
}

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL
DisplayFileOpenDialogEx(hu_HWND owner, const FileDialogParameters* parameters) {
  if (parameters == nullptr) return answer_cancel;
  return run(dialog_kind::open, owner, *parameters, true);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL
DisplayFileSaveDialogEx(hu_HWND owner, const FileDialogParameters* parameters) {
  if (parameters == nullptr) return answer_cancel;
  // A copy, so that the caller's record keeps its own flags.
  FileDialogParameters copy = *parameters;
  copy.flags |= ofn_overwrite_prompt;
  return run(dialog_kind::save, owner, copy, true);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFileOpenDialog(hu_HWND owner,
                                                          const char* defaultExtension,
                                                          const char* initialFileName,
                                                          uint32_t flags, const char* filter,
                                                          char* file, uint32_t fileSize) {
  (void)initialFileName;  // the open dialog starts from the contents of file
  return run_argument_form(dialog_kind::open, owner, defaultExtension, nullptr, flags, filter, file,
                           fileSize);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFileSaveDialog(hu_HWND owner,
                                                          const char* defaultExtension,
                                                          const char* initialFileName,
                                                          uint32_t flags, const char* filter,
                                                          char* file, uint32_t fileSize) {
  return run_argument_form(dialog_kind::save, owner, defaultExtension, initialFileName, flags,
                           filter, file, fileSize);
}

}  // extern "C"
