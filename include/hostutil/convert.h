/* hostutil/convert.h - hex and decimal text, byte order and encodings. */
#ifndef HOSTUTIL_CONVERT_H
#define HOSTUTIL_CONVERT_H

#include "abi.h"
#include "types.h"

HOSTUTIL_BEGIN_DECLS

/* ---- Hex text conversions ---- */

/* Hexadecimal digits are 0-9, A-F, a-f; a parse stops at length characters or at a NUL. */

/* The value of the hexadecimal text; 0 on failure. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL ChangeAsciiToHex(const char* text, uint32_t length);
/* The value into *output. 1 = success, 0 = failure (output holds the digits before it). */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAsciiToHexEx(const char* text, uint32_t length,
                                                      uint32_t* output);
/* The value sign-extended from 4 x length bits; 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAsciiToHexEx2(const char* text, uint32_t length);
/* Writes value as width upper-case hexadecimal digits and a NUL (output holds width + 1
   bytes), without leading zeros when suppress is nonzero. */
HOSTUTIL_API void HOSTUTIL_CALL ChangeHexToAscii(uint32_t value, char* output, uint32_t width,
                                                 int32_t suppress);

/* ---- Decimal conversions and zero suppression ---- */

/* 1 when every character is a hexadecimal digit (an empty text too), else 0. */
HOSTUTIL_API int32_t HOSTUTIL_CALL NumericCheck(const char* text);
/* Removes leading zeros (mode nonzero) or pads with them to width digits (mode 0), in place,
   behind an optional minus sign. 1 = done, 0 = not done (text unchanged). */
HOSTUTIL_API int32_t HOSTUTIL_CALL ZeroSuppressProc(char* text, uint32_t bufferSize, uint32_t width,
                                                    int32_t mode);
/* Writes value in decimal with decimals (0 to 9) digits behind a point; bufferSize at least 12.
   1 = done, 0 = refused (buffer untouched). */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeBinToAsciiWithDecimalPoint(int32_t value, char* buffer,
                                                                    uint32_t bufferSize,
                                                                    uint32_t decimals);
/* Writes value as width decimal digits and a NUL (output holds width + 1 bytes), without
   leading zeros when suppress is nonzero. */
HOSTUTIL_API void HOSTUTIL_CALL ChangeBinToAscii(uint32_t value, char* output, uint32_t width,
                                                 int32_t suppress);
/* The value of decimal digits, 0 to 2147483647, into *output. 1 = success, 0 = failure
   (output untouched). */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAsciiToBinEx(const char* text, uint32_t length,
                                                      uint32_t* output);
/* The value of decimal digits, 0 to 2147483647; 0 on failure. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL ChangeAsciiToBin(const char* text, uint32_t length);
/* The value of unsigned decimal text with an optional point; length is the whole text's.
   0.0 on failure. */
HOSTUTIL_API float HOSTUTIL_CALL ChangeAsciiToFloat(const char* text, uint32_t length);

/* ---- Byte order ---- */

/* Reverses size bytes in place; nothing for a size of 0 or above 256. */
HOSTUTIL_API void HOSTUTIL_CALL ChangeEndian(void* block, uint32_t size);
/* value with its low size bytes (1 to 4) in reverse order; higher bytes 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL ChangeBigEndian(uint32_t value, uint32_t size);
/* The same as ChangeBigEndian. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL ChangeLittleEndian(uint32_t value, uint32_t size);

/* ---- Hex address parsing ---- */

/* The 64-bit value of the hexadecimal text (the last 16 digits); 0 on failure. */
HOSTUTIL_API uint64_t HOSTUTIL_CALL ChangeAsciiToPtr(const char* text, uint32_t length);

/* ---- Encoding conversions ---- */

/* Input lengths count units: bytes of ANSI or UTF-8, UTF-16 code units of UTF-16, and
   exactly that many are converted, NULs included. Every capacity or size of a UTF-16 buffer
   is counted in UTF-16 code units (2 bytes each): the output is zero-filled over exactly
   that many units first and nothing is written past them. The output gets a terminator only
   when the result leaves room. A result of 0 is failure: missing argument, length or size
   of 0, or an output too small for the whole result. Ill-formed UTF-8 and lone surrogates
   become U+FFFD; characters the ANSI code page lacks become "?". The ANSI code page is the
   process's on Windows, and on POSIX the character set of the locale that LC_ALL, LC_CTYPE
   or LANG names (a C or POSIX locale counts as UTF-8), taken at the first conversion. */

/* UTF-8 to UTF-16. Result: code units written; 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF8ToUTF16(const char* text, uint32_t length,
                                                     hu_wchar* output, uint32_t capacity);
/* UTF-16 to UTF-8. Result: bytes written; 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF16ToUTF8(const hu_wchar* text, uint32_t length,
                                                     char* output, uint32_t outputSize);
/* ANSI to UTF-16; a length of 0 takes the text up to its NUL (0 when it is empty).
   Result: code units written; 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAnsiToUnicode(const char* text, uint32_t length,
                                                       hu_wchar* output, uint32_t capacity);
/* UTF-16 to ANSI. Result: bytes written; 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUnicodeToAnsi(const hu_wchar* text, uint32_t length,
                                                       char* output, uint32_t outputSize);

/* The chained pair goes through UTF-16: up to 128 input bytes in a scratch area, longer
   texts in a registered allocation (GlobalAllocEx) of 4 bytes per input byte, so those fail
   (0, output zero-filled) before SemaphoreControlBegin. */

/* ANSI to UTF-8. Result: bytes written; 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAnsiToUTF8(const char* text, uint32_t length, char* output,
                                                    uint32_t outputSize);
/* UTF-8 to ANSI. Result: bytes written; 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF8ToAnsi(const char* text, uint32_t length, char* output,
                                                    uint32_t outputSize);

/* Line by line. The input ends at its first NUL unit or after length units. Lines end at a
   CR unit; the unit after a CR is skipped whatever it is (the LF of CR LF), and so is a form
   feed right behind it; the last line runs to the end of the input. The UTF-16 input is cut
   into lines by these rules applied to its code units. The lines up to the first empty one
   are converted, each followed by CR LF (two bytes, or two code units in UTF-16 output).
   Their length L is counted in the output's units, without the terminator:
   - output null: *outputSize becomes L, result 0;
   - *outputSize at least L: the output is zero-filled over *outputSize units, the text and
     its terminator are copied (L + 1 units, so the buffer must hold L + 1), result L;
   - *outputSize below L: *outputSize becomes L, result 0, output untouched.
   So: call once with a null output, then with a buffer of L + 1 units and *outputSize = L.
   outputSize must not be null. A null text or a length of 0 gives 0 and touches nothing,
   and so does a text too long for L to fit in 31 bits or work memory that cannot be had.
   The work memory holds the whole result for any input, so no line is ever lost. */

/* ANSI to UTF-8, line by line (sizes in bytes). */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAnsiToUTF8_MultiLine(const char* text, uint32_t length,
                                                              char* output, uint32_t* outputSize);
/* UTF-8 to ANSI, line by line (sizes in bytes). */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF8ToAnsi_MultiLine(const char* text, uint32_t length,
                                                              char* output, uint32_t* outputSize);
/* UTF-8 to UTF-16, line by line; input length in bytes, output size and result in code
   units; lines end in the code units CR LF. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF8ToUTF16_MultiLine(const char* text, uint32_t length,
                                                               hu_wchar* output,
                                                               uint32_t* outputSize);
/* UTF-16 to UTF-8, line by line; input length in code units, its lines end at the code unit
   CR; output size and result in bytes. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF16ToUTF8_MultiLine(const hu_wchar* text,
                                                               uint32_t length, char* output,
                                                               uint32_t* outputSize);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_CONVERT_H */
