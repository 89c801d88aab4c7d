/** \file hostutil/shell.h
 *  \brief The standard dialogs, the help viewers and the default browser.
 *
 *  The dialogs answer HOSTUTIL_DIALOG_OK when the user confirmed, HOSTUTIL_DIALOG_CANCEL
 *  when the user cancelled or the call failed or was refused (an owner of -1 is refused).
 *  On POSIX they are shown by the desktop's own dialog programs. */
#ifndef HOSTUTIL_SHELL_H
#define HOSTUTIL_SHELL_H

#include "abi.h"
#include "types.h"

/** The folder picker's callback, called by the dialog as it runs.
 *  \param window the dialog's window.
 *  \param message what happened (the platform's BFFM_* messages).
 *  \param value the message's value.
 *  \param callbackData the caller's value given to the picker.
 *  \return 0, or what the message asks for. */
typedef int(HOSTUTIL_CALL* hu_BFFCALLBACK)(hu_HWND window, uint32_t message, hu_LPARAM value,
                                           hu_LPARAM callbackData);

/** The settings of the record forms of the file dialogs (offsets for 64-bit builds). */
typedef struct FileDialogParameters {
  const char* filter;           /**< 0: "Description|pattern|" pairs; null for none */
  const char* initialFileName;  /**< 8: the name proposed by the save dialog; may be null */
  char* file;                   /**< 16: receives the chosen path and a NUL; required */
  uint32_t fileSize;            /**< 24: the size of file in bytes, not 0; 4 bytes of padding
                                     follow */
  char* fileTitle;              /**< 32: receives the name without its folder; may be null */
  uint32_t fileTitleSize;       /**< 40: the size of fileTitle; 4 bytes of padding follow */
  const char* title;            /**< 48: the dialog's caption; null for the default */
  const char* initialDirectory; /**< 56: the folder shown first; may be null */
  uint32_t flags;               /**< 64: OFN_* flags to add; 4 bytes of padding follow */
  const char* defaultExtension; /**< 72: added to a name typed without one; may be null */
} FileDialogParameters;

HOSTUTIL_STATIC_CHECK(sizeof(void*) != 8 || sizeof(FileDialogParameters) == 80,
                      file_dialog_parameters_size);

/** A dialog's answer: the user confirmed. */
#define HOSTUTIL_DIALOG_OK 1u
/** A dialog's answer: the user cancelled, or the call failed or was refused. */
#define HOSTUTIL_DIALOG_CANCEL 2u

HOSTUTIL_BEGIN_DECLS

/* ---- Dialogs, help and browser ---- */

/** The open dialog from a parameter record.
 *  \param owner the owner window; null for none, -1 is refused.
 *  \param parameters the dialog's settings; the chosen path goes into its file buffer.
 *  \return HOSTUTIL_DIALOG_OK or HOSTUTIL_DIALOG_CANCEL. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFileOpenDialogEx(hu_HWND owner,
                                                            const FileDialogParameters* parameters);
/** The save dialog from a parameter record, asking before it overwrites a file.
 *  \param owner the owner window; null for none, -1 is refused.
 *  \param parameters the dialog's settings; the chosen path goes into its file buffer.
 *  \return HOSTUTIL_DIALOG_OK or HOSTUTIL_DIALOG_CANCEL. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFileSaveDialogEx(hu_HWND owner,
                                                            const FileDialogParameters* parameters);
/** The open dialog.
 *  \param owner the owner window; null for none, -1 is refused.
 *  \param defaultExtension added to a name typed without one; may be null.
 *  \param initialFileName not used.
 *  \param flags OFN_* flags to add.
 *  \param filter "Description|pattern|" pairs; null for none.
 *  \param file receives the chosen path and a NUL.
 *  \param fileSize the size of file in bytes.
 *  \return HOSTUTIL_DIALOG_OK or HOSTUTIL_DIALOG_CANCEL. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFileOpenDialog(hu_HWND owner,
                                                          const char* defaultExtension,
                                                          const char* initialFileName,
                                                          uint32_t flags, const char* filter,
                                                          char* file, uint32_t fileSize);
/** The save dialog, asking before it overwrites a file.
 *  \param owner the owner window; null for none, -1 is refused.
 *  \param defaultExtension added to a name typed without one; may be null.
 *  \param initialFileName the name proposed; may be null.
 *  \param flags OFN_* flags to add.
 *  \param filter "Description|pattern|" pairs; null for none.
 *  \param file receives the chosen path and a NUL.
 *  \param fileSize the size of file in bytes.
 *  \return HOSTUTIL_DIALOG_OK or HOSTUTIL_DIALOG_CANCEL. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFileSaveDialog(hu_HWND owner,
                                                          const char* defaultExtension,
                                                          const char* initialFileName,
                                                          uint32_t flags, const char* filter,
                                                          char* file, uint32_t fileSize);
/** The folder picker with the caller's flags and callback.
 *  \param owner the owner window; null for none.
 *  \param root the folder the picker starts from; null for the desktop.
 *  \param displayName receives the chosen item's display name; 260 bytes.
 *  \param title the text above the folders; may be null.
 *  \param flags the platform's BIF_* flags.
 *  \param callback called as the dialog runs; may be null.
 *  \param callbackData handed to the callback.
 *  \param image passed on as the picker's image index.
 *  \param folderPath receives the chosen folder's path; 260 bytes, required.
 *  \param reserved not used.
 *  \return HOSTUTIL_DIALOG_OK or HOSTUTIL_DIALOG_CANCEL. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFolderDialogAndGetOpenFolderName(
    hu_HWND owner, hu_PCIDLIST_ABSOLUTE root, char* displayName, const char* title, uint32_t flags,
    hu_BFFCALLBACK callback, hu_LPARAM callbackData, int32_t image, char* folderPath,
    void* reserved);
/** The folder picker for file-system folders (new dialog style, no callback).
 *  \param owner the owner window; null for none.
 *  \param root the folder the picker starts from; null for the desktop.
 *  \param displayName receives the chosen item's display name; 260 bytes.
 *  \param title the text above the folders; may be null.
 *  \param image passed on as the picker's image index.
 *  \param folderPath receives the chosen folder's path and a NUL.
 *  \param folderPathSize Windows writes up to 260 bytes into folderPath whatever it says;
 *         the POSIX port writes no more than a nonzero folderPathSize.
 *  \return HOSTUTIL_DIALOG_OK or HOSTUTIL_DIALOG_CANCEL. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFolderNameEx(hu_HWND owner, hu_PCIDLIST_ABSOLUTE root,
                                                    char* displayName, const char* title,
                                                    int32_t image, char* folderPath,
                                                    uint32_t folderPathSize);
/** The same as GetFolderNameEx.
 *  \param owner the owner window; null for none.
 *  \param root the folder the picker starts from; null for the desktop.
 *  \param displayName receives the chosen item's display name; 260 bytes.
 *  \param title the text above the folders; may be null.
 *  \param image passed on as the picker's image index.
 *  \param folderPath receives the chosen folder's path and a NUL.
 *  \param folderPathSize as for GetFolderNameEx.
 *  \return HOSTUTIL_DIALOG_OK or HOSTUTIL_DIALOG_CANCEL. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFolderName(hu_HWND owner, hu_PCIDLIST_ABSOLUTE root,
                                                  char* displayName, const char* title,
                                                  int32_t image, char* folderPath,
                                                  uint32_t folderPathSize);
/** The HTML Help viewer.
 *  \param owner the owner window; may be null.
 *  \param file the help file, with an optional topic.
 *  \param command the viewer's HH_* command.
 *  \param data the command's value, widened to a pointer-sized value.
 *  \return the viewer's window; null when the viewer cannot be had. */
HOSTUTIL_API hu_HWND HOSTUTIL_CALL DisplayHtmlHelp(hu_HWND owner, const char* file,
                                                   uint32_t command, uint32_t data);
/** The classic help viewer.
 *  \param owner the owner window; may be null.
 *  \param file the help file.
 *  \param contextId the topic's context number; 0xFFFFFFFF for the contents.
 *  \return nonzero on success, 0 on failure. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayWinHelp(hu_HWND owner, const char* file,
                                                   uint32_t contextId);
/** Opens a page in the default browser.
 *  \param url the page's address; nothing is done when it is null. */
HOSTUTIL_API void HOSTUTIL_CALL ExecuteDefaultBrowser(const char* url);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_SHELL_H */
