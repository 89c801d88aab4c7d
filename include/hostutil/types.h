/** \file hostutil/types.h
 *  \brief The platform types that cross the boundary.
 *
 *  On Windows these are the platform's own types; elsewhere they are defined with the same
 *  layout and field names, so that records pass between the two unchanged. */
#ifndef HOSTUTIL_TYPES_H
#define HOSTUTIL_TYPES_H

#include "abi.h"

#if defined(_WIN32)

typedef FILETIME hu_FILETIME;
typedef SYSTEMTIME hu_SYSTEMTIME;
typedef WIN32_FIND_DATAA hu_WIN32_FIND_DATAA;
typedef HWND hu_HWND;
typedef LPARAM hu_LPARAM;
typedef WCHAR hu_wchar;
/* The shell's item identifier list, as PCIDLIST_ABSOLUTE without including the shell's
 *  headers: same structure tag, same alignment qualifier. */
typedef const struct _ITEMIDLIST UNALIGNED* hu_PCIDLIST_ABSOLUTE;

#else

/** A 64-bit count of 100-nanosecond ticks since 1 January 1601 (UTC unless said otherwise),
 *  low half first; 8 bytes. */
typedef struct hu_FILETIME {
  uint32_t dwLowDateTime;  /**< 0: the low 32 bits of the count */
  uint32_t dwHighDateTime; /**< 4: the high 32 bits of the count */
} hu_FILETIME;

/** A calendar time, eight 16-bit fields; 16 bytes. */
typedef struct hu_SYSTEMTIME {
  uint16_t wYear;         /**< 0: the year, 1601 to 30827 */
  uint16_t wMonth;        /**< 2: the month, 1 (January) to 12 */
  uint16_t wDayOfWeek;    /**< 4: the day of the week, 0 (Sunday) to 6 */
  uint16_t wDay;          /**< 6: the day of the month, 1 to 31 */
  uint16_t wHour;         /**< 8: the hour, 0 to 23 */
  uint16_t wMinute;       /**< 10: the minute, 0 to 59 */
  uint16_t wSecond;       /**< 12: the second, 0 to 59 */
  uint16_t wMilliseconds; /**< 14: the millisecond, 0 to 999 */
} hu_SYSTEMTIME;

/** The find record of a file search; 320 bytes. */
typedef struct hu_WIN32_FIND_DATAA {
  uint32_t dwFileAttributes;    /**< 0: the file's attribute bits (FILE_ATTRIBUTE_*) */
  hu_FILETIME ftCreationTime;   /**< 4: when the file was created */
  hu_FILETIME ftLastAccessTime; /**< 12: when the file was last read or written */
  hu_FILETIME ftLastWriteTime;  /**< 20: when the file was last written */
  uint32_t nFileSizeHigh;       /**< 28: the high 32 bits of the file's size */
  uint32_t nFileSizeLow;        /**< 32: the low 32 bits of the file's size */
  uint32_t dwReserved0;         /**< 36: reserved */
  uint32_t dwReserved1;         /**< 40: reserved */
  char cFileName[260];          /**< 44: the file's name, NUL-terminated */
  char cAlternateFileName[14];  /**< 304: the short (8.3) name, or empty; 2 bytes of padding
                                     follow, 320 in all */
} hu_WIN32_FIND_DATAA;

typedef void* hu_HWND;      /**< A window handle; null for none. */
typedef intptr_t hu_LPARAM; /**< A pointer-sized message value. */
typedef uint16_t hu_wchar;  /**< One UTF-16 code unit (wchar_t is 32 bits here). */
/** An opaque shell item identifier list (a folder picker's root); null for the desktop. */
typedef const struct hu_ITEMIDLIST* hu_PCIDLIST_ABSOLUTE;

#endif

HOSTUTIL_STATIC_CHECK(sizeof(hu_FILETIME) == 8, filetime_size);
HOSTUTIL_STATIC_CHECK(sizeof(hu_SYSTEMTIME) == 16, systemtime_size);
HOSTUTIL_STATIC_CHECK(sizeof(hu_WIN32_FIND_DATAA) == 320, find_data_size);
HOSTUTIL_STATIC_CHECK(sizeof(hu_wchar) == 2, utf16_unit_size);

#endif /* HOSTUTIL_TYPES_H */
