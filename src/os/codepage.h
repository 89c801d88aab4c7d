// Code-page conversions: 8-bit text (the process ANSI code page or UTF-8) to
// and from UTF-16, with the system's replacement rules, and the zero-filled work
// blocks of the line-by-line conversions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hostutil.h"

namespace hostutil::os {

enum class code_page {
  ansi,  // the process code page: CP_ACP on Windows, the locale's character set on POSIX
  utf8,
};

// Converts exactly length bytes (NULs included) into at most capacity code units.
// The units written; 0, with the system's error set, when length or capacity is 0,
// length is above INT32_MAX, or the result does not fit. Undecodable input becomes
// U+FFFD.
std::uint32_t to_utf16(code_page from, const char* text, std::uint32_t length, hu_wchar* out,
                       std::uint32_t capacity);

// Converts exactly length code units into at most size bytes; the bytes written, 0
// as above. Characters the code page lacks become the system's default character
// ("?"), lone surrogates of UTF-8 output U+FFFD.
std::uint32_t from_utf16(code_page to, const hu_wchar* text, std::uint32_t length, char* out,
                         std::uint32_t size);

// The character set ANSI text is taken to be in, as the system names it ("CP1252",
// "EUC-JP", "UTF-8"); fixed for the life of the process.
const char* ansi_charset();

// A zero-filled block of the system's global memory, or null; freed by
// free_zeroed_block (null is ignored).
void* zeroed_block(std::size_t bytes);
void free_zeroed_block(void* block);

}  // namespace hostutil::os
