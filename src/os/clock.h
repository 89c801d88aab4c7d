// Time in the library's terms: the local calendar time, and the exact
// conversions between file times (100 ns ticks since 1601, UTC) and calendar
// times, with the platform's rules for a valid calendar time.
#pragma once

#include <cstdint>

#include "hostutil.h"

namespace hostutil::os {

// The local calendar time, milliseconds included.
void local_time(hu_SYSTEMTIME& time);

// Calendar time to ticks; false for an invalid calendar time (the day of the
// week is not looked at). No time zone is applied.
bool calendar_to_ticks(const hu_SYSTEMTIME& calendar, hu_FILETIME& ticks);

// Ticks to calendar time, the day of the week filled in; false for a tick
// count with its top bit set.
bool ticks_to_calendar(const hu_FILETIME& ticks, hu_SYSTEMTIME& calendar);

}  // namespace hostutil::os
