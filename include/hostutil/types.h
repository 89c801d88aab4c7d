/* hostutil/types.h - the platform types that cross the boundary. */
#ifndef HOSTUTIL_TYPES_H
#define HOSTUTIL_TYPES_H

#include "abi.h"

/* ---- Platform types at the boundary ---- */

/* On Windows these are the platform's own types; elsewhere they are defined with the same
   layout and field names, so that records pass between the two unchanged. */
#if defined(_WIN32)

typedef FILETIME hu_FILETIME;
typedef SYSTEMTIME hu_SYSTEMTIME;
typedef WIN32_FIND_DATAA hu_WIN32_FIND_DATAA;
typedef HWND hu_HWND;
typedef LPARAM hu_LPARAM;
typedef WCHAR hu_wchar;
/* The shell's item identifier list, as PCIDLIST_ABSOLUTE without including the shell's
   headers: same structure tag, same alignment qualifier. */
typedef const struct _ITEMIDLIST UNALIGNED* hu_PCIDLIST_ABSOLUTE;

#else

/* A 64-bit count of 100-nanosecond ticks since 1 January 1601, low half first. */
typedef struct hu_FILETIME {
  uint32_t dwLowDateTime;  /* 0 */
  uint32_t dwHighDateTime; /* 4 */
} hu_FILETIME;

/* A calendar time, eight 16-bit fields. */
typedef struct hu_SYSTEMTIME {
  uint16_t wYear;         /* 0 */
  uint16_t wMonth;        /* 2 */
  uint16_t wDayOfWeek;    /* 4 */
  uint16_t wDay;          /* 6 */
  uint16_t wHour;         /* 8 */
  uint16_t wMinute;       /* 10 */
  uint16_t wSecond;       /* 12 */
  uint16_t wMilliseconds; /* 14 */
} hu_SYSTEMTIME;

/* The find record of a file search. */
typedef struct hu_WIN32_FIND_DATAA {
  uint32_t dwFileAttributes;    /* 0 */
  hu_FILETIME ftCreationTime;   /* 4 */
  hu_FILETIME ftLastAccessTime; /* 12 */
  hu_FILETIME ftLastWriteTime;  /* 20 */
  uint32_t nFileSizeHigh;       /* 28 */
  uint32_t nFileSizeLow;        /* 32 */
  uint32_t dwReserved0;         /* 36 */
  uint32_t dwReserved1;         /* 40 */
  char cFileName[260];          /* 44 */
  char cAlternateFileName[14];  /* 304; 2 bytes of padding follow, 320 in all */
} hu_WIN32_FIND_DATAA;

typedef void* hu_HWND;      /* a window handle; null for none */
typedef intptr_t hu_LPARAM; /* a pointer-sized message value */
typedef uint16_t hu_wchar;  /* one UTF-16 code unit (wchar_t is 32 bits here) */
typedef const struct hu_ITEMIDLIST* hu_PCIDLIST_ABSOLUTE; /* opaque item identifier list */

#endif

HOSTUTIL_STATIC_CHECK(sizeof(hu_FILETIME) == 8, filetime_size);
HOSTUTIL_STATIC_CHECK(sizeof(hu_SYSTEMTIME) == 16, systemtime_size);
HOSTUTIL_STATIC_CHECK(sizeof(hu_WIN32_FIND_DATAA) == 320, find_data_size);
HOSTUTIL_STATIC_CHECK(sizeof(hu_wchar) == 2, utf16_unit_size);

#endif /* HOSTUTIL_TYPES_H */
