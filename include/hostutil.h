/* hostutil.h - the public C interface of hostutil.dll and libhostutil.so.
 *
 * Every exported function is declared here once, grouped by subsystem, together with the
 * binary types it passes. Text is 8-bit ANSI in the process code page ending in a NUL byte,
 * lengths are in bytes without the NUL, and output goes to a caller's buffer given with its
 * size in bytes, unless a declaration says otherwise. Failures show in the result alone.
 * Usable from C99 and C++.
 */
#ifndef HOSTUTIL_H
#define HOSTUTIL_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#include <windows.h>
#endif

/* ---- Export and calling convention ---- */

/* The DLL exports its names through its module definition file, so nothing is needed on
   Windows; the shared object hides everything but what is marked here. */
#ifndef HOSTUTIL_API
#if defined(_WIN32)
#define HOSTUTIL_API
#elif defined(__GNUC__) || defined(__clang__)
#define HOSTUTIL_API __attribute__((visibility("default")))
#else
#define HOSTUTIL_API
#endif
#endif

/* The platform's standard calling convention. */
#if defined(_WIN32)
#define HOSTUTIL_CALL WINAPI
#else
#define HOSTUTIL_CALL
#endif

/* Compile-time layout checks; C99 gets a negative array size instead of an assertion. */
#if defined(__cplusplus) && __cplusplus >= 201103L
#define HOSTUTIL_STATIC_CHECK(condition, tag) static_assert(condition, #tag)
#elif !defined(__cplusplus) && defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define HOSTUTIL_STATIC_CHECK(condition, tag) _Static_assert(condition, #tag)
#else
#define HOSTUTIL_STATIC_CHECK(condition, tag) \
  typedef char hostutil_check_##tag[(condition) ? 1 : -1]
#endif

/* ---- Platform types at the boundary ---- */

/* On Windows these are the platform's own types; elsewhere they are defined with the same
   layout and field names, so that records pass between the two unchanged. */
#if defined(_WIN32)

typedef FILETIME hu_FILETIME;
typedef SYSTEMTIME hu_SYSTEMTIME;
typedef WIN32_FIND_DATAA hu_WIN32_FIND_DATAA;
typedef HWND hu_HWND;
typedef LPARAM hu_LPARAM;
typedef WCHAR hu_wchar;
/* The shell's item identifier list, as PCIDLIST_ABSOLUTE without including the shell's
   headers: same structure tag, same alignment qualifier. */
typedef const struct _ITEMIDLIST UNALIGNED* hu_PCIDLIST_ABSOLUTE;

#else

/* A 64-bit count of 100-nanosecond ticks since 1 January 1601, low half first. */
typedef struct hu_FILETIME {
  uint32_t dwLowDateTime;  /* 0 */
  uint32_t dwHighDateTime; /* 4 */
} hu_FILETIME;

/* A calendar time, eight 16-bit fields. */
typedef struct hu_SYSTEMTIME {
  uint16_t wYear;         /* 0 */
  uint16_t wMonth;        /* 2 */
  uint16_t wDayOfWeek;    /* 4 */
  uint16_t wDay;          /* 6 */
  uint16_t wHour;         /* 8 */
  uint16_t wMinute;       /* 10 */
  uint16_t wSecond;       /* 12 */
  uint16_t wMilliseconds; /* 14 */
} hu_SYSTEMTIME;

/* The find record of a file search. */
typedef struct hu_WIN32_FIND_DATAA {
  uint32_t dwFileAttributes;    /* 0 */
  hu_FILETIME ftCreationTime;   /* 4 */
  hu_FILETIME ftLastAccessTime; /* 12 */
  hu_FILETIME ftLastWriteTime;  /* 20 */
  uint32_t nFileSizeHigh;       /* 28 */
  uint32_t nFileSizeLow;        /* 32 */
  uint32_t dwReserved0;         /* 36 */
  uint32_t dwReserved1;         /* 40 */
  char cFileName[260];          /* 44 */
  char cAlternateFileName[14];  /* 304; 2 bytes of padding follow, 320 in all */
} hu_WIN32_FIND_DATAA;

typedef void* hu_HWND;      /* a window handle; null for none */
typedef intptr_t hu_LPARAM; /* a pointer-sized message value */
typedef uint16_t hu_wchar;  /* one UTF-16 code unit (wchar_t is 32 bits here) */
typedef const struct hu_ITEMIDLIST* hu_PCIDLIST_ABSOLUTE; /* opaque item identifier list */

#endif

/* The folder picker's callback: window, message, message value, caller's value. */
typedef int(HOSTUTIL_CALL* hu_BFFCALLBACK)(hu_HWND window, uint32_t message, hu_LPARAM value,
                                           hu_LPARAM callbackData);

HOSTUTIL_STATIC_CHECK(sizeof(hu_FILETIME) == 8, filetime_size);
HOSTUTIL_STATIC_CHECK(sizeof(hu_SYSTEMTIME) == 16, systemtime_size);
HOSTUTIL_STATIC_CHECK(sizeof(hu_WIN32_FIND_DATAA) == 320, find_data_size);
HOSTUTIL_STATIC_CHECK(sizeof(hu_wchar) == 2, utf16_unit_size);

/* ---- Library records ---- */

/* A heap area as the caller holds it: a pointer to its head, null when there is no area.
   The head is 24 bytes from the process heap (offsets for 64-bit builds). */
typedef struct HeapAreaRecord HeapAreaRecord;
typedef struct HeapAreaHead {
  char signature[8];           /* 0: "HEAPMNGR", no NUL */
  uint32_t recordCount;        /* 8: number of records in the chain */
  uint32_t reserved;           /* 12: always zero */
  HeapAreaRecord* firstRecord; /* 16: first record; null when there is none */
} HeapAreaHead;

/* A record is one packed block of length + 20 bytes with no alignment:
     0       uint32_t  length      L, the number of data bytes, at least 1
     4       L bytes   data        the caller's bytes, unchanged
     4 + L   8 bytes   marker      "NEXTADDR", no NUL              (HeapAreaRecordTail)
     12 + L  8 bytes   nextRecord  next record's address, unaligned; null in the last
   Only the fixed start is a C structure; the tail is found at 4 + length. */
struct HeapAreaRecord {
  uint32_t length; /* 0: L */
};

typedef struct HeapAreaRecordTail {
  char marker[8];              /* 4 + L: "NEXTADDR", no NUL */
  unsigned char nextRecord[8]; /* 12 + L: the next record's address as raw bytes */
} HeapAreaRecordTail;

#define HOSTUTIL_HEAP_SIGNATURE "HEAPMNGR"
#define HOSTUTIL_HEAP_MARKER "NEXTADDR"
#define HOSTUTIL_HEAP_RECORD_SIZE(length) ((uint32_t)(length) + 20u)

HOSTUTIL_STATIC_CHECK(sizeof(void*) != 8 || sizeof(HeapAreaHead) == 24, heap_head_size);
HOSTUTIL_STATIC_CHECK(sizeof(HeapAreaRecord) == 4, heap_record_start_size);
HOSTUTIL_STATIC_CHECK(sizeof(HeapAreaRecordTail) == 16, heap_record_tail_size);

/* The settings of the record forms of the file dialogs (offsets for 64-bit builds). */
typedef struct FileDialogParameters {
  const char* filter;           /* 0: "Description|pattern|" pairs; null for none */
  const char* initialFileName;  /* 8: name proposed by the save dialog; may be null */
  char* file;                   /* 16: receives the chosen path; required */
  uint32_t fileSize;            /* 24: size of file, not 0; 4 bytes of padding follow */
  char* fileTitle;              /* 32: receives the name without its folder; may be null */
  uint32_t fileTitleSize;       /* 40: size of fileTitle; 4 bytes of padding follow */
  const char* title;            /* 48: the dialog's caption; null for the default */
  const char* initialDirectory; /* 56: the folder shown first; may be null */
  uint32_t flags;               /* 64: OFN_* flags to add; 4 bytes of padding follow */
  const char* defaultExtension; /* 72: added to a name typed without one; may be null */
} FileDialogParameters;

HOSTUTIL_STATIC_CHECK(sizeof(void*) != 8 || sizeof(FileDialogParameters) == 80,
                      file_dialog_parameters_size);

/* ---- Result codes ---- */

#define HOSTUTIL_NOT_FOUND 0xFFFFFFFFu    /* BinarySearch, BinarySearchDSC */
#define HOSTUTIL_FILE_MISSING 0x80000000u /* FileAttributesGet of a missing file */
#define HOSTUTIL_ZEROINIT 0x40u           /* GlobalAllocEx: zero-fill the block */

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

/* GetPortKind */
#define HOSTUTIL_PORT_UNKNOWN 0u
#define HOSTUTIL_PORT_NETWORK 1u
#define HOSTUTIL_PORT_USB 2u
#define HOSTUTIL_PORT_PARALLEL 3u

/* GetOSVer: platform in bits 24 to 31, release in 16 to 23, edition in 0 to 15. */
#define HOSTUTIL_OSVER_PLATFORM(code) (((uint32_t)(code) >> 24) & 0xFFu)
#define HOSTUTIL_OSVER_PLATFORM_WIN32S 1u
#define HOSTUTIL_OSVER_PLATFORM_WIN9X 2u
#define HOSTUTIL_OSVER_PLATFORM_NT 3u

/* GetCurrentUserGroup */
#define HOSTUTIL_GROUP_ADMINISTRATORS 544u
#define HOSTUTIL_GROUP_USERS 545u
#define HOSTUTIL_GROUP_NONE 0xFFFFFFFFu

/* The dialogs */
#define HOSTUTIL_DIALOG_OK 1u
#define HOSTUTIL_DIALOG_CANCEL 2u

#ifdef __cplusplus
extern "C" {
#endif

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

/* ---- Named semaphore table ---- */

/* A semaphore is named by name, or when name is null or empty by number as 16 lowercase
   hexadecimal digits. Call SemaphoreControlBegin before anything that locks or allocates. */

/* Sets up the process's semaphore table; a table already set up is kept. */
HOSTUTIL_API void HOSTUTIL_CALL SemaphoreControlBegin(void);
/* Gives every semaphore of the table up, waiting for each, and marks the table not set up. */
HOSTUTIL_API void HOSTUTIL_CALL SemaphoreControlEnd(void);
/* Creates or opens the named semaphore (count 1 of 2). 1 = in the table, 0 = failure. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreCreate(const char* name, uint64_t number);
/* Enters the semaphore, retryCount attempts 500 ms apart (0 = without limit).
   1 = entered or not in the table, 0 = not entered. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreEntry(const char* name, uint64_t number,
                                                   uint32_t retryCount);
/* Gives one count back to the semaphore and clears this process's entered flag. */
HOSTUTIL_API void HOSTUTIL_CALL SemaphoreLeave(const char* name, uint64_t number);
/* Waits for the semaphore without limit, then takes it out of the table. */
HOSTUTIL_API void HOSTUTIL_CALL SemaphoreRelease(const char* name, uint64_t number);
/* 1 while this process holds the semaphore through SemaphoreEntry, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreIsEntry(const char* name, uint64_t number);
/* 1 when the semaphore is in the table, else 0. number is 32-bit here. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreIsExist(const char* name, uint32_t number);

/* ---- Guarded shared values ---- */

/* Each works out its result under "VALUE_OP_SEMAPHORE_CONTROL"; 0 when it cannot be had. */

/* Always 0; value is not looked at. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL ResetValue(uint32_t value);
/* newValue; value is not looked at. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SetValue(uint32_t value, uint32_t newValue);
/* value + 1, wrapping to 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL IncrementValue(uint32_t value);
/* value - 1, wrapping to 0xFFFFFFFF. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DecrementValue(uint32_t value);

/* ---- Heap area chain ---- */

/* area is the address of the caller's area pointer, which starts null; every call is
   guarded by "HEAP_SEMAPHORE_CONTROL". */

/* Appends a copy of dataLength bytes, creating the head when needed. 1 = appended, 0 = not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL AllocHeapAreaAndSetData(HeapAreaHead** area, const void* data,
                                                            uint32_t dataLength);
/* Copies the record at *cursor (started as a copy of the area pointer) and moves the cursor
   on. Result: the length delivered; 0 at the end or when the record does not fit. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchHeapData(void** cursor, void* buffer, uint32_t bufferSize);
/* Copies the last record without removing it. Result: its length; 0 = none. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchHeapLastData(HeapAreaHead** area, void* buffer,
                                                      uint32_t bufferSize);
/* Takes the first record (a queue). Result: its length; 0 = none or it does not fit. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchAndFreeHeapData(HeapAreaHead** area, void* buffer,
                                                         uint32_t bufferSize);
/* Takes the last record (a stack). Result: its length; 0 = none or it does not fit. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchAndFreeHeapLastData(HeapAreaHead** area, void* buffer,
                                                             uint32_t bufferSize);
/* Removes the first record whose data equal the key; buffer may be null.
   Result: the length delivered into buffer; 0 = none (the match is removed all the same). */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SearchAndFreeHeapData(HeapAreaHead** area, const void* key,
                                                          uint32_t keyLength, void* buffer,
                                                          uint32_t bufferSize);
/* Frees every record and the head and sets the area pointer to null. Always 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FreeHeapArea(HeapAreaHead** area);
/* 1 when head begins with the head signature, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL IsHeapAddress(const void* head);

/* ---- Registered allocations ---- */

/* A zero-filled block when flags has HOSTUTIL_ZEROINIT, registered and given a semaphore
   named after its address. Result: the block; null on failure. */
HOSTUTIL_API void* HOSTUTIL_CALL GlobalAllocEx(uint32_t flags, uint32_t size);
/* The same as GlobalAllocEx. */
HOSTUTIL_API void* HOSTUTIL_CALL HeapAllocExEx(uint32_t flags, uint32_t size);
/* Waits until nobody holds the block, unregisters, clears and frees it. Always 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalFreeEx(void* block);
/* Waits until this process has left the block, then GlobalFreeEx. Always 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalFreeExEx(void* block);
/* GlobalFreeExEx. Always 1. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL HeapFreeExEx(void* block);
/* Claims the block's semaphore, 60 attempts. 1 = claimed or nothing to claim, 0 = not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalAreaEntry(void* block);
/* Leaves the block's semaphore. */
HOSTUTIL_API void HOSTUTIL_CALL GlobalAreaLeave(void* block);
/* 1 while this process holds the block, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalAreaIsEntry(void* block);
/* Frees every block still registered, then the registry. Always 1. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalAreaLumpFree(void);

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

/* ---- CSV item encoding ---- */

/* Each answers 1 when buffer holds the item (its length below bufferSize), else 0 with
   buffer empty. */

/* Quotes the item when it holds a comma or a quote, doubling its quotes. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItem(const char* item, char* buffer,
                                                   uint32_t bufferSize);
/* Quotes the item when it holds separator; quotes inside stay single. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItem2(const char* item, char* buffer,
                                                    uint32_t bufferSize, const char* separator);
/* Quotes the item when it holds separator, or a quote when escapeQuotes is nonzero, which
   also doubles its quotes. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItem3(const char* item, char* buffer,
                                                    uint32_t bufferSize, const char* separator,
                                                    uint32_t escapeQuotes);
/* MakeCSVOneItem when separator is exactly ",", else MakeCSVOneItem2. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItemEx(const char* item, char* buffer,
                                                     uint32_t bufferSize, const char* separator);

/* ---- CSV item decoding ---- */

/* Each copies the item at line, without its quotes, into buffer and answers where the next
   item begins inside line, or null after the last item and on bad arguments. */

/* Comma-separated; doubled quotes inside a quoted item are read as one. */
HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItem(const char* line, char* buffer, uint32_t bufferSize);
/* A quoted item ends at a quote followed by separator; quotes inside stay as they stand. */
HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItem2(const char* line, char* buffer, uint32_t bufferSize,
                                                const char* separator);
/* As GetCSVOneItem with separator instead of the comma. */
HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItem3(const char* line, char* buffer, uint32_t bufferSize,
                                                const char* separator);
/* GetCSVOneItem when separator is exactly ",", else GetCSVOneItem2. */
HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItemEx(const char* line, char* buffer,
                                                 uint32_t bufferSize, const char* separator);

/* ---- CSV and JBK file writers ---- */

/* Joins the records of the heap area at head into comma-separated CR LF lines and writes the
   file, new when replace is nonzero, else appended. 1 = walked and written, 0 = stopped. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVFile(const char* path, const HeapAreaHead* head,
                                                uint32_t replace);
/* As MakeCSVFile with the larger limits of JBK files. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeJBKFile(const char* path, const HeapAreaHead* head,
                                                uint32_t replace);

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

/* ---- System information ---- */

/* The system folder. Result: its length, the size needed when it does not fit, or 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetSystemDirectoryEx(char* buffer, uint32_t bufferSize);
/* The computer name; *size is the buffer size in, the name's length (or the size needed)
   out. Nonzero on success, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetComputerNameExEx(char* buffer, uint32_t* size);
/* The network host name. 1 = written, 0 = not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetHostNameEx(char* buffer, uint32_t bufferSize);
/* The host's first IPv4 address as dotted decimal text (buffer of 16 bytes or more).
   1 = the look-up ran, 0 = not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetIPAddress(char* buffer, uint32_t bufferSize);
/* The operating-system code (see HOSTUTIL_OSVER_PLATFORM); 0 when unknown. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetOSVer(void);
/* The width of the current display mode in pixels. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetDisplayWidth(void);
/* The height of the current display mode in pixels. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetDisplayHeight(void);
/* Both display dimensions. 1 = written, 0 when either pointer is null. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetDisplaySize(uint32_t* width, uint32_t* height);
/* 1 when the user's language is Japanese, Chinese or Korean (or cannot be read), else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL LanguageIs2Byte(void);
/* 1 when the user's language is Japanese (or cannot be read), else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL LanguageIsJapanese(void);

/* ---- User group ---- */

/* HOSTUTIL_GROUP_ADMINISTRATORS when the caller has administrator access,
   HOSTUTIL_GROUP_USERS when not, HOSTUTIL_GROUP_NONE on a system without such groups. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetCurrentUserGroup(void);

/* ---- Printer ports and drivers ---- */

/* The kind of a port name: a HOSTUTIL_PORT_* value. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetPortKind(const char* portName);
/* The installed printer reached through portName, by port name or, for a network address,
   by its driver's address plug-in. 1 = found (name and full port name written), 0 = not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetLogicalPrinterAndPortName(
    const char* portName, const char* capabilityPattern, const char* supportCode, char* printerName,
    uint32_t printerNameSize, char* printerPort, uint32_t printerPortSize);
/* 1 when GetLogicalPrinterAndPortName finds a printer, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DeviceDriverIsExist(const char* portName,
                                                        const char* capabilityPattern,
                                                        const char* supportCode);

/* ---- Dialogs, help and browser ---- */

/* The dialogs answer HOSTUTIL_DIALOG_OK when the user confirmed, HOSTUTIL_DIALOG_CANCEL when
   the user cancelled or the call failed or was refused (an owner of -1 is refused). */

/* The open dialog from a parameter record. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFileOpenDialogEx(hu_HWND owner,
                                                            const FileDialogParameters* parameters);
/* The save dialog from a parameter record, asking before it overwrites a file. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFileSaveDialogEx(hu_HWND owner,
                                                            const FileDialogParameters* parameters);
/* The open dialog; initialFileName is not used. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFileOpenDialog(hu_HWND owner,
                                                          const char* defaultExtension,
                                                          const char* initialFileName,
                                                          uint32_t flags, const char* filter,
                                                          char* file, uint32_t fileSize);
/* The save dialog, proposing initialFileName when given. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFileSaveDialog(hu_HWND owner,
                                                          const char* defaultExtension,
                                                          const char* initialFileName,
                                                          uint32_t flags, const char* filter,
                                                          char* file, uint32_t fileSize);
/* The folder picker with the caller's BIF_* flags and callback; displayName and folderPath
   hold 260 bytes. reserved is not used. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayFolderDialogAndGetOpenFolderName(
    hu_HWND owner, hu_PCIDLIST_ABSOLUTE root, char* displayName, const char* title, uint32_t flags,
    hu_BFFCALLBACK callback, hu_LPARAM callbackData, int32_t image, char* folderPath,
    void* reserved);
/* The folder picker for file-system folders (new dialog style). Windows writes up to 260 bytes
   into folderPath whatever folderPathSize says; the POSIX port writes no more than a nonzero
   folderPathSize. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFolderNameEx(hu_HWND owner, hu_PCIDLIST_ABSOLUTE root,
                                                    char* displayName, const char* title,
                                                    int32_t image, char* folderPath,
                                                    uint32_t folderPathSize);
/* The same as GetFolderNameEx. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetFolderName(hu_HWND owner, hu_PCIDLIST_ABSOLUTE root,
                                                  char* displayName, const char* title,
                                                  int32_t image, char* folderPath,
                                                  uint32_t folderPathSize);
/* The HTML Help viewer with command and data. Result: the viewer's window; null when the
   viewer cannot be had. */
HOSTUTIL_API hu_HWND HOSTUTIL_CALL DisplayHtmlHelp(hu_HWND owner, const char* file,
                                                   uint32_t command, uint32_t data);
/* The classic help viewer at contextId, or its contents for 0xFFFFFFFF. Nonzero on success. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DisplayWinHelp(hu_HWND owner, const char* file,
                                                   uint32_t contextId);
/* Opens url in the default browser; nothing when url is null. */
HOSTUTIL_API void HOSTUTIL_CALL ExecuteDefaultBrowser(const char* url);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* HOSTUTIL_H */
