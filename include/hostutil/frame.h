/** \file hostutil/frame.h
 *  \brief Error texts, string comparison and case. */
#ifndef HOSTUTIL_FRAME_H
#define HOSTUTIL_FRAME_H

#include "abi.h"

HOSTUTIL_BEGIN_DECLS

/* ---- Error texts ---- */

/** The system's message text for an error code.
 *  \param errorCode the system error code to describe.
 *  \param buffer receives the text, cut to bufferSize - 1 characters, and a NUL.
 *  \param bufferSize the size of buffer in bytes.
 *  \return the text's length, at most bufferSize; 0 when the system has no text for the code
 *          or the arguments are unusable. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetLastErrorString(uint32_t errorCode, char* buffer,
                                                       uint32_t bufferSize);
/** GetLastErrorString for the calling thread's last error code.
 *  \param buffer receives the text, cut to bufferSize - 1 characters, and a NUL.
 *  \param bufferSize the size of buffer in bytes.
 *  \return the text's length; 0 when there is no text. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetLastErrorStringEx(char* buffer, uint32_t bufferSize);

/* ---- String comparison and case ---- */

/** Compares two texts byte for byte.
 *  \param first a text; may be null.
 *  \param second a text; may be null.
 *  \return 1 when they are equal (two nulls are equal), else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareCase(const char* first, const char* second);
/** Compares at most count bytes of two texts, ASCII case ignored.
 *  \param first a text.
 *  \param second a text.
 *  \param count the most bytes compared; a count of 0 gives 1.
 *  \return 1 when the compared bytes are equal, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareCaseN(const char* first, const char* second,
                                                 uint32_t count);
/** Compares two texts with ASCII case ignored.
 *  \param first a text.
 *  \param second a text.
 *  \return 1 when they are equal, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareNoCase(const char* first, const char* second);
/** Compares at most count bytes of two texts, ASCII case ignored.
 *  \param first a text.
 *  \param second a text.
 *  \param count the most bytes compared; a count of 0 gives 1.
 *  \return 1 when the compared bytes are equal, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareNoCaseN(const char* first, const char* second,
                                                   uint32_t count);
/** Lowers the letters A to Z in place.
 *  \param text the bytes to change; an empty text is left as it is.
 *  \param count how many bytes are changed, past the text's NUL too. */
HOSTUTIL_API void HOSTUTIL_CALL MakeLower(char* text, uint32_t count);
/** Raises the letters a to z in place.
 *  \param text the bytes to change; an empty text is left as it is.
 *  \param count how many bytes are changed, past the text's NUL too. */
HOSTUTIL_API void HOSTUTIL_CALL MakeUpper(char* text, uint32_t count);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_FRAME_H */
