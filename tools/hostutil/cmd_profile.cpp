// hostutil ini / hostutil csv: profile files and CSV items from the shell, and
// the tour's steps for a settings file beside the program and a CSV file made
// from records.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "host.h"
#include "hostutil.h"

namespace {

constexpr int not_found = 1;
constexpr int not_done = 2;
constexpr uint32_t value_size = 256;  // a line has at most 255 characters

// The library's scratch memory needs the semaphore table for the whole run.
struct library_session {
  library_session() { SemaphoreControlBegin(); }
  ~library_session() {
    GlobalAreaLumpFree();
    SemaphoreControlEnd();
  }
};

bool file_exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The key names of a section, as the reader lists them.
std::vector<std::string> key_names(const std::string& path, const std::string& section) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  std::vector<char> list(ec ? 1 : static_cast<size_t>(size) + 2);
  const uint32_t n = GetPrivateProfileStrEx(section.c_str(), nullptr, "", list.data(),
                                            static_cast<uint32_t>(list.size()), path.c_str());
  std::vector<std::string> names;
  for (uint32_t at = 0; n != 0 && at <= n; at += static_cast<uint32_t>(names.back().size()) + 1) {
    names.emplace_back(list.data() + at);
  }
  return names;
}

// Whether a line of the file is the section's header and nothing more, which
// is what the writer needs to find the section.
bool has_header_line(const std::string& path, const std::string& section) {
  const std::string text = file_text(path);
  const std::string header = "[" + section + "]";
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (end - start == header.size() && CompareNoCaseN(text.c_str() + start, header.c_str(),
                                                       static_cast<uint32_t>(header.size()))) {
      return true;
    }
    start = end + 2;
  }
  return false;
}

int missing_file(const std::string& path) {
  std::cerr << "hostutil ini: " << path << ": no such file\n";
  return not_found;
}

int ini_get(const std::string& path, const std::string& section, const std::string& key,
            const std::string* fallback) {
  if (!file_exists(path)) return missing_file(path);
  library_session session;
  char value[value_size];
  const uint32_t n =
      GetPrivateProfileStrEx(section.c_str(), key.c_str(), "", value, sizeof value, path.c_str());
  if (n != 0) {
    std::cout << value << "\n";
    return 0;
  }
  if (fallback != nullptr) {
    std::cout << *fallback << "\n";
    return 0;
  }
  if (key_names(path, section).empty()) {
    std::cerr << "hostutil ini: " << path << ": no section [" << section << "] with keys\n";
  } else {
    std::cerr << "hostutil ini: " << path << ": no value for " << key << " in [" << section
              << "]\n";
  }
  return not_found;
}

int ini_int(const std::string& path, const std::string& section, const std::string& key,
            const uint32_t* fallback) {
  if (!file_exists(path)) return missing_file(path);
  library_session session;
  // Two different defaults tell a number in the file from the default.
  const uint32_t a = GetPrivateProfileIntEx(section.c_str(), key.c_str(), 0, path.c_str());
  const uint32_t b = GetPrivateProfileIntEx(section.c_str(), key.c_str(), 1, path.c_str());
  if (a == b) {
    std::cout << a << "\n";
    return 0;
  }
  if (fallback != nullptr) {
    std::cout << *fallback << "\n";
    return 0;
  }
  std::cerr << "hostutil ini: " << path << ": no number for " << key << " in [" << section
            << "] (digits, or 0x and hexadecimal digits)\n";
  return not_found;
}

int ini_keys(const std::string& path, const std::string& section) {
  if (!file_exists(path)) return missing_file(path);
  library_session session;
  const std::vector<std::string> names = key_names(path, section);
  if (names.empty()) {
    std::cerr << "hostutil ini: " << path << ": no section [" << section << "] with keys\n";
    return not_found;
  }
  for (const std::string& name : names) std::cout << name << "\n";
  return 0;
}

int ini_set(const std::string& path, const std::string& section, const std::string& key,
            const std::string* value) {
  if (!file_exists(path)) return missing_file(path);
  if (!has_header_line(path, section)) {
    std::cerr << "hostutil ini: " << path << ": no line [" << section
              << "]; sections are not added\n";
    return not_found;
  }
  library_session session;
  if (WritePrivateProfileStrEx(section.c_str(), key.c_str(), value ? value->c_str() : nullptr,
                               path.c_str()) == 0) {
    std::cerr << "hostutil ini: " << path << ": not written (a section name has at most 253 "
              << "characters, key=value at most 255)\n";
    return not_done;
  }
  return 0;
}

// ---- csv -------------------------------------------------------------------

// 0 chooses by the separator: doubled quotes for ",", quotes kept otherwise.
struct csv_options {
  std::string separator = ",";
  int variant = 0;
};

bool check_csv_options(const csv_options& o) {
  if (o.separator.empty()) {
    std::cerr << "hostutil csv: the separator must not be empty\n";
    return false;
  }
  if (o.variant == 1 && o.separator != ",") {
    std::cerr << "hostutil csv: variant 1 separates by \",\" only\n";
    return false;
  }
  return true;
}

char* take_item(const csv_options& o, const char* line, char* buffer, uint32_t size) {
  const char* sep = o.separator.c_str();
  switch (o.variant) {
    case 1:
      return GetCSVOneItem(line, buffer, size);
    case 2:
      return GetCSVOneItem2(line, buffer, size, sep);
    case 3:
      return GetCSVOneItem3(line, buffer, size, sep);
    default:
      return GetCSVOneItemEx(line, buffer, size, sep);
  }
}

uint32_t make_item(const csv_options& o, const char* item, char* buffer, uint32_t size) {
  const char* sep = o.separator.c_str();
  switch (o.variant) {
    case 1:
      return MakeCSVOneItem(item, buffer, size);
    case 2:
      return MakeCSVOneItem2(item, buffer, size, sep);
    case 3:
      return MakeCSVOneItem3(item, buffer, size, sep, 1);
    default:
      return MakeCSVOneItemEx(item, buffer, size, sep);
  }
}

void drop_line_end(std::string& line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

int csv_split(const csv_options& o) {
  if (!check_csv_options(o)) return not_done;
  library_session session;
  std::string line;
  while (std::getline(std::cin, line)) {
    drop_line_end(line);
    // No item is longer than its line.
    std::vector<char> item(line.size() + 1);
    const char* at = line.c_str();
    do {
      at = take_item(o, at, item.data(), static_cast<uint32_t>(item.size()));
      std::cout << item.data() << "\n";
    } while (at != nullptr);
  }
  return 0;
}

int csv_join(const csv_options& o) {
  if (!check_csv_options(o)) return not_done;
  library_session session;
  std::string item;
  std::string line;
  bool first = true;
  while (std::getline(std::cin, item)) {
    drop_line_end(item);
    // Quoted, every character doubled, at most.
    std::vector<char> made(2 * item.size() + 3);
    if (make_item(o, item.c_str(), made.data(), static_cast<uint32_t>(made.size())) == 0) {
      std::cerr << "hostutil csv: cannot make an item of \"" << item << "\"\n";
      return not_done;
    }
    if (!first) line += o.separator;
    line += made.data();
    first = false;
  }
  std::cout << line << "\n";
  return 0;
}

const bool commands = host::add_commands([](CLI::App& app) {
  auto* ini = app.add_subcommand("ini", "Read and change INI-style profile files");
  ini->require_subcommand(1);
  static std::string path, section, key, text;
  static uint32_t number = 0;

  auto* get = ini->add_subcommand("get", "Print the value of KEY in SECTION");
  get->add_option("FILE", path, "profile file")->required();
  get->add_option("SECTION", section, "section name")->required();
  get->add_option("KEY", key, "key name")->required();
  auto* get_default = get->add_option("--default", text, "printed when there is no value");
  get->callback([get_default] {
    host::exit_code = ini_get(path, section, key, get_default->count() ? &text : nullptr);
  });

  auto* num = ini->add_subcommand("int", "Print the value of KEY in SECTION as a number");
  num->add_option("FILE", path, "profile file")->required();
  num->add_option("SECTION", section, "section name")->required();
  num->add_option("KEY", key, "key name")->required();
  auto* num_default = num->add_option("--default", number, "printed when there is no number");
  num->callback([num_default] {
    host::exit_code = ini_int(path, section, key, num_default->count() ? &number : nullptr);
  });

  auto* keys = ini->add_subcommand("keys", "List the key names of SECTION, one a line");
  keys->add_option("FILE", path, "profile file")->required();
  keys->add_option("SECTION", section, "section name")->required();
  keys->callback([] { host::exit_code = ini_keys(path, section); });

  auto* set = ini->add_subcommand(
      "set", "Set KEY in an existing SECTION of an existing FILE (a bare KEY without VALUE)");
  set->add_option("FILE", path, "profile file")->required();
  set->add_option("SECTION", section, "section name")->required();
  set->add_option("KEY", key, "key name")->required();
  auto* set_value = set->add_option("VALUE", text, "the new value");
  set->callback([set_value] {
    host::exit_code = ini_set(path, section, key, set_value->count() ? &text : nullptr);
  });

  auto* csv = app.add_subcommand("csv", "Make and take apart CSV items");
  csv->require_subcommand(1);
  static csv_options options;
  const std::string variants =
      "1: \",\" and doubled quotes; 2: quotes kept; 3: doubled quotes (default: 1 for \",\", "
      "2 otherwise)";
  auto* split = csv->add_subcommand("split", "Read CSV lines from stdin, print one item a line");
  auto* join = csv->add_subcommand("join", "Read items from stdin, one a line; print one CSV line");
  for (auto* sub : {split, join}) {
    sub->add_option("--sep", options.separator, "separator")->capture_default_str();
    sub->add_option("--variant", options.variant, variants)->check(CLI::Range(1, 3));
  }
  split->callback([] { host::exit_code = csv_split(options); });
  join->callback([] { host::exit_code = csv_join(options); });
});

// ---- tour ------------------------------------------------------------------

std::string read_file(const std::string& path) {
  std::vector<char> bytes(FileSizeGet(path.c_str()) + 1);
  const uint32_t n = FileRead(path.c_str(), bytes.data(), static_cast<uint32_t>(bytes.size()));
  return std::string(bytes.data(), n);
}

std::string shown(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

const bool profile_step = host::add_tour_step(
    {60, "Settings file beside the program", [](host::tour_context& t) {
       library_session session;
       const char* name = "hostutil-tour-settings.ini";
       char path[260];
       GetFilePath(name, path, sizeof path);
       const std::string initial = "[Window]\r\nWidth=640\r\n[Net]\r\nHost=localhost\r\nPort=0x50";
       bool ok = t.check(
           FileWrite(path, initial.data(), static_cast<uint32_t>(initial.size())) == initial.size(),
           std::string("wrote ") + path);
       char host_name[64];
       GetFileValueString(name, "net", "HOST", "none", host_name, sizeof host_name);
       ok &= t.check(std::string(host_name) == "localhost", "[net] HOST reads \"localhost\"");
       ok &= t.check(GetFileValueInt(name, "Net", "Port", 0) == 80, "Port=0x50 reads 80");
       ok &= t.check(GetFileValueInt(name, "Net", "Retries", 3) == 3, "a missing key gives 3");
       WriteFileValueInt(name, "Window", "Width", 800);
       WriteFileValueString(name, "Net", "Proxy", "none");
       const std::string after = read_file(path);
       t.say("after two writes: " + shown(after));
       ok &= t.check(after ==
                         "[Window]\r\nWidth=800\r\n[Net]\r\nProxy=none\r\nHost=localhost\r\n"
                         "Port=0x50\r\n",
                     "Width replaced in place, Proxy first in [Net]");
       char keys[64] = {};
       const uint32_t n = GetFileValueString(name, "Net", nullptr, "", keys, sizeof keys);
       ok &= t.check(n == 15 && std::memcmp(keys, "Proxy\0Host\0Port\0", 16) == 0,
                     "key list of [Net]: Proxy, Host, Port");
       FileDelete(path);
       WriteFileValueString(name, "Net", "Host", "x");
       ok &= t.check(FileSizeGet(path) == 0, "the writer does not create a missing file");
       return ok;
     }});

const bool csv_step = host::add_tour_step(
    {70, "CSV file made from records", [](host::tour_context& t) {
       library_session session;
       const std::vector<std::vector<std::string>> rows{
           {"id", "name", "note"}, {"1", "Smith, J.", "said \"hi\""}, {"2", "Lee", ""}};
       HeapAreaHead* area = nullptr;
       bool ok = true;
       for (size_t r = 0; r < rows.size(); ++r) {
         for (size_t c = 0; c < rows[r].size(); ++c) {
           char item[64];
           MakeCSVOneItem(rows[r][c].c_str(), item, sizeof item);
           // The first record of a line carries the line end before it; an
           // empty item is a record that holds only its NUL.
           const std::string record = std::string(r > 0 && c == 0 ? "\r\n" : "") + item;
           const uint32_t length = record.empty() ? 1 : static_cast<uint32_t>(record.size());
           ok &= AllocHeapAreaAndSetData(&area, record.c_str(), length) == 1;
         }
       }
       const std::string path = t.scratch + "records.csv";
       ok &= t.check(MakeCSVFile(path.c_str(), area, 1) == 1, "MakeCSVFile of 9 records");
       const std::string text = read_file(path);
       t.say(shown(text));
       ok &= t.check(text == "id,name,note\r\n1,\"Smith, J.\",\"said \"\"hi\"\"\"\r\n2,Lee,\r\n",
                     "quoted where needed, lines joined by commas");
       ok &= t.check(MakeCSVFile(path.c_str(), area, 0) == 1 && read_file(path) == text + text,
                     "a second call adds the same lines");
       const std::string second = text.substr(text.find('\n') + 1);
       char item[64];
       const char* at = GetCSVOneItem(second.c_str(), item, sizeof item);
       at = GetCSVOneItem(at, item, sizeof item);
       ok &= t.check(std::string(item) == "Smith, J.", "GetCSVOneItem takes \"Smith, J.\" back");
       FreeHeapArea(&area);
       return ok;
     }});

}  // namespace
