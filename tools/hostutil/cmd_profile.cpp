// hostutil ini: profile files from the shell, and the tour's step for a
// settings file beside the program.
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "host.h"

namespace {

constexpr int not_found = 1;
constexpr int not_done = 2;
constexpr uint32_t value_size = 256;  // a line has at most 255 characters

using host::library_session;

// The FILE, SECTION and (with_key) KEY arguments that the ini subcommands share.
struct place {
  std::string path, section, key;
};
place where;

// The message "hostutil ini: FILE: what" on standard error; status.
int ini_fail(int status, const place& p, const std::string& what) {
  return host::fail(status, "hostutil ini: " + p.path + ": " + what);
}

// The key names of a section, as the reader lists them.
std::vector<std::string> key_names(const place& p) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(p.path, ec);
  std::vector<char> list(ec ? 1 : static_cast<size_t>(size) + 2);
  const uint32_t n = GetPrivateProfileStrEx(p.section.c_str(), nullptr, "", list.data(),
                                            static_cast<uint32_t>(list.size()), p.path.c_str());
  std::vector<std::string> names;
  for (uint32_t at = 0; n != 0 && at <= n; at += static_cast<uint32_t>(names.back().size()) + 1) {
    names.emplace_back(list.data() + at);
  }
  return names;
}

// Whether a line of the file is the section's header and nothing more, which
// is what the writer needs to find the section.
bool has_header_line(const place& p) {
  const std::string text = host::read_file(p.path).value_or("");
  const std::string header = "[" + p.section + "]";
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

int no_section(const place& p) {
  return ini_fail(not_found, p, "no section [" + p.section + "] with keys");
}

int ini_get(const place& p, const std::optional<std::string>& fallback) {
  library_session session;
  char value[value_size];
  const uint32_t n = GetPrivateProfileStrEx(p.section.c_str(), p.key.c_str(), "", value,
                                            sizeof value, p.path.c_str());
  // The value, or else the default.
  if (n != 0 || fallback) {
    std::cout << (n != 0 ? std::string(value) : *fallback) << "\n";
    return 0;
  }
  if (key_names(p).empty()) return no_section(p);
  return ini_fail(not_found, p, "no value for " + p.key + " in [" + p.section + "]");
}

int ini_int(const place& p, const std::optional<uint32_t>& fallback) {
  library_session session;
  // Two different defaults tell a number in the file from the default.
  const uint32_t a = GetPrivateProfileIntEx(p.section.c_str(), p.key.c_str(), 0, p.path.c_str());
  const uint32_t b = GetPrivateProfileIntEx(p.section.c_str(), p.key.c_str(), 1, p.path.c_str());
  // The number, or else the default.
  if (a == b || fallback) {
    std::cout << (a == b ? a : *fallback) << "\n";
    return 0;
  }
  return ini_fail(
      not_found, p,
      "no number for " + p.key + " in [" + p.section + "] (digits, or 0x and hexadecimal digits)");
}

int ini_keys(const place& p) {
  library_session session;
  const std::vector<std::string> names = key_names(p);
  if (names.empty()) return no_section(p);
  for (const std::string& name : names) std::cout << name << "\n";
  return 0;
}

int ini_set(const place& p, const std::optional<std::string>& value) {
  if (!has_header_line(p)) {
    return ini_fail(not_found, p, "no line [" + p.section + "]; sections are not added");
  }
  library_session session;
  if (WritePrivateProfileStrEx(p.section.c_str(), p.key.c_str(), value ? value->c_str() : nullptr,
                               p.path.c_str()) == 0) {
    return ini_fail(not_done, p,
                    "not written (a section name has at most 253 characters, key=value at most "
                    "255)");
  }
  return 0;
}

// An ini subcommand with FILE, SECTION and (with_key) KEY; work runs once FILE
// is known to be there.
CLI::App* add_ini_command(CLI::App* ini, const char* name, const char* what, bool with_key,
                          std::function<int()> work) {
  auto* cmd = ini->add_subcommand(name, what);
  cmd->add_option("FILE", where.path, "profile file")->required();
  cmd->add_option("SECTION", where.section, "section name")->required();
  if (with_key) cmd->add_option("KEY", where.key, "key name")->required();
  host::runs(cmd, [work = std::move(work)] {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(where.path, ec)) {
      return ini_fail(not_found, where, "no such file");
    }
    return work();
  });
  return cmd;
}

const bool commands = host::add_commands([](CLI::App& app) {
  auto* ini = app.add_subcommand("ini", "Read and change INI-style profile files");
  ini->require_subcommand(1);
  static std::optional<std::string> text;
  static std::optional<uint32_t> number;
  add_ini_command(ini, "get", "Print the value of KEY in SECTION", true, [] {
    return ini_get(where, text);
  })->add_option("--default", text, "printed when there is no value");
  add_ini_command(ini, "int", "Print the value of KEY in SECTION as a number", true, [] {
    return ini_int(where, number);
  })->add_option("--default", number, "printed when there is no number");
  add_ini_command(ini, "keys", "List the key names of SECTION, one a line", false,
                  [] { return ini_keys(where); });
  add_ini_command(ini, "set",
                  "Set KEY in an existing SECTION of an existing FILE (a bare KEY without VALUE)",
                  true, [] { return ini_set(where, text); })
      ->add_option("VALUE", text, "the new value");
});

// ---- tour ------------------------------------------------------------------

const bool profile_step = host::add_tour_step(
    {60, "Settings file beside the program",
     [](host::tour_context& t) {
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
       const std::string after = host::read_file(path).value_or("");
       t.say("after two writes: " + host::one_line(after));
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
     },
     true});

}  // namespace
