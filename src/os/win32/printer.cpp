// Printers on Windows through the spooler (EnumPrintersA, OpenPrinterA,
// GetPrinterDriverA at level 2), driver folders searched with FindFirstFileA
// and FindNextFileA, plug-ins loaded with LoadLibraryA.
#include "os/printer.h"

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <new>

namespace hostutil::os {

struct file_search {
  HANDLE handle;
};

namespace {

void copy_name(const char* from, char (&name)[file_name_size]) {
  // cFileName holds at most file_name_size bytes with its NUL.
  const std::size_t n = strnlen(from, file_name_size - 1);
  std::memcpy(name, from, n);
  name[n] = '\0';
}

}  // namespace

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

file_search* find_first_file(const char* pattern, char (&name)[file_name_size]) {
  WIN32_FIND_DATAA found;
  const HANDLE handle = FindFirstFileA(pattern, &found);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  auto* search = new (std::nothrow) file_search{handle};
  if (search == nullptr) {
    FindClose(handle);
    return nullptr;
  }
  copy_name(found.cFileName, name);
  return search;
}

bool find_next_file(file_search* search, char (&name)[file_name_size]) {
  WIN32_FIND_DATAA found;
  if (!FindNextFileA(search->handle, &found)) return false;
  copy_name(found.cFileName, name);
  return true;
}

void find_close(file_search* search) {
  FindClose(search->handle);
  delete search;
}

module* load_module(const char* path) { return reinterpret_cast<module*>(LoadLibraryA(path)); }

void* module_export(module* m, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(m), name));
}

void unload_module(module* m) { FreeLibrary(reinterpret_cast<HMODULE>(m)); }

}  // namespace hostutil::os
