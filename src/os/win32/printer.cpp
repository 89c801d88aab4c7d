// Printers on Windows through the spooler (EnumPrintersA, OpenPrinterA,
// GetPrinterDriverA at level 2), plug-ins loaded with LoadLibraryA.
#include "os/printer.h"

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <new>

namespace hostutil::os {

bool enumerate_printers(void* block, std::uint32_t size, std::uint32_t& needed,
                        std::uint32_t& count) {
  DWORD bytes = 0, printers = 0;
  const BOOL ok = EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, static_cast<BYTE*>(block), size,
                                &bytes, &printers);
  needed = bytes;
  count = ok ? printers : 0;
  return ok != FALSE;
}

printer_names printer_at(const void* block, std::uint32_t index) {
  const auto& info = static_cast<const PRINTER_INFO_2A*>(block)[index];
  return {info.pPrinterName, info.pPortName, info.pDriverName};
}

printer* open_printer(const char* name) {
  HANDLE handle = nullptr;
  if (!OpenPrinterA(const_cast<char*>(name), &handle, nullptr)) return nullptr;
  return static_cast<printer*>(handle);
}

bool printer_driver(printer* p, void* block, std::uint32_t size, std::uint32_t& needed) {
  DWORD bytes = 0;
  const BOOL ok = GetPrinterDriverA(static_cast<HANDLE>(p), nullptr, 2, static_cast<BYTE*>(block),
                                    size, &bytes);
  needed = bytes;
  return ok != FALSE;
}

const char* driver_path(const void* block) {
  return static_cast<const DRIVER_INFO_2A*>(block)->pDriverPath;
}

void close_printer(printer* p) { ClosePrinter(static_cast<HANDLE>(p)); }

module* load_module(const char* path) { return reinterpret_cast<module*>(LoadLibraryA(path)); }

void* module_export(module* m, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(m), name));
}

void unload_module(module* m) { FreeLibrary(reinterpret_cast<HMODULE>(m)); }

}  // namespace hostutil::os
