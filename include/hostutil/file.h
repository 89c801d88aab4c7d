/* hostutil/file.h - file operations, file times, the trace log and dump text. */
#ifndef HOSTUTIL_FILE_H
#define HOSTUTIL_FILE_H

#include "abi.h"
#include "types.h"

#define HOSTUTIL_FILE_MISSING 0x80000000u /* FileAttributesGet of a missing file */

HOSTUTIL_BEGIN_DECLS

/* ---- File operations ---- */

/* Reads the whole file into buffer (not cleared, not terminated) when it fits.
   Result: bytes read, which is the file size; 0 on any failure. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FileRead(const char* path, void* buffer, uint32_t bufferSize);
/* Deletes the file, then writes size bytes as the new file. Result: bytes written; 0 = failure. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FileWrite(const char* path, const void* data, uint32_t size);
/* Deletes the file. Nonzero when deleted, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FileDelete(const char* path);
/* The file's size (low 32 bits); 0 when it is missing, cannot be opened or is empty. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FileSizeGet(const char* path);
/* The file's attribute bits; HOSTUTIL_FILE_MISSING when no file matches. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FileAttributesGet(const char* path);
/* Sets the file's attribute bits. Nonzero on success, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FileAttributesSet(const char* path, uint32_t attributes);
/* Finds the first match of a path or pattern and copies its record when findData is given.
   1 = a file matches, 0 = none. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FindAndGetInformationOfFile(const char* path,
                                                                hu_WIN32_FIND_DATAA* findData);
/* Copies line lineNumber (from 1) of a CR LF text into line, cut to lineSize - 1 bytes.
   1 = copied, 0 = no such line or bad arguments. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFileOneLine(const char* text, uint32_t textLength,
                                                   uint32_t lineNumber, char* line,
                                                   uint32_t lineSize);
/* The folder of the running program's executable, with "\fileName" when fileName is given;
   an empty buffer on failure. */
HOSTUTIL_API void HOSTUTIL_CALL GetFilePath(const char* fileName, char* buffer,
                                            uint32_t bufferSize);
/* The temporary folder, ending in a backslash. 1 = it fits, 0 = it does not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetTempDirPath(char* buffer, uint32_t bufferSize);
/* Creates folderName inside parentPath (one level). 1 = the folder exists now, 0 = failure. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CreateFolder(const char* parentPath, const char* folderName);
/* The platform's drive type code of rootPath (0 to 6); 0 when it is missing. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetDriveTypeEx(const char* rootPath);

/* ---- File times and time arithmetic ---- */

/* later - earlier in seconds. */
HOSTUTIL_API double HOSTUTIL_CALL CalculateSubstructOfFILETIMEToSecond(hu_FILETIME later,
                                                                       hu_FILETIME earlier);
/* later - earlier in minutes. */
HOSTUTIL_API double HOSTUTIL_CALL CalculateSubstructOfFILETIMEToMinute(hu_FILETIME later,
                                                                       hu_FILETIME earlier);
/* later - earlier in hours. */
HOSTUTIL_API double HOSTUTIL_CALL CalculateSubstructOfFILETIMEToHour(hu_FILETIME later,
                                                                     hu_FILETIME earlier);
/* Calendar time to file time, no time zone applied. Nonzero on success, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CalculateSystemTimeToFileTime(const hu_SYSTEMTIME* systemTime,
                                                                  hu_FILETIME* fileTime);
/* File time to calendar time, no time zone applied. Nonzero on success, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CalculateFileTimeToSystemTime(const hu_FILETIME* fileTime,
                                                                  hu_SYSTEMTIME* systemTime);
/* The creation time (UTC) of the first match of path. 1 = found, 0 = not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CreateFileTimeGet(const char* path, hu_FILETIME* fileTime);
/* The last access time (UTC) of the first match of path. 1 = found, 0 = not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL LastAccessFileTimeGet(const char* path, hu_FILETIME* fileTime);
/* The last write time (UTC) of the first match of path. 1 = found, 0 = not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL LastWriteFileTimeGet(const char* path, hu_FILETIME* fileTime);
/* The local calendar time; nothing when systemTime is null. */
HOSTUTIL_API void HOSTUTIL_CALL LocalTimeGet(hu_SYSTEMTIME* systemTime);

/* ---- Trace log ---- */

/* Appends a 127-byte line (text, value in hexadecimal, local time) to "trace.txt" beside the
   executable; the file is 20,480 bytes and starts afresh when full.
   Result: bytes written, 20,480 or 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL Trace(const char* text, uint32_t value);

/* ---- Binary dump text ---- */

/* The buffer size to give CreateBinDataDumpFile; 0 when bytesPerLine is 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetSizeOfBinDataDumpFile(uint32_t dataSize,
                                                             uint32_t bytesPerLine);
/* Writes the hexadecimal dump text of data into buffer, never past bufferSize.
   Result: the text's length without its NUL; 0 on failure (buffer untouched). */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CreateBinDataDumpFile(const void* data, uint32_t dataSize,
                                                          char* buffer, uint32_t bufferSize,
                                                          uint32_t bytesPerLine);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_FILE_H */
