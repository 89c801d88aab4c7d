// The library's own exact UTF-8 / UTF-16 codec, for systems whose C library has
// no conversion with Windows' results: ill-formed UTF-8 and lone surrogates
// become U+FFFD, one for each maximal ill-formed subpart, as Windows gives them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hostutil.h"

namespace hostutil::os {

// The result of a conversion whose output cannot hold the whole text.
inline constexpr std::size_t utf_overflow = SIZE_MAX;

// UTF-8 bytes into UTF-16 code units, at most capacity of them; a character that
// does not fit whole is not begun. With a null output the units are only counted.
// The units written (or needed), or utf_overflow.
std::size_t utf8_to_utf16(const char* text, std::size_t length, hu_wchar* out,
                          std::size_t capacity);

// UTF-16 code units into UTF-8 bytes, at most capacity of them; otherwise as above.
std::size_t utf16_to_utf8(const hu_wchar* text, std::size_t length, char* out,
                          std::size_t capacity);

}  // namespace hostutil::os
