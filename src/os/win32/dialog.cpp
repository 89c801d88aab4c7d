// The common file dialogs, the shell's folder browser, the HTML Help control,
// classic help and shell execution on Windows. The file dialogs get the record
// without the places bar, so they keep the older layout.
#include <windows.h>
// windows.h first: the shell and dialog headers build on it.
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "os/dialog.h"

namespace hostutil::os {

struct help_viewer {
  HMODULE module;
  HWND(WINAPI* entry)(HWND owner, LPCSTR file, UINT command, DWORD_PTR data);
};

namespace {

constexpr char html_help_class_key[] =
    "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr WORD html_help_ordinal = 14;  // HtmlHelpA
constexpr DWORD registered_path_size = 260;

std::uint32_t run_file_dialog(bool save, file_dialog_request& request) {
  OPENFILENAMEA record;
  std::memset(&record, 0, sizeof record);
  record.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  record.hwndOwner = request.owner;
  record.lpstrFilter = request.filter;
  record.lpstrFile = request.file;
  record.nMaxFile = request.file_size;
  record.lpstrFileTitle = request.file_title;
  record.nMaxFileTitle = request.file_title_size;
  record.lpstrInitialDir = request.initial_directory;
  record.lpstrTitle = request.title;
  record.Flags = request.flags;
  record.lpstrDefExt = request.default_extension;
  const BOOL answer = save ? GetSaveFileNameA(&record) : GetOpenFileNameA(&record);
  return static_cast<std::uint32_t>(answer);
}

// The shell's allocator, released whichever way the browse ends.
class shell_allocator {
 public:
  shell_allocator() {
    if (FAILED(SHGetMalloc(&malloc_))) malloc_ = nullptr;
  }
  ~shell_allocator() {
    if (malloc_ != nullptr) malloc_->Release();
  }
  shell_allocator(const shell_allocator&) = delete;
  shell_allocator& operator=(const shell_allocator&) = delete;
  IMalloc* get() const { return malloc_; }

 private:
  IMalloc* malloc_ = nullptr;
};

}  // namespace

std::uint32_t open_file_dialog(file_dialog_request& request) {
  return run_file_dialog(false, request);
}

std::uint32_t save_file_dialog(file_dialog_request& request) {
  return run_file_dialog(true, request);
}

browse_result browse_for_folder(const folder_request& request, char* folder_path) {
  shell_allocator allocator;
  if (allocator.get() == nullptr) return browse_result::refused;
  BROWSEINFOA info;
  std::memset(&info, 0, sizeof info);
  info.hwndOwner = request.owner;
  info.pidlRoot = request.root;
  info.pszDisplayName = request.display_name;
  info.lpszTitle = request.title;
  info.ulFlags = request.flags;
  info.lpfn = request.callback;
  info.lParam = request.callback_data;
  info.iImage = request.image;
  PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&info);
  if (item == nullptr) return browse_result::cancelled;
  // A virtual item has no path; folder_path is then left as it was.
  SHGetPathFromIDListA(item, folder_path);
  allocator.get()->Free(item);
  return browse_result::confirmed;
}

help_viewer* find_html_help() {
  static help_viewer viewer;
  char path[registered_path_size + 1] = {};
  bool registered = false;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, html_help_class_key, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    DWORD size = registered_path_size;
    registered = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(path),
                                  &size) == ERROR_SUCCESS &&
                 path[0] != '\0';
    RegCloseKey(key);
  }
  HMODULE module = LoadLibraryA(registered ? path : "hhctrl.ocx");
  if (module == nullptr) return nullptr;
  FARPROC entry = GetProcAddress(module, MAKEINTRESOURCEA(html_help_ordinal));
  if (entry == nullptr) {
    const DWORD error = GetLastError();
    FreeLibrary(module);
    SetLastError(error);
    return nullptr;
  }
  viewer.module = module;
  viewer.entry = reinterpret_cast<decltype(viewer.entry)>(reinterpret_cast<void*>(entry));
  return &viewer;
}

hu_HWND html_help(help_viewer* viewer, hu_HWND owner, const char* file, std::uint32_t command,
                  std::uintptr_t data) {
  return viewer->entry(owner, file, command, data);
}

std::uint32_t win_help(hu_HWND owner, const char* file, std::uint32_t command,
                       std::uintptr_t data) {
  return static_cast<std::uint32_t>(WinHelpA(owner, file, command, data));
}

bool open_url(const char* url) {
  const HINSTANCE result = ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
  // Values up to 32 are error codes.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace hostutil::os
