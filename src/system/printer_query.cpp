// Port kinds and the search for the installed printer behind a port: a local
// port by its name, a network address by asking each printer's driver, whose
// capability file names a plug-in that reports the printer's address.
#include <cstring>
#include <initializer_list>
#include <memory>

#include "frame/text.h"
#include "heap/scratch_block.h"
#include "hostutil.h"
#include "os/system_calls.h"
#include "system/internal.h"

namespace hostutil::system {

namespace {

constexpr std::uint32_t plugin_name_size = 256;
constexpr std::uint32_t address_size = 256;
constexpr std::uint32_t value_size = 260;
constexpr const char* absent = "NONE";

// The address plug-in's export: printer name, buffer, size; nonzero when written.
using address_export = int32_t(HOSTUTIL_CALL*)(const char* printer, char* buffer, uint32_t size);

// The printer and the plug-in, closed through the table on every path.
struct close_printer {
  void operator()(os::printer* p) const { os::calls().close_printer(p); }
};
struct unload_module {
  void operator()(os::module* m) const { os::calls().unload_module(m); }
};
using open_printer = std::unique_ptr<os::printer, close_printer>;
using loaded_module = std::unique_ptr<os::module, unload_module>;

// folder, the separator and name into out (path_size bytes); false, and out
// empty, when that does not fit.
bool join(const char* folder, const char* name, char (&out)[path_size]) {
  const std::size_t folder_length = std::strlen(folder);
  const std::size_t name_length = std::strlen(name);
  out[0] = '\0';
  if (folder_length + 1 + name_length >= path_size) return false;
  std::memcpy(out, folder, folder_length);
  out[folder_length] = os::path_separator();
  std::memcpy(out + folder_length + 1, name, name_length + 1);
  return true;
}

// Copies text into a cleared buffer of size bytes, cut to size - 1.
void copy_cut(const char* text, char* buffer, std::uint32_t size) {
  if (text == nullptr) return;
  const std::size_t n = strnlen(text, size - 1);
  std::memcpy(buffer, text, n);
}

// The address test of GetPortKind: four dot-separated parts of at most three
// digits and a value up to 255 each, an empty part counting as 0; one dot may
// follow the fourth.
bool is_dotted_address(const char* name) {
  const char* p = name;
  for (int part = 0; part < 4; ++part) {
    std::uint32_t n = 0;
    while (p[n] != '.' && p[n] != '\0') {
      if (n == 3 || p[n] < '0' || p[n] > '9') return false;
      ++n;
    }
    if (ChangeAsciiToBin(p, n) > 255) return false;
    p += n;
    if (part < 3) {
      if (*p != '.') return false;
      ++p;
    }
  }
  return *p == '\0' || (p[0] == '.' && p[1] == '\0');
}

// Asks the printer's driver for its address and compares it with portName.
bool reports_address(const os::printer_names& printer, const char* portName,
                     const char* capabilityPattern, const char* supportCode) {
  const auto& calls = os::calls();
  char plugin[plugin_name_size] = {};
  if (GetCapabilityDllName(printer.name, printer.driver, capabilityPattern, supportCode, plugin,
                           sizeof plugin) == 0) {
    return false;
  }
  char folder[path_size] = {};
  std::uint32_t folder_length = 0;
  if (FindPrinterDriverFolder(printer.name, folder, &folder_length) == 0) return false;

  // From the driver folder first, then from beside the program.
  char path[path_size];
  os::module* m = join(folder, plugin, path) ? calls.load_module(path) : nullptr;
  if (m == nullptr) {
    GetFilePath(plugin, path, sizeof path);
    if (path[0] != '\0') m = calls.load_module(path);
  }
  const loaded_module module(m);
  if (module.get() == nullptr) return false;
  const auto answer =
      reinterpret_cast<address_export>(calls.module_export(module.get(), "GetIPAddress"));
  if (answer == nullptr) return false;
  char address[address_size] = {};
  if (answer(printer.name, address, sizeof address) == 0) return false;
  address[sizeof address - 1] = '\0';  // whatever the plug-in left there
  return CompareCase(address, portName) != 0;
}

}  // namespace

std::uint32_t FindPrinterDriverFolder(const char* printerName, char* directory,
                                      std::uint32_t* length) {
  if (printerName == nullptr || directory == nullptr || length == nullptr) return 0;
  const auto& calls = os::calls();
  const open_printer printer(calls.open_printer(printerName));
  if (printer.get() == nullptr) return 0;
  std::uint32_t needed = 0;
  calls.printer_driver(printer.get(), nullptr, 0, needed);
  if (needed == 0) return 0;
  const heap::scratch_block record(needed);
  if (record.get() == nullptr ||
      !calls.printer_driver(printer.get(), record.get(), needed, needed)) {
    return 0;
  }
  char work[path_size] = {};
  copy_cut(calls.driver_path(record.get()), work, sizeof work);
  // The folder ends at the last separator; a path without one has none.
  char* separator = std::strrchr(work, os::path_separator());
  *(separator != nullptr ? separator : work) = '\0';
  const std::size_t n = std::strlen(work);
  std::memcpy(directory, work, n + 1);
  *length = static_cast<std::uint32_t>(n);
  return n != 0 ? 1 : 0;
}

std::uint32_t GetCapabilityDllName(const char* printerName, const char* driverName,
                                   const char* capabilityPattern, const char* supportCode,
                                   char* dllName, std::uint32_t dllNameSize) {
  if (empty(printerName) || empty(driverName) || empty(capabilityPattern) || empty(supportCode) ||
      !clear_output(dllName, dllNameSize)) {
    return 0;
  }
  const auto& calls = os::calls();
  char folder[path_size] = {};
  std::uint32_t folder_length = 0;
  if (FindPrinterDriverFolder(printerName, folder, &folder_length) == 0) return 0;
  char pattern[path_size];
  if (!join(folder, capabilityPattern, pattern)) return 0;

  // The first file that describes the driver is its capability file; later
  // files are not looked at.
  hu_WIN32_FIND_DATAA found;
  os::file_find search(pattern, found);
  if (!search) return 0;
  char file[path_size];
  char section[value_size];
  bool described = false;
  do {
    if (!join(folder, found.cFileName, file)) continue;
    calls.private_profile_string("Capability", driverName, absent, section, sizeof section, file);
    described = CompareCase(section, absent) == 0;
  } while (!described && search.next());
  if (!described) return 0;

  char code[value_size];
  for (const char* key : {"ZentorraSupportCode", "ZNTSupportCode"}) {
    calls.private_profile_string(section, key, absent, code, sizeof code, file);
    if (CompareCase(code, supportCode) != 0) {
      calls.private_profile_string(section, "GetIPDll", absent, dllName, dllNameSize, file);
      return 1;
    }
  }
  return 0;
}

}  // namespace hostutil::system

using namespace hostutil;

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetPortKind(const char* portName) {
  if (empty(portName)) return HOSTUTIL_PORT_UNKNOWN;
  // The first position where either name begins decides.
  for (const char* p = portName; *p != '\0'; ++p) {
    if (CompareNoCaseN(p, "USB", 3) != 0) return HOSTUTIL_PORT_USB;
    if (CompareNoCaseN(p, "LPT", 3) != 0) return HOSTUTIL_PORT_PARALLEL;
  }
  return system::is_dotted_address(portName) ? HOSTUTIL_PORT_NETWORK : HOSTUTIL_PORT_UNKNOWN;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetLogicalPrinterAndPortName(
    const char* portName, const char* capabilityPattern, const char* supportCode, char* printerName,
    uint32_t printerNameSize, char* printerPort, uint32_t printerPortSize) {
  if (empty(portName) || empty(capabilityPattern) || empty(supportCode) || printerName == nullptr ||
      printerNameSize == 0 || printerPort == nullptr || printerPortSize == 0) {
    return 0;
  }
  std::memset(printerName, 0, printerNameSize);
  std::memset(printerPort, 0, printerPortSize);
  const auto& calls = os::calls();
  std::uint32_t needed = 0, count = 0;
  calls.enumerate_printers(nullptr, 0, needed, count);
  if (needed == 0) return 0;
  const heap::scratch_block list(needed);
  if (list.get() == nullptr || !calls.enumerate_printers(list.get(), needed, needed, count)) {
    return 0;
  }
  const bool network = GetPortKind(portName) == HOSTUTIL_PORT_NETWORK;
  for (std::uint32_t i = 0; i < count; ++i) {
    const os::printer_names printer = calls.printer_at(list.get(), i);
    if (printer.name == nullptr) continue;
    const bool match =
        network ? system::reports_address(printer, portName, capabilityPattern, supportCode)
                : printer.port != nullptr && std::strstr(printer.port, portName) != nullptr;
    if (match) {
      // A name or port longer than its buffer is cut to fit.
      system::copy_cut(printer.name, printerName, printerNameSize);
      system::copy_cut(printer.port, printerPort, printerPortSize);
      return 1;
    }
  }
  return 0;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL DeviceDriverIsExist(const char* portName,
                                                        const char* capabilityPattern,
                                                        const char* supportCode) {
  char printer_name[256];
  char printer_port[256];
  return GetLogicalPrinterAndPortName(portName, capabilityPattern, supportCode, printer_name,
                                      sizeof printer_name, printer_port, sizeof printer_port);
}

}  // extern "C"
