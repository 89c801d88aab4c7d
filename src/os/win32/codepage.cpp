// Code-page conversions on Windows: the system's own MultiByteToWideChar and
// WideCharToMultiByte with flags 0 and no default character, so that every
// replacement is the system's; work blocks are zero-initialised global memory.
#include "os/codepage.h"

#include <windows.h>

#include <climits>
#include <cstdio>

namespace hostutil::os {
namespace {

UINT system_code_page(code_page page) { return page == code_page::utf8 ? CP_UTF8 : CP_ACP; }

// The system takes signed counts; a capacity beyond them is never needed in full.
int clamp_count(std::uint32_t n) { return n > INT_MAX ? INT_MAX : static_cast<int>(n); }

// The counts the system takes; otherwise the system's error for a bad parameter.
// A room of 0 would ask the system for the size instead of converting.
bool usable(std::uint32_t length, std::uint32_t room) {
  if (length != 0 && length <= INT_MAX && room != 0) return true;
  SetLastError(ERROR_INVALID_PARAMETER);
  return false;
}

}  // namespace

std::uint32_t to_utf16(code_page from, const char* text, std::uint32_t length, hu_wchar* out,
                       std::uint32_t capacity) {
  if (!usable(length, capacity)) return 0;
  // A system may write as much as fits, half of a surrogate pair included, and
  // count that as done: a text that does not fit whole is refused before any
  // unit is written.
  const UINT page = system_code_page(from);
  const int needed = MultiByteToWideChar(page, 0, text, static_cast<int>(length), nullptr, 0);
  if (needed <= 0) return 0;
  if (static_cast<std::uint32_t>(needed) > capacity) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  const int n = MultiByteToWideChar(page, 0, text, static_cast<int>(length), out, needed);
  return n > 0 ? static_cast<std::uint32_t>(n) : 0;
}

std::uint32_t from_utf16(code_page to, const hu_wchar* text, std::uint32_t length, char* out,
                         std::uint32_t size) {
  if (!usable(length, size)) return 0;
  const int n = WideCharToMultiByte(system_code_page(to), 0, text, static_cast<int>(length), out,
                                    clamp_count(size), nullptr, nullptr);
  return n > 0 ? static_cast<std::uint32_t>(n) : 0;
}

const char* ansi_charset() {
  static const struct named {
    char text[16];
    named() { std::snprintf(text, sizeof text, "CP%u", GetACP()); }
  } name;
  return name.text;
}

void* zeroed_block(std::size_t bytes) { return GlobalAlloc(GMEM_ZEROINIT, bytes); }

void free_zeroed_block(void* block) {
  if (block != nullptr) GlobalFree(block);
}

}  // namespace hostutil::os
