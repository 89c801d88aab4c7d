// hostutil sysinfo / printers, and the tour's step for the system queries.
// The printers are those the library finds behind the ports it is asked about:
// it looks printers up by port and does not list them.
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "host.h"

namespace {

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
      {0, "none of the Windows platforms, or the version could not be read"},
  };
  if (code >= 0x03050008u && code <= 0x0305000Du) {
    return "Windows NT 4.0 Service Pack " + std::to_string(code - 0x03050007u);
  }
  for (const release& r : releases) {
    if (r.code == code) return r.words;
  }
  return "unknown code";
}

// By kind, HOSTUTIL_PORT_UNKNOWN (0) to HOSTUTIL_PORT_PARALLEL (3).
std::string port_kind_words(uint32_t kind) {
  const char* const words[] = {"not recognised", "network", "USB", "parallel"};
  return kind < std::size(words) ? words[kind] : words[HOSTUTIL_PORT_UNKNOWN];
}

std::string group_words(uint32_t group) {
  return group == HOSTUTIL_GROUP_ADMINISTRATORS ? "Administrators (544)"
         : group == HOSTUTIL_GROUP_USERS        ? "Users (545)"
                                                : "none: no such groups on this system";
}

// The sysinfo lines, "what: answer"; ok is false when a call that must
// succeed did not.
std::vector<std::pair<std::string, std::string>> system_answers(bool& ok) {
  std::vector<std::pair<std::string, std::string>> lines;
  char text[512];
  ok = true;
  // The answer of a call that must succeed, shown as "(failed)" when it did not.
  const auto answer = [&](const char* what, bool succeeded, const char* shown) {
    ok &= succeeded;
    lines.push_back({what, succeeded ? shown : "(failed)"});
  };
  const uint32_t folder = GetSystemDirectoryEx(text, sizeof text);
  answer("system folder", folder > 0 && folder < sizeof text, text);
  uint32_t size = sizeof text;
  answer("computer name", GetComputerNameExEx(text, &size) != 0, text);
  answer("host name", GetHostNameEx(text, sizeof text) == 1, text);
  const bool address = GetIPAddress(text, sizeof text) == 1;
  answer("IPv4 address", address, address && text[0] == '\0' ? "(none)" : text);
  const uint32_t code = GetOSVer();
  lines.push_back({"operating system", host::hex32(code) + ", " + os_words(code)});
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

// Each port's kind and the printer the library finds behind it; 1 when any
// port has none.
int print_printers(const std::vector<std::string>& ports, const std::string& pattern,
                   const std::string& code) {
  host::library_session session;
  int status = 0;
  for (const std::string& port : ports) {
    char name[256], full_port[256];
    const bool found =
        GetLogicalPrinterAndPortName(port.c_str(), pattern.c_str(), code.c_str(), name, sizeof name,
                                     full_port, sizeof full_port) == 1;
    std::cout << port << " (" << port_kind_words(GetPortKind(port.c_str())) << " port): ";
    if (found) {
      std::cout << name << "\n    port: " << full_port << "\n";
    } else {
      std::cout << "no printer\n";
      status = 1;
    }
  }
  return status;
}

const bool commands = host::add_commands([](CLI::App& app) {
  auto* sysinfo = app.add_subcommand(
      "sysinfo", "Print the system folder, names, address, OS code, display, language and group");
  host::runs(sysinfo, print_sysinfo);

  auto* printers = app.add_subcommand(
      "printers",
      "Find the printer behind each PORT: by port name, or for an IPv4 address by asking each "
      "driver's address plug-in");
  static std::vector<std::string> ports;
  static std::string pattern = "*.cap", code;
  printers->add_option("PORT", ports, "port names (USB001, LPT1:) or IPv4 addresses")->required();
  printers->add_option("--pattern", pattern, "capability file pattern in the driver folder")
      ->capture_default_str();
  printers->add_option("--code", code, "support code the capability file must name")->required();
  host::runs(printers, [] { return print_printers(ports, pattern, code); });
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
