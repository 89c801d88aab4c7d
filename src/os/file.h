// Files, folders and paths in the library's terms, with the Windows sharing
// rules.
#pragma once

#include <cstdint>

#include "hostutil.h"

namespace hostutil::os {

// The Windows attribute bits, as both ports report them.
namespace attribute {
constexpr std::uint32_t read_only = 0x1;
constexpr std::uint32_t hidden = 0x2;
constexpr std::uint32_t system_file = 0x4;
constexpr std::uint32_t directory = 0x10;
constexpr std::uint32_t archive = 0x20;
constexpr std::uint32_t normal = 0x80;
constexpr std::uint32_t temporary = 0x100;
constexpr std::uint32_t sparse_file = 0x200;
constexpr std::uint32_t reparse_point = 0x400;
constexpr std::uint32_t compressed = 0x800;
constexpr std::uint32_t offline = 0x1000;
constexpr std::uint32_t not_content_indexed = 0x2000;
constexpr std::uint32_t encrypted = 0x4000;
}  // namespace attribute

// An open file. Opaque: a system handle on Windows, a descriptor on POSIX.
struct file;

// Opens an existing file for reading, letting others read it too but not write
// or delete it. Null when it cannot be opened (a folder cannot).
file* file_open_read(const char* path);

// Opens a file for writing, creating it when absent and keeping an existing
// one's bytes; shares nothing while open. Null on failure.
file* file_open_write(const char* path);

// The size of an open file in bytes.
bool file_size(file* f, std::uint64_t& size);

// Reads up to size bytes in one request; done is what arrived. False on an error.
bool file_read(file* f, void* buffer, std::uint32_t size, std::uint32_t& done);

// Writes size bytes in one request; done is what was written. False on an error.
bool file_write(file* f, const void* data, std::uint32_t size, std::uint32_t& done);

// False when the system reports that buffered data could not be written.
bool file_close(file* f);

// Deletes a file (not a folder). Fails for a read-only file and for one that
// somebody holds open through this facility.
bool file_delete(const char* path);

// A search of one folder for a path or pattern (wildcards * and ? in its last
// component), folders included. Opaque: a find handle on Windows; on POSIX the
// matching names, in byte order.
struct search;

// The search and its first match; null when nothing matches.
search* find_first(const char* pattern, hu_WIN32_FIND_DATAA& record);
// The next match; false when there is none.
bool find_next(search* s, hu_WIN32_FIND_DATAA& record);
void find_close(search* s);

// Sets the attribute bits of a file or folder.
bool set_attributes(const char* path, std::uint32_t attributes);

enum class folder_result { created, exists, failed };
folder_result create_folder(const char* path);

// The drive type code (0 to 6) of a root path, or on POSIX of any path (a
// path not there yet: of its nearest existing folder).
std::uint32_t drive_type(const char* root);

// Moves a file or folder without replacing anything at the destination.
bool move(const char* source, const char* destination);

// The full path of the running program's executable, written with its NUL
// into buffer. Result: its length; size when it had to be cut (the cut text
// ends in a NUL); 0 on failure.
std::uint32_t program_path(char* buffer, std::uint32_t size);

// The temporary folder, ending in the separator. Result: its length when it
// fits with its NUL (then written), else the size needed including the NUL.
std::uint32_t temp_folder(char* buffer, std::uint32_t size);


// ---- paths, no system call --------------------------------------------------

// The separator of path components: a backslash on Windows, "/" on POSIX.
char path_separator();

// The last separator of path, found by a walk that knows the multi-byte
// characters of the process's code page (a trail byte is never a separator).
// Null when there is none.
const char* last_separator_multibyte(const char* path);

// What the write test asks the drive type of: the drive ("C:") on Windows,
// written into scratch; the path itself on POSIX, which has no drive letters.
const char* drive_of(const char* path, char (&scratch)[3]);


}  // namespace hostutil::os
