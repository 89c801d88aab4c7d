// The profile file format over a text held in memory: the reader's lookup and
// key list, and the writer's whole-text rebuild. Each walks the lines once, with
// exactly the line rules of GetFileOneLine, and touches no file.
#pragma once

#include <cstdint>

#include "profile/text_builder.h"

namespace hostutil::profile {

// A line as GetFileOneLine copies it into a 256-byte buffer: cut to 255
// characters, ending at the text's NUL.
constexpr std::uint32_t line_capacity = 256;

// The zeros a file's text is read with behind it, so that its last line ends in
// a NUL.
constexpr std::uint32_t text_margin = 256;

// "[", the section name and "]" in a 256-byte text; false when the name has
// more than 253 characters.
bool make_section_header(const char* section, char (&header)[line_capacity]);

// The text is read as GetFileOneLine reads it from a buffer of textLength
// bytes: it ends at its first NUL or after textLength bytes.

// The value of the first key line of the section whose key part matches key,
// copied into buffer (cleared by the caller), cut to bufferSize - 1 characters.
// Result: the characters copied; 0 when the key is missing, has no "=" or an
// empty value.
std::uint32_t find_value(const char* text, std::uint32_t textLength, const char* header,
                         const char* key, char* buffer, std::uint32_t bufferSize);

// The key parts of the section's key lines, each followed by a NUL, into buffer
// (cleared by the caller). A list that does not fit is cut so that the buffer's
// last byte stays NUL. Result: the length of the list as kept without its final
// NUL; 0 when the section has no key lines.
std::uint32_t list_keys(const char* text, std::uint32_t textLength, const char* header,
                        char* buffer, std::uint32_t bufferSize);

// The file text rebuilt with key set to newLine in the first section whose
// header line equals header: matching key lines replaced where they stand, or
// newLine put first in the section. Output must be empty; it grows as needed.
// False when scratch memory ran out.
bool rebuild(const char* text, std::uint32_t textLength, const char* header, const char* key,
             const char* newLine, text_builder& output);

}  // namespace hostutil::profile
