// How the POSIX port asks the desktop for its standard dialogs: the command
// lines of zenity (or kdialog where only it is present) built from a dialog
// request, and the chosen path put back into the caller's buffers.
#pragma once

#include <string>
#include <vector>

#include "os/dialog.h"

namespace hostutil::os::desktop {

enum class dialog_tool { zenity, kdialog };
enum class file_dialog_kind { open, save };

// The full command line, program path first.
std::vector<std::string> file_dialog_command(dialog_tool tool, const std::string& program,
                                             file_dialog_kind kind,
                                             const file_dialog_request& request);
std::vector<std::string> folder_dialog_command(dialog_tool tool, const std::string& program,
                                               const folder_request& request);

// Puts the path the tool printed (its line end taken off) into request.file
// and its name into request.file_title. The save dialog adds the default
// extension to a name typed without one. False, with nothing written, when the
// tool printed no path or the path does not fit.
bool deliver_chosen_file(std::string output, file_dialog_kind kind, file_dialog_request& request);

// Puts the folder the tool printed into folder_path (within the room the
// request gives, 260 bytes at most) and its name into request.display_name,
// each only when it fits; cancelled when the tool printed no path.
browse_result deliver_chosen_folder(std::string output, const folder_request& request,
                                    char* folder_path);

// The document a help viewer opens for a help file argument: the file part of
// "file.chm::/topic.htm" or "file.chm>window".
std::string help_document(const char* file);

}  // namespace hostutil::os::desktop
