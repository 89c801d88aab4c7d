// Time on POSIX: the local time from the C library, and the file-time and
// calendar conversions worked out exactly, with the validity rules of the
// Windows conversions (years 1601 to 30827, no leap seconds).
#include "os/clock.h"

#include <time.h>

#include <chrono>

namespace hostutil::os {
namespace {

namespace chr = std::chrono;

constexpr std::uint64_t ticks_per_ms = 10000;
constexpr std::uint64_t ms_per_day = 86400000;
// The proleptic Gregorian calendar of <chrono> counts from 1970; file times from 1601.
constexpr chr::sys_days epoch_1601{chr::year{1601} / 1 / 1};

}  // namespace

void local_time(hu_SYSTEMTIME& time) {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  struct tm parts {};
  localtime_r(&now.tv_sec, &parts);
  time.wYear = static_cast<std::uint16_t>(parts.tm_year + 1900);
  time.wMonth = static_cast<std::uint16_t>(parts.tm_mon + 1);
  time.wDayOfWeek = static_cast<std::uint16_t>(parts.tm_wday);
  time.wDay = static_cast<std::uint16_t>(parts.tm_mday);
  time.wHour = static_cast<std::uint16_t>(parts.tm_hour);
  time.wMinute = static_cast<std::uint16_t>(parts.tm_min);
  // A leap second shows as :59, as Windows has none.
  time.wSecond = static_cast<std::uint16_t>(parts.tm_sec > 59 ? 59 : parts.tm_sec);
  time.wMilliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
}

bool calendar_to_ticks(const hu_SYSTEMTIME& calendar, hu_FILETIME& ticks) {
  const hu_SYSTEMTIME& c = calendar;
  // The month and day are range-checked before they are handed to <chrono>,
  // which keeps only values up to 255.
  if (c.wYear < 1601 || c.wYear > 30827 || c.wMonth > 12 || c.wDay > 31 || c.wHour > 23 ||
      c.wMinute > 59 || c.wSecond > 59 || c.wMilliseconds > 999) {
    return false;
  }
  const chr::year_month_day date{chr::year{c.wYear}, chr::month{c.wMonth}, chr::day{c.wDay}};
  if (!date.ok()) return false;
  const auto days = static_cast<std::uint64_t>((chr::sys_days{date} - epoch_1601).count());
  const std::uint64_t ms = days * ms_per_day + c.wHour * 3600000ull + c.wMinute * 60000ull +
                           c.wSecond * 1000ull + c.wMilliseconds;
  const std::uint64_t t = ms * ticks_per_ms;
  ticks.dwLowDateTime = static_cast<std::uint32_t>(t);
  ticks.dwHighDateTime = static_cast<std::uint32_t>(t >> 32);
  return true;
}

bool ticks_to_calendar(const hu_FILETIME& ticks, hu_SYSTEMTIME& calendar) {
  const std::uint64_t t = (std::uint64_t{ticks.dwHighDateTime} << 32) | ticks.dwLowDateTime;
  if (t >> 63) return false;
  const std::uint64_t ms = t / ticks_per_ms;
  const std::uint64_t days = ms / ms_per_day;
  const chr::year_month_day date{epoch_1601 + chr::days{static_cast<std::int64_t>(days)}};
  const chr::hh_mm_ss clock{chr::milliseconds{ms % ms_per_day}};
  calendar.wYear = static_cast<std::uint16_t>(static_cast<int>(date.year()));
  calendar.wMonth = static_cast<std::uint16_t>(static_cast<unsigned>(date.month()));
  calendar.wDayOfWeek = static_cast<std::uint16_t>((days + 1) % 7);  // 1601-01-01 was a Monday
  calendar.wDay = static_cast<std::uint16_t>(static_cast<unsigned>(date.day()));
  calendar.wHour = static_cast<std::uint16_t>(clock.hours().count());
  calendar.wMinute = static_cast<std::uint16_t>(clock.minutes().count());
  calendar.wSecond = static_cast<std::uint16_t>(clock.seconds().count());
  calendar.wMilliseconds = static_cast<std::uint16_t>(clock.subseconds().count());
  return true;
}

}  // namespace hostutil::os
