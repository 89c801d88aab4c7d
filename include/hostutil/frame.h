/* hostutil/frame.h - error texts, string comparison and case. */
#ifndef HOSTUTIL_FRAME_H
#define HOSTUTIL_FRAME_H

#include "abi.h"

HOSTUTIL_BEGIN_DECLS

/* ---- Error texts ---- */

/* The system's message text for errorCode, cut to bufferSize - 1 characters and a NUL.
   Result: the text's length, at most bufferSize; 0 when there is no text. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetLastErrorString(uint32_t errorCode, char* buffer,
                                                       uint32_t bufferSize);
/* GetLastErrorString for the calling thread's last error code. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetLastErrorStringEx(char* buffer, uint32_t bufferSize);

/* ---- String comparison and case ---- */

/* 1 when the strings are byte for byte equal (two nulls are equal), else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareCase(const char* first, const char* second);
/* 1 when at most count bytes are equal with ASCII case ignored (count 0 gives 1), else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareCaseN(const char* first, const char* second,
                                                 uint32_t count);
/* 1 when the strings are equal with ASCII case ignored, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareNoCase(const char* first, const char* second);
/* 1 when at most count bytes are equal with ASCII case ignored (count 0 gives 1), else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareNoCaseN(const char* first, const char* second,
                                                   uint32_t count);
/* Lowers A-Z in the first count bytes of text, past its NUL too; an empty text is left. */
HOSTUTIL_API void HOSTUTIL_CALL MakeLower(char* text, uint32_t count);
/* Raises a-z in the first count bytes of text, past its NUL too; an empty text is left. */
HOSTUTIL_API void HOSTUTIL_CALL MakeUpper(char* text, uint32_t count);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_FRAME_H */
