// The named semaphores of this user as the system holds them, for the host's
// objects and lock commands: the library itself never lists them. POSIX reads
// its own object files (semaphore_object.cpp), Windows asks the object manager.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hostutil::os {

struct named_object {
  std::string name;         // as the application gave it
  std::string where;        // the object's file, or its path in the object manager
  std::int64_t count = -1;  // -1 wherever the system cannot tell
  std::int64_t maximum = -1;
  std::int64_t handles = -1;    // handles that hold it open, the lister's own not counted
  std::int64_t kept = 0;        // closed handles a process keeps for reuse (POSIX)
  std::int64_t processes = -1;  // processes with it open, the lister not counted
};

// Every such object there is now, in no particular order.
std::vector<named_object> list_named_objects();

}  // namespace hostutil::os
