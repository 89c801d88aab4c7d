// The system subsystem's internal pieces: the administrators check behind
// GetCurrentUserGroup, and the two driver look-ups behind the printer search.
// None is exported.
#pragma once

#include <cstdint>

#include "os/system_calls.h"

namespace hostutil::system {

// The size of the driver folder buffer and of every path the search builds.
constexpr std::uint32_t path_size = 260;

// Nonzero when the caller's token is granted access to an object that only
// the Administrators group may use, else 0.
std::uint32_t IsCurrentUserAdministrator();

// The folder of the printer's driver file into directory (path_size bytes)
// and its length into *length. 1 when found, else 0.
std::uint32_t FindPrinterDriverFolder(const char* printerName, char* directory,
                                      std::uint32_t* length);

// The address plug-in's file name, from the first capability file matching
// capabilityPattern in the driver folder that describes driverName, when that
// file's section accepts supportCode. 1 when found, else 0.
std::uint32_t GetCapabilityDllName(const char* printerName, const char* driverName,
                                   const char* capabilityPattern, const char* supportCode,
                                   char* dllName, std::uint32_t dllNameSize);

}  // namespace hostutil::system
