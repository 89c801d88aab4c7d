// Time on POSIX: the local time from the C library, and the file-time and
// calendar conversions worked out exactly, with the validity rules of the
// Windows conversions (years 1601 to 30827, no leap seconds).
#include "os/clock.h"

#include <time.h>

namespace hostutil::os {
namespace {

constexpr std::uint64_t ticks_per_ms = 10000;
constexpr std::uint64_t ms_per_day = 86400000;
constexpr std::int64_t days_1601_to_1970 = 134774;

bool leap(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

std::uint32_t days_in_month(std::int64_t year, std::uint32_t month) {
  static constexpr std::uint8_t days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return days[month - 1] + (month == 2 && leap(year) ? 1 : 0);
}

// Days since 1970-01-01 of a proleptic Gregorian date (after H. Hinnant).
std::int64_t days_from_civil(std::int64_t y, std::uint32_t m, std::uint32_t d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civil_from_days(std::int64_t z, std::int64_t& y, std::uint32_t& m, std::uint32_t& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<std::uint32_t>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<std::uint32_t>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2);
}

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
  if (c.wYear < 1601 || c.wYear > 30827 || c.wMonth < 1 || c.wMonth > 12 || c.wDay < 1 ||
      c.wDay > days_in_month(c.wYear, c.wMonth) || c.wHour > 23 || c.wMinute > 59 ||
      c.wSecond > 59 || c.wMilliseconds > 999) {
    return false;
  }
  const auto days =
      static_cast<std::uint64_t>(days_from_civil(c.wYear, c.wMonth, c.wDay) + days_1601_to_1970);
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
  std::uint64_t rest = ms % ms_per_day;
  std::int64_t year = 0;
  std::uint32_t month = 0, day = 0;
  civil_from_days(static_cast<std::int64_t>(days) - days_1601_to_1970, year, month, day);
  calendar.wYear = static_cast<std::uint16_t>(year);
  calendar.wMonth = static_cast<std::uint16_t>(month);
  calendar.wDayOfWeek = static_cast<std::uint16_t>((days + 1) % 7);  // 1601-01-01 was a Monday
  calendar.wDay = static_cast<std::uint16_t>(day);
  calendar.wHour = static_cast<std::uint16_t>(rest / 3600000);
  rest %= 3600000;
  calendar.wMinute = static_cast<std::uint16_t>(rest / 60000);
  rest %= 60000;
  calendar.wSecond = static_cast<std::uint16_t>(rest / 1000);
  calendar.wMilliseconds = static_cast<std::uint16_t>(rest % 1000);
  return true;
}

}  // namespace hostutil::os
