/** \file hostutil/convert.h
 *  \brief Hexadecimal and decimal text, byte order and encoding conversions.
 *
 *  \par Hexadecimal and decimal text
 *  Hexadecimal digits are 0-9, A-F and a-f; a parse stops after length characters or at a
 *  NUL.
 *
 *  \par Encodings
 *  Input lengths count units: bytes of ANSI or UTF-8, UTF-16 code units of UTF-16, and
 *  exactly that many are converted, NULs included. Every capacity or size of a UTF-16 buffer
 *  is counted in UTF-16 code units (2 bytes each): the output is zero-filled over exactly
 *  that many units first and nothing is written past them. The output gets a terminator only
 *  when the result leaves room. A result of 0 is failure: missing argument, length or size
 *  of 0, or an output too small for the whole result. Ill-formed UTF-8 and lone surrogates
 *  become U+FFFD; characters the ANSI code page lacks become "?". The ANSI code page is the
 *  process's on Windows, and on POSIX the character set of the locale that LC_ALL, LC_CTYPE
 *  or LANG names (a C or POSIX locale counts as UTF-8), taken at the first conversion.
 *
 *  \par The chained pair
 *  ChangeAnsiToUTF8 and ChangeUTF8ToAnsi go through UTF-16: up to 128 input bytes in a
 *  scratch area, longer texts in a registered allocation (GlobalAllocEx) of 4 bytes per
 *  input byte, so those fail (0, output zero-filled) before SemaphoreControlBegin.
 *
 *  \par Line by line
 *  The _MultiLine conversions read their input up to its first NUL unit or length units.
 *  Lines end at a CR unit; the unit after a CR is skipped whatever it is (the LF of CR LF),
 *  and so is a form feed right behind it; the last line runs to the end of the input. The
 *  UTF-16 input is cut into lines by these rules applied to its code units. The lines up to
 *  the first empty one are converted, each followed by CR LF (two bytes, or two code units
 *  in UTF-16 output). Their length L is counted in the output's units, without the
 *  terminator:
 *  - output null: *outputSize becomes L, result 0;
 *  - *outputSize at least L: the output is zero-filled over *outputSize units, the text and
 *    its terminator are copied (L + 1 units, so the buffer must hold L + 1), result L;
 *  - *outputSize below L: *outputSize becomes L, result 0, output untouched.
 *  .
 *  So: call once with a null output, then with a buffer of L + 1 units and *outputSize = L.
 *  outputSize must not be null. A null text or a length of 0 gives 0 and touches nothing,
 *  and so does a text too long for L to fit in 31 bits or work memory that cannot be had.
 *  The work memory holds the whole result for any input, so no line is ever lost. */
#ifndef HOSTUTIL_CONVERT_H
#define HOSTUTIL_CONVERT_H

#include "abi.h"
#include "types.h"

HOSTUTIL_BEGIN_DECLS

/* ---- Hex text conversions ---- */

/** The value of hexadecimal text.
 *  \param text the digits.
 *  \param length the most characters read.
 *  \return the value; 0 on failure (a character that is not a digit). */
HOSTUTIL_API uint32_t HOSTUTIL_CALL ChangeAsciiToHex(const char* text, uint32_t length);
/** The value of hexadecimal text, with success told apart from a value of 0.
 *  \param text the digits.
 *  \param length the most characters read.
 *  \param output receives the value; on failure it holds the value of the digits before the
 *         failing character.
 *  \return 1 on success, 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAsciiToHexEx(const char* text, uint32_t length,
                                                      uint32_t* output);
/** The value of hexadecimal text as a signed number of 4 x length bits.
 *  \param text the digits.
 *  \param length the number of digits, the width of the number.
 *  \return the value sign-extended from 4 x length bits; 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAsciiToHexEx2(const char* text, uint32_t length);
/** Writes a number as upper-case hexadecimal digits. The work area is a registered
 *  allocation (GlobalAllocEx), so SemaphoreControlBegin must have been called.
 *  \param value the number.
 *  \param output receives width digits and a NUL, it must hold width + 1 bytes; only zero
 *         bytes (an empty text) when the work area cannot be had.
 *  \param width the number of digits.
 *  \param suppress nonzero to leave leading zeros out. */
HOSTUTIL_API void HOSTUTIL_CALL ChangeHexToAscii(uint32_t value, char* output, uint32_t width,
                                                 int32_t suppress);

/* ---- Decimal conversions and zero suppression ---- */

/** Whether a text is all hexadecimal digits.
 *  \param text the text.
 *  \return 1 when every character is a hexadecimal digit (an empty text too), else 0. */
HOSTUTIL_API int32_t HOSTUTIL_CALL NumericCheck(const char* text);
/** Removes leading zeros, or pads with them to a width, in place, behind an optional minus
 *  sign.
 *  \param text the number's text, changed in place.
 *  \param bufferSize the size of the buffer holding text, in bytes.
 *  \param width the number of digits to pad to (mode 0).
 *  \param mode nonzero to remove leading zeros, 0 to pad with them.
 *  \return 1 when done, 0 when not done (text unchanged). */
HOSTUTIL_API int32_t HOSTUTIL_CALL ZeroSuppressProc(char* text, uint32_t bufferSize, uint32_t width,
                                                    int32_t mode);
/** Writes a number in decimal with a decimal point.
 *  \param value the number, in units of the last decimal shown.
 *  \param buffer receives the text and a NUL.
 *  \param bufferSize the size of buffer in bytes; at least 12.
 *  \param decimals the digits behind the point, 0 to 9.
 *  \return 1 when done, 0 when refused (buffer untouched). */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeBinToAsciiWithDecimalPoint(int32_t value, char* buffer,
                                                                    uint32_t bufferSize,
                                                                    uint32_t decimals);
/** Writes a number as decimal digits.
 *  \param value the number.
 *  \param output receives width digits and a NUL; it must hold width + 1 bytes.
 *  \param width the number of digits.
 *  \param suppress nonzero to leave leading zeros out. */
HOSTUTIL_API void HOSTUTIL_CALL ChangeBinToAscii(uint32_t value, char* output, uint32_t width,
                                                 int32_t suppress);
/** The value of decimal digits, with success told apart from a value of 0.
 *  \param text the digits.
 *  \param length the number of characters read.
 *  \param output receives the value, 0 to 2147483647; untouched on failure.
 *  \return 1 on success, 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAsciiToBinEx(const char* text, uint32_t length,
                                                      uint32_t* output);
/** The value of decimal digits.
 *  \param text the digits.
 *  \param length the number of characters read.
 *  \return the value, 0 to 2147483647; 0 on failure. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL ChangeAsciiToBin(const char* text, uint32_t length);
/** The value of unsigned decimal text with an optional point.
 *  \param text the text.
 *  \param length the whole text's length.
 *  \return the value; 0.0 on failure. */
HOSTUTIL_API float HOSTUTIL_CALL ChangeAsciiToFloat(const char* text, uint32_t length);

/* ---- Byte order ---- */

/** Reverses the order of bytes in place.
 *  \param block the bytes.
 *  \param size how many; nothing is done for 0 or above 256. */
HOSTUTIL_API void HOSTUTIL_CALL ChangeEndian(void* block, uint32_t size);
/** Reverses the low bytes of a number.
 *  \param value the number.
 *  \param size how many low bytes, 1 to 4.
 *  \return value with its low size bytes in reverse order, the higher bytes 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL ChangeBigEndian(uint32_t value, uint32_t size);
/** The same as ChangeBigEndian.
 *  \param value the number.
 *  \param size how many low bytes, 1 to 4.
 *  \return value with its low size bytes in reverse order, the higher bytes 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL ChangeLittleEndian(uint32_t value, uint32_t size);

/* ---- Hex address parsing ---- */

/** The 64-bit value of hexadecimal text, such as an address.
 *  \param text the digits.
 *  \param length the most characters read.
 *  \return the value of the last 16 digits; 0 on failure. */
HOSTUTIL_API uint64_t HOSTUTIL_CALL ChangeAsciiToPtr(const char* text, uint32_t length);

/* ---- Encoding conversions ---- */

/** UTF-8 to UTF-16.
 *  \param text the UTF-8 text.
 *  \param length its length in bytes.
 *  \param output receives the UTF-16 text, zero-filled over capacity units first.
 *  \param capacity the size of output in code units.
 *  \return the number of code units written; 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF8ToUTF16(const char* text, uint32_t length,
                                                     hu_wchar* output, uint32_t capacity);
/** UTF-16 to UTF-8.
 *  \param text the UTF-16 text.
 *  \param length its length in code units.
 *  \param output receives the UTF-8 text, zero-filled over outputSize bytes first.
 *  \param outputSize the size of output in bytes.
 *  \return the number of bytes written; 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF16ToUTF8(const hu_wchar* text, uint32_t length,
                                                     char* output, uint32_t outputSize);
/** ANSI to UTF-16.
 *  \param text the ANSI text.
 *  \param length its length in bytes; 0 takes the text up to its NUL (0 when it is empty).
 *  \param output receives the UTF-16 text, zero-filled over capacity units first.
 *  \param capacity the size of output in code units.
 *  \return the number of code units written; 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAnsiToUnicode(const char* text, uint32_t length,
                                                       hu_wchar* output, uint32_t capacity);
/** UTF-16 to ANSI.
 *  \param text the UTF-16 text.
 *  \param length its length in code units.
 *  \param output receives the ANSI text, zero-filled over outputSize bytes first.
 *  \param outputSize the size of output in bytes.
 *  \return the number of bytes written; 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUnicodeToAnsi(const hu_wchar* text, uint32_t length,
                                                       char* output, uint32_t outputSize);
/** ANSI to UTF-8, through UTF-16.
 *  \param text the ANSI text.
 *  \param length its length in bytes.
 *  \param output receives the UTF-8 text, zero-filled over outputSize bytes first.
 *  \param outputSize the size of output in bytes.
 *  \return the number of bytes written; 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAnsiToUTF8(const char* text, uint32_t length, char* output,
                                                    uint32_t outputSize);
/** UTF-8 to ANSI, through UTF-16.
 *  \param text the UTF-8 text.
 *  \param length its length in bytes.
 *  \param output receives the ANSI text, zero-filled over outputSize bytes first.
 *  \param outputSize the size of output in bytes.
 *  \return the number of bytes written; 0 on failure. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF8ToAnsi(const char* text, uint32_t length, char* output,
                                                    uint32_t outputSize);
/** ANSI to UTF-8, line by line (sizes in bytes).
 *  \param text the ANSI text.
 *  \param length the most bytes read.
 *  \param output receives the lines and a NUL; null to learn the length.
 *  \param outputSize in: the units output may take (L is enough, the buffer holding one
 *         more for the terminator); out: L when output is null or too small.
 *  \return the length written, L; 0 when nothing was written. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAnsiToUTF8_MultiLine(const char* text, uint32_t length,
                                                              char* output, uint32_t* outputSize);
/** UTF-8 to ANSI, line by line (sizes in bytes).
 *  \param text the UTF-8 text.
 *  \param length the most bytes read.
 *  \param output receives the lines and a NUL; null to learn the length.
 *  \param outputSize in: the units output may take (L is enough, the buffer holding one
 *         more for the terminator); out: L when output is null or too small.
 *  \return the length written, L; 0 when nothing was written. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF8ToAnsi_MultiLine(const char* text, uint32_t length,
                                                              char* output, uint32_t* outputSize);
/** UTF-8 to UTF-16, line by line; lines end in the code units CR LF.
 *  \param text the UTF-8 text.
 *  \param length the most bytes read.
 *  \param output receives the lines and a NUL unit; null to learn the length.
 *  \param outputSize in: the units output may take (L is enough, the buffer holding one
 *         more for the terminator); out: L when output is null or too small.
 *  \return the length written in code units, L; 0 when nothing was written. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF8ToUTF16_MultiLine(const char* text, uint32_t length,
                                                               hu_wchar* output,
                                                               uint32_t* outputSize);
/** UTF-16 to UTF-8, line by line; the input's lines end at the code unit CR.
 *  \param text the UTF-16 text.
 *  \param length the most code units read.
 *  \param output receives the lines and a NUL; null to learn the length.
 *  \param outputSize in: the units output may take (L is enough, the buffer holding one
 *         more for the terminator); out: L when output is null or too small.
 *  \return the length written in bytes, L; 0 when nothing was written. */
HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF16ToUTF8_MultiLine(const hu_wchar* text,
                                                               uint32_t length, char* output,
                                                               uint32_t* outputSize);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_CONVERT_H */
