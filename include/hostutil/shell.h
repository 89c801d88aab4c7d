/* hostutil/shell.h - the standard dialogs, help viewers and the browser. */
#ifndef HOSTUTIL_SHELL_H
#define HOSTUTIL_SHELL_H

#include "abi.h"
#include "types.h"

/* The folder picker's callback: window, message, message value, caller's value. */
typedef int(HOSTUTIL_CALL* hu_BFFCALLBACK)(hu_HWND window, uint32_t message, hu_LPARAM value,
                                           hu_LPARAM callbackData);

/* The settings of the record forms of the file dialogs (offsets for 64-bit builds). */
typedef struct FileDialogParameters {
  const char* filter;           /* 0: "Description|pattern|" pairs; null for none */
  const char* initialFileName;  /* 8: name proposed by the save dialog; may be null */
  char* file;                   /* 16: receives the chosen path; required */
  uint32_t fileSize;            /* 24: size of file, not 0; 4 bytes of padding follow */
  char* fileTitle;              /* 32: receives the name without its folder; may be null */
  uint32_t fileTitleSize;       /* 40: size of fileTitle; 4 bytes of padding follow */
  const char* title;            /* 48: the dialog's caption; null for the default */
  const char* initialDirectory; /* 56: the folder shown first; may be null */
  uint32_t flags;               /* 64: OFN_* flags to add; 4 bytes of padding follow */
  const char* defaultExtension; /* 72: added to a name typed without one; may be null */
} FileDialogParameters;

HOSTUTIL_STATIC_CHECK(sizeof(void*) != 8 || sizeof(FileDialogParameters) == 80,
                      file_dialog_parameters_size);

/* The dialogs */
#define HOSTUTIL_DIALOG_OK 1u
#define HOSTUTIL_DIALOG_CANCEL 2u

HOSTUTIL_BEGIN_DECLS

/* ---- Dialogs, help and browser ---- */

/* The dialogs answer HOSTUTIL_DIALOG_OK when the user confirmed, HOSTUTIL_DIALOG_CANCEL when
   the user cancelled or the call failed or was refused (an owner of -1 is refused). */

/* The open dialog from a parameter record. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFileOpenDialogEx(hu_HWND owner,
                                                            const FileDialogParameters* parameters);
/* The save dialog from a parameter record, asking before it overwrites a file. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFileSaveDialogEx(hu_HWND owner,
                                                            const FileDialogParameters* parameters);
/* The open dialog; initialFileName is not used. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFileOpenDialog(hu_HWND owner,
                                                          const char* defaultExtension,
                                                          const char* initialFileName,
                                                          uint32_t flags, const char* filter,
                                                          char* file, uint32_t fileSize);
/* The save dialog, proposing initialFileName when given. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFileSaveDialog(hu_HWND owner,
                                                          const char* defaultExtension,
                                                          const char* initialFileName,
                                                          uint32_t flags, const char* filter,
                                                          char* file, uint32_t fileSize);
/* The folder picker with the caller's BIF_* flags and callback; displayName and folderPath
   hold 260 bytes. reserved is not used. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFolderDialogAndGetOpenFolderName(
    hu_HWND owner, hu_PCIDLIST_ABSOLUTE root, char* displayName, const char* title, uint32_t flags,
    hu_BFFCALLBACK callback, hu_LPARAM callbackData, int32_t image, char* folderPath,
    void* reserved);
/* The folder picker for file-system folders (new dialog style). Windows writes up to 260 bytes
   into folderPath whatever folderPathSize says; the POSIX port writes no more than a nonzero
   folderPathSize. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFolderNameEx(hu_HWND owner, hu_PCIDLIST_ABSOLUTE root,
                                                    char* displayName, const char* title,
                                                    int32_t image, char* folderPath,
                                                    uint32_t folderPathSize);
/* The same as GetFolderNameEx. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFolderName(hu_HWND owner, hu_PCIDLIST_ABSOLUTE root,
                                                  char* displayName, const char* title,
                                                  int32_t image, char* folderPath,
                                                  uint32_t folderPathSize);
/* The HTML Help viewer with command and data. Result: the viewer's window; null when the
   viewer cannot be had. */
HOSTUTIL_API hu_HWND HOSTUTIL_CALL DisplayHtmlHelp(hu_HWND owner, const char* file,
                                                   uint32_t command, uint32_t data);
/* The classic help viewer at contextId, or its contents for 0xFFFFFFFF. Nonzero on success. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayWinHelp(hu_HWND owner, const char* file,
                                                   uint32_t contextId);
/* Opens url in the default browser; nothing when url is null. */
HOSTUTIL_API void HOSTUTIL_CALL ExecuteDefaultBrowser(const char* url);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_SHELL_H */
