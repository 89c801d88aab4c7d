// Installed printers, their drivers and the loading of an address plug-in, in the library's terms. Windows asks its
// spooler; POSIX asks CUPS (libcups loaded at first use) and takes a queue's
// PPD file as its driver file.
#pragma once

#include <cstdint>

namespace hostutil::os {

// One local printer, as pointers into the block the enumeration filled.
struct printer_names {
  const char* name;    // the printer's name
  const char* port;    // its port(s) as the system lists them
  const char* driver;  // its driver's name
};

// Fills block (size bytes) with the records of the local printers. needed
// is the size the records take and count their number. False when the block
// is too small (needed tells the size; a size of 0 asks for it alone) or the
// system cannot list its printers.
bool enumerate_printers(void* block, std::uint32_t size, std::uint32_t& needed,
                        std::uint32_t& count);

// The index-th printer of a block that enumerate_printers filled.
printer_names printer_at(const void* block, std::uint32_t index);

// An open printer. Opaque: a spooler handle on Windows, a queue name on POSIX.
struct printer;

// Opens the printer of that name with the default access; null when there is none.
printer* open_printer(const char* name);

// Fills block with the driver record of an open printer; needed and the
// false answer as for enumerate_printers. A printer without a driver file has
// no record.
bool printer_driver(printer* p, void* block, std::uint32_t size, std::uint32_t& needed);

// The full path of the driver's main file, from a block printer_driver filled.
const char* driver_path(const void* block);

void close_printer(printer* p);


// A library loaded by full path.
struct module;
module* load_module(const char* path);
// The named export of the module itself (not of a library it uses); null when missing.
void* module_export(module* m, const char* name);
void unload_module(module* m);


}  // namespace hostutil::os
