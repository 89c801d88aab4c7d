/* hostutil/profile.h - profile (INI) files, value files, the write test and file move. */
#ifndef HOSTUTIL_PROFILE_H
#define HOSTUTIL_PROFILE_H

#include "abi.h"

/* PreFileWrite */
#define HOSTUTIL_PREWRITE_OK 0u               /* written back with its own contents */
#define HOSTUTIL_PREWRITE_NO_PATH 1u          /* path is null */
#define HOSTUTIL_PREWRITE_NO_FILE 2u          /* no such file */
#define HOSTUTIL_PREWRITE_NOT_TESTED 3u       /* system, directory and similar attributes */
#define HOSTUTIL_PREWRITE_FAILED_FIXED 4u     /* test failed on a fixed drive */
#define HOSTUTIL_PREWRITE_CDROM 5u            /* the path lies on a CD-ROM drive */
#define HOSTUTIL_PREWRITE_FAILED_REMOVABLE 6u /* test failed on a removable drive */
#define HOSTUTIL_PREWRITE_FAILED_RAMDISK 7u   /* test failed on a RAM disk */
#define HOSTUTIL_PREWRITE_FAILED_REMOTE 8u    /* test failed on a network drive */
#define HOSTUTIL_PREWRITE_FAILED_OTHER 9u     /* test failed on any other drive type */

HOSTUTIL_BEGIN_DECLS

/* ---- Profile reader ---- */

/* The value of key in section of an INI-style file, or with a null key the section's key
   names, each followed by a NUL. Result: characters taken from the file; 0 gives defaultText. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetPrivateProfileStrEx(const char* section, const char* key,
                                                           const char* defaultText, char* buffer,
                                                           uint32_t bufferSize, const char* path);
/* The value of key as a number, hexadecimal after "0x", decimal otherwise; defaultValue on
   any failure or for the value "DEFAULT". */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetPrivateProfileIntEx(const char* section, const char* key,
                                                           uint32_t defaultValue, const char* path);

/* ---- Profile writer ---- */

/* Sets key in an existing section of an existing file ("key=value", or the bare key when
   value is null), rewriting the file whole. 1 = written, 0 = not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL WritePrivateProfileStrEx(const char* section, const char* key,
                                                             const char* value, const char* path);
/* Writes value as "%08x" when hexadecimal is nonzero, else as "%d". As above. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL WritePrivateProfileIntEx(const char* section, const char* key,
                                                             uint32_t value, const char* path,
                                                             uint32_t hexadecimal);

/* ---- Value files beside the executable ---- */

/* WritePrivateProfileStrEx on fileName beside the executable. 1 once handed on, 0 when
   fileName is null. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL WriteFileValueString(const char* fileName, const char* section,
                                                         const char* key, const char* value);
/* Writes value as signed decimal. As WriteFileValueString. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL WriteFileValueInt(const char* fileName, const char* section,
                                                      const char* key, int32_t value);
/* GetPrivateProfileStrEx on fileName beside the executable; defaultText when fileName is null.
   Result: its count; 0 on bad arguments. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFileValueString(const char* fileName, const char* section,
                                                       const char* key, const char* defaultText,
                                                       char* buffer, uint32_t bufferSize);
/* GetPrivateProfileIntEx on fileName beside the executable; defaultValue when it is null. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFileValueInt(const char* fileName, const char* section,
                                                    const char* key, uint32_t defaultValue);

/* ---- Write test and file move ---- */

/* Tests that the file can be written by writing it back with its own contents.
   Result: a HOSTUTIL_PREWRITE_* code, 0 when it can. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL PreFileWrite(const char* path);
/* Moves source to destination, deleting a non-empty destination first. Nonzero = moved. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FileMove(const char* source, const char* destination);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_PROFILE_H */
