// hostutil open-dialog / save-dialog / folder-dialog / browse: the standard
// dialogs and the default browser from the command line, for scripts that want
// a person to pick a file. The tour step shows only refusals: it opens no window.
#include <cstdint>
#include <iostream>
#include <string>

#include "host.h"

namespace {

constexpr int cancelled = 1;

struct dialog_options {
  std::string filter;
  std::string title;
  std::string name;
  std::string folder;
};

const char* optional(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

int file_dialog(bool save, const dialog_options& o) {
  char file[1024] = {};
  char title[260] = {};
  FileDialogParameters p{};
  p.filter = optional(o.filter);
  p.initialFileName = optional(o.name);
  p.file = file;
  p.fileSize = sizeof file;
  p.fileTitle = title;
  p.fileTitleSize = sizeof title;
  p.title = optional(o.title);
  p.initialDirectory = optional(o.folder);
  const uint32_t answer =
      save ? DisplayFileSaveDialogEx(nullptr, &p) : DisplayFileOpenDialogEx(nullptr, &p);
  if (answer != HOSTUTIL_DIALOG_OK) return cancelled;
  std::cout << file << "\n";
  return 0;
}

int folder_dialog(const std::string& title) {
  char folder[260] = {};
  char display[260] = {};
  if (GetFolderNameEx(nullptr, nullptr, display, optional(title), 0, folder, sizeof folder) !=
          HOSTUTIL_DIALOG_OK ||
      folder[0] == '\0') {
    return cancelled;
  }
  std::cout << folder << "\n";
  return 0;
}

void add_file_options(CLI::App* cmd, dialog_options& o, bool save) {
  cmd->add_option("--filter", o.filter, "pairs of description and pattern: \"Text|*.txt|\"");
  cmd->add_option("--title", o.title, "the dialog's caption");
  cmd->add_option("--folder", o.folder, "the folder shown first");
  if (save) cmd->add_option("--name", o.name, "the name proposed");
}

const bool commands = host::add_commands([](CLI::App& app) {
  static dialog_options open_options;
  auto* open = app.add_subcommand(
      "open-dialog", "Let the user pick an existing file; print its path (exit 1 on cancel)");
  add_file_options(open, open_options, false);
  host::runs(open, [] { return file_dialog(false, open_options); });

  static dialog_options save_options;
  auto* save = app.add_subcommand(
      "save-dialog",
      "Let the user name a file to write, asking before an existing one is replaced; print its "
      "path (exit 1 on cancel)");
  add_file_options(save, save_options, true);
  host::runs(save, [] { return file_dialog(true, save_options); });

  static std::string folder_title;
  auto* folder = app.add_subcommand(
      "folder-dialog", "Let the user pick a folder; print its path (exit 1 on cancel)");
  folder->add_option("--title", folder_title, "the text shown with the folders");
  host::runs(folder, [] { return folder_dialog(folder_title); });

  static std::string url;
  auto* browse = app.add_subcommand("browse", "Open URL in the default browser");
  browse->add_option("URL", url, "the page to open")->required();
  host::runs(browse, [] {
    ExecuteDefaultBrowser(url.c_str());
    return 0;
  });
});

const bool shell_step = host::add_tour_step(
    {110, "Dialogs refused without a window", [](host::tour_context& t) {
       const hu_HWND refused_owner = reinterpret_cast<hu_HWND>(~std::uintptr_t{0});
       char file[64] = "untouched";
       const uint32_t open = DisplayFileOpenDialog(refused_owner, "txt", nullptr, 0, "Text|*.txt|",
                                                   file, sizeof file);
       const uint32_t save = DisplayFileSaveDialog(refused_owner, "txt", "new.txt", 0,
                                                   "Text|*.txt|", file, sizeof file);
       const uint32_t no_buffer =
           DisplayFileOpenDialog(nullptr, nullptr, nullptr, 0, nullptr, file, 0);
       const uint32_t no_folder = GetFolderName(nullptr, nullptr, nullptr, "t", 0, nullptr, 260);
       ExecuteDefaultBrowser(nullptr);
       t.say("open and save with owner -1, an empty buffer, a folder picker without a buffer:");
       t.say("answers " + std::to_string(open) + ", " + std::to_string(save) + ", " +
             std::to_string(no_buffer) + ", " + std::to_string(no_folder) + " (2 = cancelled)");
       return t.check(open == HOSTUTIL_DIALOG_CANCEL && save == HOSTUTIL_DIALOG_CANCEL &&
                          no_buffer == HOSTUTIL_DIALOG_CANCEL &&
                          no_folder == HOSTUTIL_DIALOG_CANCEL,
                      "every refusal answers 2") &
              t.check(std::string(file) == "untouched", "a refused save proposes nothing");
     }});

}  // namespace
