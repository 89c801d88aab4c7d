// Time on Windows: the system's own local time and conversions.
#include "os/clock.h"

#include <windows.h>

namespace hostutil::os {

void local_time(hu_SYSTEMTIME& time) { GetLocalTime(&time); }

bool calendar_to_ticks(const hu_SYSTEMTIME& calendar, hu_FILETIME& ticks) {
  return SystemTimeToFileTime(&calendar, &ticks) != 0;
}

bool ticks_to_calendar(const hu_FILETIME& ticks, hu_SYSTEMTIME& calendar) {
  return FileTimeToSystemTime(&ticks, &calendar) != 0;
}

}  // namespace hostutil::os
