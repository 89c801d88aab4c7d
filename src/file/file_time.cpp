// File times and calendar times: the three time stamps of a file from its find
// record, the two conversions, the local time, and differences of file times
// in seconds, minutes and hours as doubles, unrounded.
#include <cstdint>

#include "hostutil.h"
#include "os/system_calls.h"

namespace {

constexpr double ticks_per_second = 10000000.0;

double as_double(const hu_FILETIME& t) {
  return static_cast<double>((std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime);
}

// One of the three time stamps of the file's find record.
uint32_t file_time(const char* path, hu_FILETIME* fileTime,
                   hu_FILETIME hu_WIN32_FIND_DATAA::*stamp) {
  if (path == nullptr || fileTime == nullptr) return 0;
  hu_WIN32_FIND_DATAA record;
  if (FindAndGetInformationOfFile(path, &record) == 0) return 0;
  *fileTime = record.*stamp;
  return 1;
}

}  // namespace

extern "C" {

HOSTUTIL_API double HOSTUTIL_CALL CalculateSubstructOfFILETIMEToSecond(hu_FILETIME later,
                                                                       hu_FILETIME earlier) {
  // Each side becomes a double before the subtraction, as it always has.
  return (as_double(later) - as_double(earlier)) / ticks_per_second;
}

HOSTUTIL_API double HOSTUTIL_CALL CalculateSubstructOfFILETIMEToMinute(hu_FILETIME later,
                                                                       hu_FILETIME earlier) {
  return CalculateSubstructOfFILETIMEToSecond(later, earlier) / 60.0;
}

HOSTUTIL_API double HOSTUTIL_CALL CalculateSubstructOfFILETIMEToHour(hu_FILETIME later,
                                                                     hu_FILETIME earlier) {
  // Two divisions by 60, not one by 3,600: the last bit of the result shows it.
  return CalculateSubstructOfFILETIMEToMinute(later, earlier) / 60.0;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL CalculateSystemTimeToFileTime(const hu_SYSTEMTIME* systemTime,
                                                                  hu_FILETIME* fileTime) {
  if (systemTime == nullptr || fileTime == nullptr) return 0;
  return hostutil::os::calls().calendar_to_ticks(*systemTime, *fileTime) ? 1 : 0;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL CalculateFileTimeToSystemTime(const hu_FILETIME* fileTime,
                                                                  hu_SYSTEMTIME* systemTime) {
  if (fileTime == nullptr || systemTime == nullptr) return 0;
  return hostutil::os::calls().ticks_to_calendar(*fileTime, *systemTime) ? 1 : 0;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL CreateFileTimeGet(const char* path, hu_FILETIME* fileTime) {
  return file_time(path, fileTime, &hu_WIN32_FIND_DATAA::ftCreationTime);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL LastAccessFileTimeGet(const char* path, hu_FILETIME* fileTime) {
  return file_time(path, fileTime, &hu_WIN32_FIND_DATAA::ftLastAccessTime);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL LastWriteFileTimeGet(const char* path, hu_FILETIME* fileTime) {
  return file_time(path, fileTime, &hu_WIN32_FIND_DATAA::ftLastWriteTime);
}

HOSTUTIL_API void HOSTUTIL_CALL LocalTimeGet(hu_SYSTEMTIME* systemTime) {
  if (systemTime != nullptr) hostutil::os::calls().local_time(*systemTime);
}

}  // extern "C"
