// hostutil sysinfo / printers / find-printer, and the tour's step for the
// system queries. The printer listing asks the platform's spooler itself
// (the library finds printers but does not list them).
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "host.h"
#include "hostutil.h"

#ifdef _WIN32
#include <windows.h>
#include <winspool.h>
#else
#include <dlfcn.h>
#endif

namespace {

struct listed_printer {
  std::string name, port;
};

#ifdef _WIN32
// The local printers from the spooler, loaded for the listing.
bool list_printers(std::vector<listed_printer>& out) {
  HMODULE spooler = LoadLibraryA("winspool.drv");
  if (spooler == nullptr) return false;
  using enum_fn = BOOL(WINAPI*)(DWORD, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
  const auto enumerate =
      reinterpret_cast<enum_fn>(reinterpret_cast<void*>(GetProcAddress(spooler, "EnumPrintersA")));
  bool ok = false;
  if (enumerate != nullptr) {
    DWORD needed = 0, count = 0;
    enumerate(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<std::uint64_t> block(needed / 8 + 1);
    ok = needed == 0 || enumerate(PRINTER_ENUM_LOCAL, nullptr, 2,
                                  reinterpret_cast<LPBYTE>(block.data()), needed, &needed, &count);
    const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(block.data());
    for (DWORD i = 0; ok && needed != 0 && i < count; ++i) {
      out.push_back({info[i].pPrinterName, info[i].pPortName ? info[i].pPortName : ""});
    }
  }
  FreeLibrary(spooler);
  return ok;
}
#else
// The local CUPS queues, with libcups loaded for the listing.
bool list_printers(std::vector<listed_printer>& out) {
  struct option_record {
    char* name;
    char* value;
  };
  struct dest_record {
    char* name;
    char* instance;
    int is_default;
    int num_options;
    option_record* options;
  };
  void* cups = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
  if (cups == nullptr) return false;
  const auto get_dests =
      reinterpret_cast<int (*)(void*, dest_record**)>(dlsym(cups, "cupsGetDests2"));
  const auto free_dests =
      reinterpret_cast<void (*)(int, dest_record*)>(dlsym(cups, "cupsFreeDests"));
  const auto get_option = reinterpret_cast<const char* (*)(const char*, int, option_record*)>(
      dlsym(cups, "cupsGetOption"));
  const bool ok = get_dests != nullptr && free_dests != nullptr && get_option != nullptr;
  if (ok) {
    dest_record* dests = nullptr;
    const int n = get_dests(nullptr, &dests);
    for (int i = 0; i < n; ++i) {
      if (dests[i].instance != nullptr) continue;
      const char* uri = get_option("device-uri", dests[i].num_options, dests[i].options);
      out.push_back({dests[i].name, uri != nullptr ? uri : ""});
    }
    if (dests != nullptr) free_dests(n, dests);
  }
  dlclose(cups);
  return ok;
}
#endif

std::string hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

// The operating-system code in words.
std::string os_words(uint32_t code) {
  struct release {
    uint32_t code;
    const char* words;
  };
  static const release releases[] = {
      {0x01010000u, "Win32s"},
      {0x02020001u, "Windows 95"},
      {0x02020003u, "Windows 95 OSR2"},
      {0x02020004u, "Windows 95, build 1212"},
      {0x02030005u, "Windows 98"},
      {0x02030006u, "Windows 98 Second Edition"},
      {0x02030007u, "Windows Me"},
      {0x02000000u, "Windows 95/98/Me platform, release not recognised"},
      {0x03040000u, "Windows NT 3 (build 1381)"},
      {0x03050000u, "Windows NT 4.0"},
      {0x03060000u, "Windows 2000"},
      {0x03070000u, "Windows XP"},
      {0x03000000u, "NT platform, a release the table does not name (later than XP)"},
  };
  if (code >= 0x03050008u && code <= 0x0305000Du) {
    return "Windows NT 4.0 Service Pack " + std::to_string(code - 0x03050007u);
  }
  for (const release& r : releases) {
    if (r.code == code) return r.words;
  }
  if (code == 0) return "none of the Windows platforms, or the version could not be read";
  return "unknown code";
}

std::string port_kind_words(uint32_t kind) {
  switch (kind) {
    case HOSTUTIL_PORT_NETWORK:
      return "network";
    case HOSTUTIL_PORT_USB:
      return "USB";
    case HOSTUTIL_PORT_PARALLEL:
      return "parallel";
    default:
      return "not recognised";
  }
}

std::string group_words(uint32_t group) {
  switch (group) {
    case HOSTUTIL_GROUP_ADMINISTRATORS:
      return "Administrators (544)";
    case HOSTUTIL_GROUP_USERS:
      return "Users (545)";
    default:
      return "none: no such groups on this system";
  }
}

// The sysinfo lines, "what: answer"; ok is false when a call that must
// succeed did not.
std::vector<std::pair<std::string, std::string>> system_answers(bool& ok) {
  std::vector<std::pair<std::string, std::string>> lines;
  char text[512];
  ok = true;
  const uint32_t folder = GetSystemDirectoryEx(text, sizeof text);
  ok &= folder > 0 && folder < sizeof text;
  lines.push_back({"system folder", ok ? text : "(failed)"});
  uint32_t size = sizeof text;
  const bool computer = GetComputerNameExEx(text, &size) != 0;
  ok &= computer;
  lines.push_back({"computer name", computer ? text : "(failed)"});
  const bool host = GetHostNameEx(text, sizeof text) == 1;
  ok &= host;
  lines.push_back({"host name", host ? text : "(failed)"});
  const bool address = GetIPAddress(text, sizeof text) == 1;
  ok &= address;
  lines.push_back({"IPv4 address", !address ? "(failed)" : text[0] ? text : "(none)"});
  const uint32_t code = GetOSVer();
  lines.push_back({"operating system", hex(code) + ", " + os_words(code)});
  uint32_t width = 0, height = 0;
  ok &= GetDisplaySize(&width, &height) == 1;
  lines.push_back({"display", width == 0 ? std::string("(none)")
                                         : std::to_string(width) + " x " + std::to_string(height)});
  lines.push_back({"double-byte language", LanguageIs2Byte() ? "yes" : "no"});
  lines.push_back({"Japanese", LanguageIsJapanese() ? "yes" : "no"});
  lines.push_back({"user group", group_words(GetCurrentUserGroup())});
  return lines;
}

int print_sysinfo() {
  bool ok = true;
  for (const auto& [what, answer] : system_answers(ok)) {
    std::printf("%-22s %s\n", (what + ":").c_str(), answer.c_str());
  }
  return ok ? 0 : 1;
}

int print_printers() {
  std::vector<listed_printer> printers;
  if (!list_printers(printers)) {
    std::cerr << "hostutil printers: the system's printers cannot be listed\n";
    return 1;
  }
  if (printers.empty()) std::cout << "(no printers)\n";
  for (const auto& p : printers) {
    std::cout << p.name << "\n    port: " << p.port << " ("
              << port_kind_words(GetPortKind(p.port.c_str())) << ")\n";
  }
  return 0;
}

int find_printer(const std::string& port, const std::string& pattern, const std::string& code) {
  SemaphoreControlBegin();
  char name[256], ports[256];
  const uint32_t found = GetLogicalPrinterAndPortName(port.c_str(), pattern.c_str(), code.c_str(),
                                                      name, sizeof name, ports, sizeof ports);
  GlobalAreaLumpFree();
  SemaphoreControlEnd();
  std::cout << "port kind: " << port_kind_words(GetPortKind(port.c_str())) << "\n";
  if (found == 0) {
    std::cout << "no printer found for \"" << port << "\"\n";
    return 1;
  }
  std::cout << "printer:   " << name << "\nports:     " << ports << "\n";
  return 0;
}

const bool commands = host::add_commands([](CLI::App& app) {
  auto* sysinfo = app.add_subcommand(
      "sysinfo", "Print the system folder, names, address, OS code, display, language and group");
  sysinfo->callback([] { host::exit_code = print_sysinfo(); });

  auto* printers = app.add_subcommand("printers", "List the printers, their ports and port kinds");
  printers->callback([] { host::exit_code = print_printers(); });

  auto* find =
      app.add_subcommand("find-printer",
                         "Find the printer behind PORT: by port name, or for an IPv4 address by "
                         "asking each driver's address plug-in");
  static std::string port, pattern = "*.cap", code;
  find->add_option("PORT", port, "port name (USB001, LPT1:) or IPv4 address")->required();
  find->add_option("--pattern", pattern, "capability file pattern in the driver folder")
      ->capture_default_str();
  find->add_option("--code", code, "support code the capability file must name")->required();
  find->callback([] { host::exit_code = find_printer(port, pattern, code); });
});

const bool system_step = host::add_tour_step(
    {100, "System queries", [](host::tour_context& t) {
       bool ok = true;
       for (const auto& [what, answer] : system_answers(ok)) t.say(what + ": " + answer);
       ok = t.check(
           ok, "the system folder, names and address queries succeed; the display size answers");
       uint32_t width = 7;
       ok &= t.check(GetDisplaySize(&width, nullptr) == 0 && width == 7,
                     "a missing display pointer is refused, nothing written");
       ok &= t.check(GetPortKind("192.168.0.10") == HOSTUTIL_PORT_NETWORK &&
                         GetPortKind("WSD-usb-printer") == HOSTUTIL_PORT_USB &&
                         GetPortKind("LPTUSB") == HOSTUTIL_PORT_PARALLEL &&
                         GetPortKind("IP_192.168.0.10") == HOSTUTIL_PORT_UNKNOWN,
                     "port kinds: 192.168.0.10 network, WSD-usb-printer USB, LPTUSB parallel, "
                     "IP_192.168.0.10 not recognised");
       const uint32_t platform = HOSTUTIL_OSVER_PLATFORM(GetOSVer());
       const uint32_t group = GetCurrentUserGroup();
       ok &= t.check(platform == HOSTUTIL_OSVER_PLATFORM_NT ? group != HOSTUTIL_GROUP_NONE
                                                            : group == HOSTUTIL_GROUP_NONE,
                     "the group check runs on the NT platform alone");
       return ok;
     }});

}  // namespace
