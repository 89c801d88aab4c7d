/** \file hostutil/profile.h
 *  \brief Profile (INI) files, value files beside the executable, the write test and file
 *  move. */
#ifndef HOSTUTIL_PROFILE_H
#define HOSTUTIL_PROFILE_H

#include "abi.h"

/** \name PreFileWrite's results
 *  @{ */
#define HOSTUTIL_PREWRITE_OK 0u               /**< written back with its own contents */
#define HOSTUTIL_PREWRITE_NO_PATH 1u          /**< path is null */
#define HOSTUTIL_PREWRITE_NO_FILE 2u          /**< no such file */
#define HOSTUTIL_PREWRITE_NOT_TESTED 3u       /**< system, directory and similar attributes */
#define HOSTUTIL_PREWRITE_FAILED_FIXED 4u     /**< test failed on a fixed drive */
#define HOSTUTIL_PREWRITE_CDROM 5u            /**< the path lies on a CD-ROM drive */
#define HOSTUTIL_PREWRITE_FAILED_REMOVABLE 6u /**< test failed on a removable drive */
#define HOSTUTIL_PREWRITE_FAILED_RAMDISK 7u   /**< test failed on a RAM disk */
#define HOSTUTIL_PREWRITE_FAILED_REMOTE 8u    /**< test failed on a network drive */
#define HOSTUTIL_PREWRITE_FAILED_OTHER 9u     /**< test failed on any other drive type */
/** @} */

HOSTUTIL_BEGIN_DECLS

/* ---- Profile reader ---- */

/** Reads a value, or the key names of a section, from an INI-style file.
 *  \param section the section's name.
 *  \param key the key's name; null for the names of every key of the section.
 *  \param defaultText the text delivered when nothing is taken from the file.
 *  \param buffer receives the value and a NUL, or each key name followed by a NUL.
 *  \param bufferSize the size of buffer in bytes.
 *  \param path the file.
 *  \return the number of characters taken from the file; 0 when buffer got defaultText. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetPrivateProfileStrEx(const char* section, const char* key,
                                                           const char* defaultText, char* buffer,
                                                           uint32_t bufferSize, const char* path);
/** Reads a value of an INI-style file as a number.
 *  \param section the section's name.
 *  \param key the key's name.
 *  \param defaultValue the answer on any failure and for the value "DEFAULT".
 *  \param path the file.
 *  \return the value, read as hexadecimal after "0x" and as decimal otherwise; defaultValue on
 *          failure. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetPrivateProfileIntEx(const char* section, const char* key,
                                                           uint32_t defaultValue, const char* path);

/* ---- Profile writer ---- */

/** Sets a key in an existing section of an existing file, rewriting the file whole.
 *  \param section the section's name; the section must exist.
 *  \param key the key's name.
 *  \param value the value, written as "key=value"; null writes the bare key.
 *  \param path the file; it must exist.
 *  \return 1 when written, 0 when not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL WritePrivateProfileStrEx(const char* section, const char* key,
                                                             const char* value, const char* path);
/** Sets a key to a number, as WritePrivateProfileStrEx does.
 *  \param section the section's name; the section must exist.
 *  \param key the key's name.
 *  \param value the number.
 *  \param path the file; it must exist.
 *  \param hexadecimal nonzero to write the number as "%08x", 0 to write it as "%d".
 *  \return 1 when written, 0 when not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL WritePrivateProfileIntEx(const char* section, const char* key,
                                                             uint32_t value, const char* path,
                                                             uint32_t hexadecimal);

/* ---- Value files beside the executable ---- */

/** WritePrivateProfileStrEx on a file beside the executable.
 *  \param fileName the file's name.
 *  \param section the section's name.
 *  \param key the key's name.
 *  \param value the value; null writes the bare key.
 *  \return 1 once the write is handed on (whatever it answers), 0 when fileName is null. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL WriteFileValueString(const char* fileName, const char* section,
                                                         const char* key, const char* value);
/** Writes a number as signed decimal, as WriteFileValueString does.
 *  \param fileName the file's name.
 *  \param section the section's name.
 *  \param key the key's name.
 *  \param value the number.
 *  \return 1 once the write is handed on, 0 when fileName is null. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL WriteFileValueInt(const char* fileName, const char* section,
                                                      const char* key, int32_t value);
/** GetPrivateProfileStrEx on a file beside the executable.
 *  \param fileName the file's name; when null, buffer gets defaultText.
 *  \param section the section's name.
 *  \param key the key's name; null for the key names of the section.
 *  \param defaultText the text delivered when nothing is taken from the file.
 *  \param buffer receives the value and a NUL.
 *  \param bufferSize the size of buffer in bytes.
 *  \return GetPrivateProfileStrEx's count; 0 on unusable arguments. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFileValueString(const char* fileName, const char* section,
                                                       const char* key, const char* defaultText,
                                                       char* buffer, uint32_t bufferSize);
/** GetPrivateProfileIntEx on a file beside the executable.
 *  \param fileName the file's name.
 *  \param section the section's name.
 *  \param key the key's name.
 *  \param defaultValue the answer on failure.
 *  \return the value; defaultValue when fileName is null or the value cannot be read. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFileValueInt(const char* fileName, const char* section,
                                                    const char* key, uint32_t defaultValue);

/* ---- Write test and file move ---- */

/** Tests that a file can be written by writing it back with its own contents.
 *  \param path the file.
 *  \return a HOSTUTIL_PREWRITE_* code: HOSTUTIL_PREWRITE_OK (0) when it can be written. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL PreFileWrite(const char* path);
/** Moves a file, deleting a non-empty destination first.
 *  \param source the file to move.
 *  \param destination its new path.
 *  \return nonzero when moved, 0 when not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FileMove(const char* source, const char* destination);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_PROFILE_H */
