/** \file hostutil/file.h
 *  \brief File operations, file times, the trace log and dump text. */
#ifndef HOSTUTIL_FILE_H
#define HOSTUTIL_FILE_H

#include "abi.h"
#include "types.h"

/** FileAttributesGet's answer for a missing file. */
#define HOSTUTIL_FILE_MISSING 0x80000000u

HOSTUTIL_BEGIN_DECLS

/* ---- File operations ---- */

/** Reads a whole file when it fits.
 *  \param path the file.
 *  \param buffer receives the file's bytes; not cleared first, not terminated.
 *  \param bufferSize the size of buffer in bytes.
 *  \return the number of bytes read, which is the file's size; 0 on any failure (a missing
 *          file, one larger than bufferSize, a read error). */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FileRead(const char* path, void* buffer, uint32_t bufferSize);
/** Deletes a file, then writes the data as the new file.
 *  \param path the file.
 *  \param data the bytes to write.
 *  \param size how many bytes.
 *  \return the number of bytes written; 0 on failure. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FileWrite(const char* path, const void* data, uint32_t size);
/** Deletes a file.
 *  \param path the file.
 *  \return nonzero when deleted, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FileDelete(const char* path);
/** The size of a file.
 *  \param path the file.
 *  \return the low 32 bits of its size; 0 when it is missing, cannot be opened or is empty. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FileSizeGet(const char* path);
/** The attribute bits of a file.
 *  \param path the file.
 *  \return its FILE_ATTRIBUTE_* bits; HOSTUTIL_FILE_MISSING when no file matches. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FileAttributesGet(const char* path);
/** Sets the attribute bits of a file.
 *  \param path the file.
 *  \param attributes the FILE_ATTRIBUTE_* bits to set.
 *  \return nonzero on success, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FileAttributesSet(const char* path, uint32_t attributes);
/** Finds the first match of a path or pattern.
 *  \param path a path, or a pattern with * and ? in its last part.
 *  \param findData receives the match's find record; may be null.
 *  \return 1 when a file matches, 0 when none does. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FindAndGetInformationOfFile(const char* path,
                                                                hu_WIN32_FIND_DATAA* findData);
/** Copies one line of a text whose lines end in CR LF.
 *  \param text the text.
 *  \param textLength its length in bytes.
 *  \param lineNumber the line wanted, counted from 1.
 *  \param line receives the line without its CR LF, cut to lineSize - 1 bytes, and a NUL.
 *  \param lineSize the size of line in bytes.
 *  \return 1 when copied, 0 when there is no such line or an argument is unusable. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFileOneLine(const char* text, uint32_t textLength,
                                                   uint32_t lineNumber, char* line,
                                                   uint32_t lineSize);
/** The folder of the running program's executable, or a file in it.
 *  \param fileName a file name to add behind a backslash; may be null for the folder alone.
 *  \param buffer receives the path and a NUL; an empty text on failure.
 *  \param bufferSize the size of buffer in bytes. */
HOSTUTIL_API void HOSTUTIL_CALL GetFilePath(const char* fileName, char* buffer,
                                            uint32_t bufferSize);
/** The temporary folder.
 *  \param buffer receives the folder, ending in a backslash, and a NUL.
 *  \param bufferSize the size of buffer in bytes.
 *  \return 1 when it fits, 0 when it does not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetTempDirPath(char* buffer, uint32_t bufferSize);
/** Creates a folder one level inside another.
 *  \param parentPath the folder that exists.
 *  \param folderName the new folder's name.
 *  \return 1 when the folder exists now, 0 on failure. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CreateFolder(const char* parentPath, const char* folderName);
/** The drive type of a root folder.
 *  \param rootPath the root folder, such as "C:\\".
 *  \return the platform's drive type code (0 to 6); 0 when the root is missing. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetDriveTypeEx(const char* rootPath);

/* ---- File times and time arithmetic ---- */

/** The difference of two file times in seconds.
 *  \param later the time subtracted from.
 *  \param earlier the time subtracted.
 *  \return later - earlier in seconds, negative when earlier is the later one. */
HOSTUTIL_API double HOSTUTIL_CALL CalculateSubstructOfFILETIMEToSecond(hu_FILETIME later,
                                                                       hu_FILETIME earlier);
/** The difference of two file times in minutes.
 *  \param later the time subtracted from.
 *  \param earlier the time subtracted.
 *  \return later - earlier in minutes. */
HOSTUTIL_API double HOSTUTIL_CALL CalculateSubstructOfFILETIMEToMinute(hu_FILETIME later,
                                                                       hu_FILETIME earlier);
/** The difference of two file times in hours.
 *  \param later the time subtracted from.
 *  \param earlier the time subtracted.
 *  \return later - earlier in hours. */
HOSTUTIL_API double HOSTUTIL_CALL CalculateSubstructOfFILETIMEToHour(hu_FILETIME later,
                                                                     hu_FILETIME earlier);
/** Calendar time to file time, no time zone applied.
 *  \param systemTime the calendar time.
 *  \param fileTime receives the file time.
 *  \return nonzero on success, 0 for an invalid calendar time. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CalculateSystemTimeToFileTime(const hu_SYSTEMTIME* systemTime,
                                                                  hu_FILETIME* fileTime);
/** File time to calendar time, no time zone applied.
 *  \param fileTime the file time.
 *  \param systemTime receives the calendar time.
 *  \return nonzero on success, 0 for a file time out of range. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CalculateFileTimeToSystemTime(const hu_FILETIME* fileTime,
                                                                  hu_SYSTEMTIME* systemTime);
/** The creation time of a file.
 *  \param path a path or pattern; its first match is taken.
 *  \param fileTime receives the time (UTC).
 *  \return 1 when found, 0 when not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CreateFileTimeGet(const char* path, hu_FILETIME* fileTime);
/** The last access time of a file.
 *  \param path a path or pattern; its first match is taken.
 *  \param fileTime receives the time (UTC).
 *  \return 1 when found, 0 when not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL LastAccessFileTimeGet(const char* path, hu_FILETIME* fileTime);
/** The last write time of a file.
 *  \param path a path or pattern; its first match is taken.
 *  \param fileTime receives the time (UTC).
 *  \return 1 when found, 0 when not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL LastWriteFileTimeGet(const char* path, hu_FILETIME* fileTime);
/** The local calendar time.
 *  \param systemTime receives it; nothing is done when it is null. */
HOSTUTIL_API void HOSTUTIL_CALL LocalTimeGet(hu_SYSTEMTIME* systemTime);

/* ---- Trace log ---- */

/** Appends a line to the trace log "trace.txt" beside the executable. Each line is 127
 *  bytes: the text, the value in hexadecimal and the local time. The file is 20,480 bytes
 *  and starts afresh when full.
 *  \param text the text of the line.
 *  \param value the number shown beside it.
 *  \return the number of bytes written, 20,480; 0 on failure. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL Trace(const char* text, uint32_t value);

/* ---- Binary dump text ---- */

/** The buffer size CreateBinDataDumpFile needs.
 *  \param dataSize the number of data bytes.
 *  \param bytesPerLine the bytes shown on each line.
 *  \return the buffer size to give, in bytes; 0 when bytesPerLine is 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetSizeOfBinDataDumpFile(uint32_t dataSize,
                                                             uint32_t bytesPerLine);
/** Writes the hexadecimal dump text of a block.
 *  \param data the bytes to show.
 *  \param dataSize how many bytes.
 *  \param buffer receives the text and a NUL, never past bufferSize.
 *  \param bufferSize the size of buffer in bytes (see GetSizeOfBinDataDumpFile).
 *  \param bytesPerLine the bytes shown on each line.
 *  \return the text's length without its NUL; 0 on failure (buffer untouched). */
HOSTUTIL_API uint32_t HOSTUTIL_CALL CreateBinDataDumpFile(const void* data, uint32_t dataSize,
                                                          char* buffer, uint32_t bufferSize,
                                                          uint32_t bytesPerLine);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_FILE_H */
