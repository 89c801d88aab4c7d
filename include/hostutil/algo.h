/** \file hostutil/algo.h
 *  \brief CRC, binary search, sort, string search and formatting. */
#ifndef HOSTUTIL_ALGO_H
#define HOSTUTIL_ALGO_H

#include "abi.h"

/** BinarySearch's and BinarySearchDSC's answer when no element matches. */
#define HOSTUTIL_NOT_FOUND 0xFFFFFFFFu

HOSTUTIL_BEGIN_DECLS

/* ---- CRC ---- */

/** The library's 16-bit CRC of a block: polynomial 0x1021, bits fed lowest first, the
 *  register starting from 0 (the text "123456789" gives 0xFE0A).
 *  \param data the bytes.
 *  \param length how many bytes.
 *  \return the CRC; 0 for null data. */
HOSTUTIL_API uint16_t HOSTUTIL_CALL CalculateCRC(const void* data, uint32_t length);

/* ---- Binary search and quick sort ---- */

/** Finds a value in an ascending array.
 *  \param array the elements, in ascending order.
 *  \param count the number of elements.
 *  \param key the value to find.
 *  \return the index of an element equal to key; HOSTUTIL_NOT_FOUND when none is. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL BinarySearch(const int32_t* array, uint32_t count, int32_t key);
/** Finds a value in a descending array.
 *  \param array the elements, in descending order.
 *  \param count the number of elements.
 *  \param key the value to find.
 *  \return the index of an element equal to key; HOSTUTIL_NOT_FOUND when none is. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL BinarySearchDSC(const int32_t* array, uint32_t count,
                                                    int32_t key);
/** Sorts an array in place.
 *  \param array the elements.
 *  \param count the number of elements.
 *  \param ascending nonzero for ascending order, 0 for descending. */
HOSTUTIL_API void HOSTUTIL_CALL QuickSort(int32_t* array, uint32_t count, int32_t ascending);

/* ---- String search and formatting ---- */

/** Finds the first match of a text, each scan for its first byte bounded by a window.
 *  \param haystack the text searched.
 *  \param needle the text looked for.
 *  \param window the most bytes each scan for the needle's first byte looks at.
 *  \return the match inside haystack; null when there is none. */
HOSTUTIL_API char* HOSTUTIL_CALL memstr(const char* haystack, const char* needle, uint32_t window);
/** Finds the last match of a text.
 *  \param haystack the text searched.
 *  \param needle the text looked for.
 *  \return the match inside haystack; null when there is none. */
HOSTUTIL_API char* HOSTUTIL_CALL strrstr(const char* haystack, const char* needle);
/** Finds the first match of a text with ASCII case ignored.
 *  \param haystack the text searched.
 *  \param needle the text looked for.
 *  \return the match inside haystack; null when there is none. */
HOSTUTIL_API char* HOSTUTIL_CALL strnostr(const char* haystack, const char* needle);
/** Formats text as printf does.
 *  \param buffer receives at most bufferSize - 1 characters and a NUL, the rest of it
 *         zero-filled.
 *  \param bufferSize the size of buffer in bytes.
 *  \param format the printf format.
 *  \param ... the values the format names. */
HOSTUTIL_API void HOSTUTIL_CALL sprintfEx(char* buffer, uint32_t bufferSize, const char* format,
                                          ...);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_ALGO_H */
