// The dialogs, help and the browser through their exported entry points. The
// platform's dialogs in the table of system calls are the POSIX port's own
// steps with the desktop tool's answer taken from the input: the command line
// built, the printed path delivered into the caller's buffers. Checked against
// the rules written plainly: the refusals, the filter as the platform's list,
// the flags, the proposed name, the file title, the folder path's room and the
// help commands. Caller buffers lie between canaries, texts in exact heap copies.
#include <optional>
#include <tuple>

#include "fuzz_support.h"
#include "os/posix/dialog_command.h"
#include "os/system_calls.h"

namespace {

using namespace hostutil::os;
using text = std::optional<std::string>;

// A text of the input or none, as a heap copy of exactly its bytes.
struct given_text {
  text t;
  std::vector<char> bytes;
  given_text(fuzz::input& r, bool given, std::size_t most) {
    if (!given) return;
    std::string s = r.bytes(r.u16() % (most + 1));
    t = s.substr(0, s.find('\0'));
    bytes = fuzz::exact(*t);
  }
  const char* get() { return t ? bytes.data() : nullptr; }
};

// What the desktop's tool does this time, and what the platform was handed:
// the filter list's 260 bytes, the caller's whole file buffer as the dialog
// opened, whether the library's title buffer was clear, the help calls.
struct {
  desktop::dialog_tool tool;
  bool confirmed, save, title_clear;  // confirmed: the tool ends with status 0
  std::string output, file_at_call;   // output: what the tool prints
  std::uint32_t answer;               // the help viewers'
  int shown;
  file_dialog_request request;
  text filter;
  folder_request folder;
  std::vector<std::tuple<hu_HWND, const char*, std::uint32_t, std::uintptr_t>> help;
  std::vector<std::string> urls;
} platform;

std::uint32_t file_dialog(bool save, file_dialog_request& r) {
  ++platform.shown;
  platform.save = save, platform.request = r;
  platform.filter = r.filter != nullptr ? text(std::string(r.filter, 260)) : std::nullopt;
  platform.file_at_call.assign(r.file, r.file_size);
  platform.title_clear = r.file_title != nullptr && r.file_title_size == 260 &&
                         std::string(r.file_title, 260) == std::string(260, '\0');
  const auto kind = save ? desktop::file_dialog_kind::save : desktop::file_dialog_kind::open;
  check(desktop::file_dialog_command(platform.tool, "/bin/tool", kind, r).at(0) == "/bin/tool");
  return platform.confirmed && desktop::deliver_chosen_file(platform.output, kind, r) ? 1 : 0;
}

void install() {
  auto& c = calls();
  c.open_file_dialog = [](file_dialog_request& r) { return file_dialog(false, r); };
  c.save_file_dialog = [](file_dialog_request& r) { return file_dialog(true, r); };
  c.browse_for_folder = [](const folder_request& r, char* path) {
    ++platform.shown;
    platform.folder = r;
    check(desktop::folder_dialog_command(platform.tool, "/bin/tool", r).at(0) == "/bin/tool");
    return platform.confirmed ? desktop::deliver_chosen_folder(platform.output, r, path)
                              : browse_result::cancelled;
  };
  // Found once for the process, at the first HTML Help call.
  c.find_html_help = [] { return reinterpret_cast<help_viewer*>(&platform); };
  c.html_help = [](help_viewer* viewer, hu_HWND owner, const char* file, std::uint32_t command,
                   std::uintptr_t data) {
    // The document the POSIX viewer opens: the file up to a "::" topic or ">" window.
    check(viewer == reinterpret_cast<help_viewer*>(&platform) &&
          std::string(file != nullptr ? file : "").rfind(desktop::help_document(file), 0) == 0);
    platform.help.emplace_back(owner, file, command, data);
    return reinterpret_cast<hu_HWND>(std::uintptr_t{platform.answer});
  };
  c.win_help = [](hu_HWND owner, const char* file, std::uint32_t command, std::uintptr_t data) {
    platform.help.emplace_back(owner, file, command, data);
    return platform.answer;
  };
  c.open_url = [](const char* url) { return platform.urls.push_back(url), true; };
}

// The tool's path: what it printed up to a NUL, without the line ends; and
// the name in a path.
std::string printed_path() {
  const std::string path = platform.output.substr(0, platform.output.find('\0'));
  return path.substr(0, path.find_last_not_of("\r\n") + 1);  // npos + 1 is 0
}

std::string leaf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// s and its NUL over the start of before, when it fits in size; else before.
std::string written(const std::string& before, const std::string& s, std::size_t size) {
  return s.size() < size ? s + '\0' + before.substr(s.size() + 1) : before;
}

// Forms 0-3: the open and save dialogs from the record, then from the argument list.
void file_dialogs(fuzz::input& r, std::uint32_t form, std::uint32_t bits, hu_HWND owner) {
  const bool record = form < 2, save = form % 2 == 1;
  const std::uint32_t file_size = r.u16() % 300, title_size = r.u16() % 300, flags = r.u32();
  given_text filter(r, bits & 1 << 6, 600), name(r, bits & 1 << 7, 400),
      extension(r, bits & 1 << 8, 16), caption(r, bits & 1 << 9, 64), folder(r, bits & 1 << 10, 64);
  const std::string initial = r.text(255);
  platform.output = r.rest();
  fuzz::fenced file(file_size, 'F'), title(title_size, 'T');
  std::memcpy(file.data(), initial.c_str(), std::min<std::size_t>(initial.size() + 1, file_size));
  char* const file_data = bits & 1 << 5 ? nullptr : file.data();
  char* const title_data = bits & 1 << 11 ? title.data() : nullptr;
  const std::string file_before = file.all(), title_before = title.all();
  FileDialogParameters p{filter.get(), name.get(),    file_data,    file_size, title_data,
                         title_size,   caption.get(), folder.get(), flags,     extension.get()};
  std::uint32_t answer;
  if (record) {
    const bool no_record = bits & 1 << 17;
    answer =
        (save ? DisplayFileSaveDialogEx : DisplayFileOpenDialogEx)(owner, no_record ? nullptr : &p);
    check(p.flags == flags);  // the caller's record is left as it was
    if (no_record) return check(answer == 2 && platform.shown == 0);
  } else {
    answer = (save ? DisplayFileSaveDialog : DisplayFileOpenDialog)(
        owner, extension.get(), name.get(), flags, filter.get(), file_data, file_size);
  }
  if (owner == reinterpret_cast<hu_HWND>(~std::uintptr_t{0}) || file_data == nullptr ||
      file_size == 0) {
    return check(answer == 2 && platform.shown == 0 && file.all() == file_before &&
                 title.all() == title_before);
  }
  const file_dialog_request& s = platform.request;
  check(platform.shown == 1 && platform.save == save && s.owner == owner && s.file == file.data() &&
        s.file_size == file_size && s.file_title_size == 260 && platform.title_clear &&
        s.default_extension == extension.get());
  check(s.flags == (flags | 0x1004 | (record && save ? 0x2 : 0)));
  check(s.title == (record ? caption.get() : nullptr) &&
        s.initial_directory == (record ? folder.get() : nullptr));
  // The filter as the platform's list: "|" a NUL, the last two of 260 bytes
  // zero; none from a record without one, an empty list from the arguments.
  std::string list = filter.t.value_or("").substr(0, 258);
  std::replace(list.begin(), list.end(), '|', '\0');
  check(record && !filter.t ? !platform.filter
                            : platform.filter == list + std::string(260 - list.size(), '\0'));
  // The save dialog starts from the proposed name, cut to the buffer.
  const std::string at_call =
      save && name.t ? written(file_before, name.t->substr(0, file_size - 1), file_size)
                     : file_before;
  check(platform.file_at_call == at_call);
  // A saved name without a dot takes the default extension (less its own dot).
  std::string path = printed_path(), ext = extension.t.value_or("");
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  if (save && !ext.empty() && !leaf(path).empty() && leaf(path).find('.') == std::string::npos) {
    path += "." + ext;
  }
  const bool chosen = platform.confirmed && !path.empty() && path.size() < file_size;
  check(answer == (chosen ? 1 : 2));
  check(file.all() == (chosen ? written(at_call, path, file_size) : at_call));
  // The title comes back from the library's 260 bytes when it fits, cleared
  // whole first; an empty one after a cancel.
  const std::string got = chosen && leaf(path).size() < 260 ? leaf(path) : "";
  const bool back = record && title_data != nullptr && got.size() < title_size;
  check(back ? title.holds(got) : title.all() == title_before);
}

// Forms 4-6: the folder picker with the caller's flags and callback, then the
// two names of the file-system folder picker.
void folder_pickers(fuzz::input& r, std::uint32_t form, std::uint32_t bits, hu_HWND owner) {
  const std::uint32_t flags = r.u32(), path_size = r.u16() % 300;
  const auto image = static_cast<std::int32_t>(r.u32());
  const hu_LPARAM data = r.u32();
  given_text caption(r, bits & 1 << 9, 64);
  platform.output = r.rest();
  // Windows writes up to 260 bytes whatever the size says; the port keeps to a smaller one.
  const std::uint32_t room = form == 4 || path_size == 0 || path_size >= 260 ? 260 : path_size;
  fuzz::fenced path(room, 'P'), name(260, 'N');
  char* const path_data = bits & 1 << 5 ? nullptr : path.data();
  char* const name_data = bits & 1 << 16 ? name.data() : nullptr;
  const auto callback = reinterpret_cast<hu_BFFCALLBACK>(std::uintptr_t{0x2000});
  const std::string path_before = path.all(), name_before = name.all();
  const std::uint32_t answer =
      form == 4
          ? DisplayFolderDialogAndGetOpenFolderName(owner, nullptr, name_data, caption.get(), flags,
                                                    callback, data, image, path_data, nullptr)
          : (form == 5 ? GetFolderNameEx : GetFolderName)(owner, nullptr, name_data, caption.get(),
                                                          image, path_data, path_size);
  if (path_data == nullptr) {
    return check(answer == 2 && platform.shown == 0 && name.all() == name_before);
  }
  const folder_request& s = platform.folder;
  check(platform.shown == 1 && s.owner == owner && s.root == nullptr &&
        s.display_name == name_data && s.title == caption.get() && s.image == image);
  check(form == 4 ? s.flags == flags && s.callback == callback && s.callback_data == data &&
                        s.folder_path_size == 0
                  : s.flags == 0x41 && s.callback == nullptr && s.callback_data == 0 &&
                        s.folder_path_size == path_size);
  const std::string chosen = platform.confirmed ? printed_path() : "";
  check(answer == (chosen.empty() ? 2 : 1));
  check(path.all() == (chosen.empty() ? path_before : written(path_before, chosen, room)));
  const bool named = !chosen.empty() && name_data != nullptr;
  check(name.all() == (named ? written(name_before, leaf(chosen), 260) : name_before));
}

// Form 7: both help viewers with one file, then the browser.
void help_and_browser(fuzz::input& r, std::uint32_t bits, hu_HWND owner) {
  const std::uint32_t command = r.u32(), data = r.u32(), context = bits & 1 << 14 ? ~0u : r.u32();
  platform.answer = r.u32();
  given_text file(r, bits & 1 << 6, 300), url(r, bits & 1 << 15, 300);
  platform.help.clear(), platform.urls.clear();
  check(DisplayHtmlHelp(owner, file.get(), command, data) ==
        reinterpret_cast<hu_HWND>(std::uintptr_t{platform.answer}));
  check(DisplayWinHelp(owner, file.get(), context) == platform.answer);
  // HELP_CONTEXT with the topic, or HELP_FINDER with 0 for the contents.
  const bool contents = context == ~0u;
  check(platform.help == decltype(platform.help){
                             {owner, file.get(), command, data},
                             {owner, file.get(), contents ? 0x0Bu : 1u, contents ? 0 : context}});
  ExecuteDefaultBrowser(url.get());
  check(platform.urls == (url.t ? std::vector<std::string>{*url.t} : std::vector<std::string>{}));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  install();
  fuzz::input r{data, size};
  const std::uint32_t bits = r.u32(), form = bits & 7;
  const std::uintptr_t owners[] = {0, ~std::uintptr_t{0}, 0x2A0042, 0x7F00000000};
  const auto owner = reinterpret_cast<hu_HWND>(owners[bits >> 3 & 3]);
  platform.shown = 0;
  platform.confirmed = bits & 1 << 12;
  platform.tool = bits & 1 << 13 ? desktop::dialog_tool::kdialog : desktop::dialog_tool::zenity;
  if (form < 4) return file_dialogs(r, form, bits, owner), 0;
  if (form < 7) return folder_pickers(r, form, bits, owner), 0;
  return help_and_browser(r, bits, owner), 0;
}
