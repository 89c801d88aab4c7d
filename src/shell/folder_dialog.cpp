// The folder picker and its two named forms for file-system folders. The
// platform does the browsing; this file only fills its record and maps the
// outcome to the dialog answers.
#include <cstdint>

#include "hostutil.h"
#include "os/system_calls.h"

namespace {

// BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE
constexpr std::uint32_t file_system_folders = 0x41;

std::uint32_t pick_folder(const hostutil::os::folder_request& request, char* folder_path) {
  if (folder_path == nullptr) return HOSTUTIL_DIALOG_CANCEL;
  const auto result = hostutil::os::calls().browse_for_folder(request, folder_path);
  return result == hostutil::os::browse_result::confirmed ? HOSTUTIL_DIALOG_OK
                                                          : HOSTUTIL_DIALOG_CANCEL;
}

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFolderDialogAndGetOpenFolderName(
    hu_HWND owner, hu_PCIDLIST_ABSOLUTE root, char* displayName, const char* title, uint32_t flags,
    hu_BFFCALLBACK callback, hu_LPARAM callbackData, int32_t image, char* folderPath,
    void* reserved) {
  (void)reserved;
  return pick_folder({owner, root, displayName, title, flags, callback, callbackData, image, 0},
                     folderPath);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFolderNameEx(hu_HWND owner, hu_PCIDLIST_ABSOLUTE root,
                                                    char* displayName, const char* title,
                                                    int32_t image, char* folderPath,
                                                    uint32_t folderPathSize) {
  return pick_folder(
      {owner, root, displayName, title, file_system_folders, nullptr, 0, image, folderPathSize},
      folderPath);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFolderName(hu_HWND owner, hu_PCIDLIST_ABSOLUTE root,
                                                  char* displayName, const char* title,
                                                  int32_t image, char* folderPath,
                                                  uint32_t folderPathSize) {
  return GetFolderNameEx(owner, root, displayName, title, image, folderPath, folderPathSize);
}

}  // extern "C"
