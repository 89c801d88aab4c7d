// The standard dialogs, help viewers and browser on a POSIX desktop. Dialogs
// are zenity (kdialog where only it is present) run by a child of the call and
// waited for, so they are modal for the caller; help and URLs go to the
// desktop's handler, xdg-open, started and left to run on its own.
#include "os/dialog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "os/posix/descriptor.h"
#include "os/posix/dialog_command.h"
#include "os/posix/dialog_process.h"

namespace hostutil::os {

// The desktop's handler, found on PATH at the first HTML Help call.
struct help_viewer {
  char program[PATH_MAX];
};

namespace desktop {
namespace {

constexpr std::uint32_t ofn_overwrite_prompt = 0x2;
// X window ids use the low 29 bits; anything else is not a window we can attach to.
constexpr std::uintptr_t largest_window_id = 0x1FFFFFFF;
constexpr char handler_name[] = "xdg-open";

std::string text(const char* s) { return s != nullptr ? std::string(s) : std::string(); }

// Calls f on each field of s between separators (an empty s is one empty
// field) until f returns true; whether one did.
template <typename F>
bool any_field(const std::string& s, char separator, F f) {
  for (std::size_t start = 0;;) {
    const std::size_t end = std::min(s.find(separator, start), s.size());
    if (f(s.substr(start, end - start))) return true;
    if (end == s.size()) return false;
    start = end + 1;
  }
}

// "*.*" means every file on Windows; the desktop's pattern for that is "*".
std::string desktop_patterns(std::string patterns, char separator) {
  std::replace(patterns.begin(), patterns.end(), ';', separator);
  std::string out;
  any_field(patterns, separator, [&](std::string one) {
    if (one == "*.*") one = "*";
    if (!one.empty()) {
      if (!out.empty()) out += separator;
      out += one;
    }
    return false;
  });
  return out;
}

struct filter_pair {
  std::string description;
  std::string patterns;
};

// The platform's list: description and pattern strings, ended by an empty one.
std::vector<filter_pair> filter_pairs(const char* filter) {
  std::vector<filter_pair> pairs;
  if (filter == nullptr) return pairs;
  const char* p = filter;
  while (*p != '\0') {
    const char* description = p;
    p += std::strlen(p) + 1;
    if (*p == '\0') break;  // a description without its pattern
    const char* patterns = p;
    p += std::strlen(p) + 1;
    pairs.push_back({description, patterns});
  }
  return pairs;
}

// Where the dialog starts: the initial name, placed in the initial folder when
// it is relative, or the folder alone (a trailing "/" says so).
std::string start_path(const file_dialog_request& request) {
  const std::string name(request.file, strnlen(request.file, request.file_size));
  std::string folder = text(request.initial_directory);
  if (!folder.empty() && folder.back() != '/') folder += '/';
  if (name.empty()) return folder;
  if (name.front() == '/' || folder.empty()) return name;
  return folder + name;
}

// The owner window in the tool's own options, when it is one to attach to.
void attach_to_owner(std::vector<std::string>& args, dialog_tool tool, hu_HWND owner) {
  const auto id = reinterpret_cast<std::uintptr_t>(owner);
  if (id == 0 || id > largest_window_id) return;
  if (tool == dialog_tool::zenity) {
    args.insert(args.end(), {"--modal", "--attach=" + std::to_string(id)});
  } else {
    args.insert(args.end(), {"--attach", std::to_string(id)});
  }
}

std::string base_name(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool find_program(const char* name, std::string& path) {
  const char* search = std::getenv("PATH");
  const std::string folders = search != nullptr ? search : "/usr/local/bin:/usr/bin:/bin";
  return any_field(folders, ':', [&](const std::string& folder) {
    // An empty entry is the current folder.
    const std::string candidate = (folder.empty() ? "." : folder) + '/' + name;
    struct stat info;
    if (stat(candidate.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        access(candidate.c_str(), X_OK) != 0) {
      return false;
    }
    path = candidate;
    return true;
  });
}

bool find_dialog_tool(dialog_tool& tool, std::string& program) {
  if (find_program("zenity", program)) {
    tool = dialog_tool::zenity;
  } else if (find_program("kdialog", program)) {
    tool = dialog_tool::kdialog;
  } else {
    return false;
  }
  return true;
}

// The platform's 260 bytes, or the caller's room for the path when it gave a
// smaller one.
std::size_t folder_path_room(const folder_request& request) {
  const std::uint32_t size = request.folder_path_size;
  return size != 0 && size < 260 ? size : 260;
}

// Copies from with its NUL when it fits; whether it did.
bool copy_bounded(const std::string& from, char* to, std::size_t size) {
  if (to == nullptr || from.size() + 1 > size) return false;
  std::memcpy(to, from.c_str(), from.size() + 1);
  return true;
}

// The tool's answer without the line end it prints after the path; no path
// holds a NUL, so one ends it.
std::string chosen_path(std::string output) {
  output.resize(std::min(output.find('\0'), output.size()));
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  return output;
}

std::uint32_t run_file_dialog(file_dialog_kind kind, file_dialog_request& request) {
  try {
    dialog_tool tool;
    std::string program;
    if (!find_dialog_tool(tool, program)) return 0;
    std::string output;
    if (!run_tool(file_dialog_command(tool, program, kind, request), output)) return 0;
    return deliver_chosen_file(std::move(output), kind, request) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

}  // namespace

std::vector<std::string> file_dialog_command(dialog_tool tool, const std::string& program,
                                             file_dialog_kind kind,
                                             const file_dialog_request& request) {
  const bool save = kind == file_dialog_kind::save;
  const std::string title = text(request.title);
  const std::string start = start_path(request);
  const std::vector<filter_pair> filters = filter_pairs(request.filter);
  std::vector<std::string> args{program};
  if (tool == dialog_tool::zenity) {
    args.push_back("--file-selection");
    if (save) args.push_back("--save");
    if (save && (request.flags & ofn_overwrite_prompt) != 0) args.push_back("--confirm-overwrite");
    if (!title.empty()) args.push_back("--title=" + title);
    if (!start.empty()) args.push_back("--filename=" + start);
    for (const auto& f : filters) {
      args.push_back("--file-filter=" + f.description + " | " + desktop_patterns(f.patterns, ' '));
    }
  } else {
    // kdialog always asks before it overwrites; its filter lines read "patterns|description".
    args.push_back(save ? "--getsavefilename" : "--getopenfilename");
    args.push_back(start.empty() ? "." : start);
    std::string filter_lines;
    for (const auto& f : filters) {
      if (!filter_lines.empty()) filter_lines += '\n';
      filter_lines += desktop_patterns(f.patterns, ' ') + "|" + f.description;
    }
    if (!filter_lines.empty()) args.push_back(filter_lines);
    if (!title.empty()) args.insert(args.end(), {"--title", title});
  }
  attach_to_owner(args, tool, request.owner);
  return args;
}

std::vector<std::string> folder_dialog_command(dialog_tool tool, const std::string& program,
                                               const folder_request& request) {
  const std::string title = text(request.title);
  std::vector<std::string> args{program};
  if (tool == dialog_tool::zenity) {
    args.insert(args.end(), {"--file-selection", "--directory"});
    if (!title.empty()) args.push_back("--title=" + title);
  } else {
    args.insert(args.end(), {"--getexistingdirectory", "."});
    if (!title.empty()) args.insert(args.end(), {"--title", title});
  }
  attach_to_owner(args, tool, request.owner);
  return args;
}

bool deliver_chosen_file(std::string output, file_dialog_kind kind, file_dialog_request& request) {
  std::string path = chosen_path(std::move(output));
  if (path.empty()) return false;
  std::string extension = text(request.default_extension);
  if (!extension.empty() && extension.front() == '.') extension.erase(0, 1);
  const std::string name = base_name(path);
  if (kind == file_dialog_kind::save && !extension.empty() && !name.empty() &&
      name.find('.') == std::string::npos) {
    path += "." + extension;
  }
  if (!copy_bounded(path, request.file, request.file_size)) return false;
  // The title is the name in the path as delivered, whatever the extension held.
  copy_bounded(base_name(path), request.file_title, request.file_title_size);
  return true;
}

browse_result deliver_chosen_folder(std::string output, const folder_request& request,
                                    char* folder_path) {
  const std::string path = chosen_path(std::move(output));
  if (path.empty()) return browse_result::cancelled;
  // A path too long for the platform's 260 bytes leaves the buffers as they were.
  copy_bounded(path, folder_path, folder_path_room(request));
  copy_bounded(base_name(path), request.display_name, 260);
  return browse_result::confirmed;
}

std::string help_document(const char* file) {
  std::string document = text(file);
  const std::size_t cut = std::min(document.find("::"), document.find('>'));
  if (cut != std::string::npos) document.erase(cut);
  return document;
}

}  // namespace desktop

std::uint32_t open_file_dialog(file_dialog_request& request) {
  return desktop::run_file_dialog(desktop::file_dialog_kind::open, request);
}

std::uint32_t save_file_dialog(file_dialog_request& request) {
  return desktop::run_file_dialog(desktop::file_dialog_kind::save, request);
}

browse_result browse_for_folder(const folder_request& request, char* folder_path) {
  try {
    desktop::dialog_tool tool;
    std::string program;
    if (!desktop::find_dialog_tool(tool, program)) return browse_result::refused;
    std::string output;
    if (!desktop::run_tool(desktop::folder_dialog_command(tool, program, request), output)) {
      return browse_result::cancelled;
    }
    return desktop::deliver_chosen_folder(std::move(output), request, folder_path);
  } catch (...) {
    return browse_result::cancelled;
  }
}

help_viewer* find_html_help() {
  static help_viewer viewer;
  try {
    std::string program;
    if (!desktop::find_program(desktop::handler_name, program) || program.size() >= PATH_MAX) {
      return nullptr;
    }
    std::memcpy(viewer.program, program.c_str(), program.size() + 1);
    return &viewer;
  } catch (...) {
    return nullptr;
  }
}

hu_HWND html_help(help_viewer* viewer, hu_HWND owner, const char* file, std::uint32_t command,
                  std::uintptr_t data) {
  (void)owner;
  (void)command;  // the handler has no topics or panes: every command shows the document
  (void)data;
  try {
    const std::string document = desktop::help_document(file);
    if (document.empty()) return nullptr;
    // There is no viewer window to hand back: the handler's process id stands
    // for it, nonzero when the handler started.
    const pid_t handler = desktop::start_detached(viewer->program, document);
    return reinterpret_cast<hu_HWND>(static_cast<std::uintptr_t>(handler));
  } catch (...) {
    return nullptr;
  }
}

std::uint32_t win_help(hu_HWND owner, const char* file, std::uint32_t command,
                       std::uintptr_t data) {
  (void)owner;
  (void)command;  // a topic and the contents both open the document
  (void)data;
  return file != nullptr && file[0] != '\0' && open_url(file) ? 1 : 0;
}

bool open_url(const char* url) {
  try {
    std::string program;
    if (!desktop::find_program(desktop::handler_name, program)) return false;
    return desktop::start_detached(program, url) != 0;
  } catch (...) {
    return false;
  }
}

}  // namespace hostutil::os
