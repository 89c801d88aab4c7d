/* hostutil/algo.h - CRC, binary search, sort, string search and formatting. */
#ifndef HOSTUTIL_ALGO_H
#define HOSTUTIL_ALGO_H

#include "abi.h"

#define HOSTUTIL_NOT_FOUND 0xFFFFFFFFu    /* BinarySearch, BinarySearchDSC */

HOSTUTIL_BEGIN_DECLS

/* ---- CRC ---- */

/* The library's 16-bit CRC (polynomial 0x1021, bits fed lowest first, register from 0) of
   length bytes; 0 for null data. */
HOSTUTIL_API uint16_t HOSTUTIL_CALL CalculateCRC(const void* data, uint32_t length);

/* ---- Binary search and quick sort ---- */

/* Index of an element equal to key in an ascending array; HOSTUTIL_NOT_FOUND when none. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL BinarySearch(const int32_t* array, uint32_t count, int32_t key);
/* Index of an element equal to key in a descending array; HOSTUTIL_NOT_FOUND when none. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL BinarySearchDSC(const int32_t* array, uint32_t count,
                                                    int32_t key);
/* Sorts in place, ascending when ascending is nonzero, else descending. */
HOSTUTIL_API void HOSTUTIL_CALL QuickSort(int32_t* array, uint32_t count, int32_t ascending);

/* ---- String search and formatting ---- */

/* The first match of needle in haystack, each scan for its first byte bounded by window
   bytes; null when none. */
HOSTUTIL_API char* HOSTUTIL_CALL memstr(const char* haystack, const char* needle, uint32_t window);
/* The last match of needle in haystack; null when none. */
HOSTUTIL_API char* HOSTUTIL_CALL strrstr(const char* haystack, const char* needle);
/* The first match of needle in haystack with ASCII case ignored; null when none. */
HOSTUTIL_API char* HOSTUTIL_CALL strnostr(const char* haystack, const char* needle);
/* Formats into buffer, at most bufferSize - 1 characters and a NUL, the rest zero-filled. */
HOSTUTIL_API void HOSTUTIL_CALL sprintfEx(char* buffer, uint32_t bufferSize, const char* format,
                                          ...);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_ALGO_H */
