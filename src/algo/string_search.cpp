// memstr, strrstr and strnostr: substring searches that return pointers into
// the haystack. Lengths are measured once up front, so that no step rescans
// the rest of the text, and the last match is looked for from the end.
#include <cstddef>
#include <cstring>

#include "hostutil.h"

namespace {

inline unsigned char fold(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 0x20) : c;
}

}  // namespace

extern "C" {

HOSTUTIL_API char* HOSTUTIL_CALL memstr(const char* haystack, const char* needle, uint32_t window) {
  if (haystack == nullptr || haystack[0] == '\0' || needle == nullptr || needle[0] == '\0') {
    return nullptr;
  }
  const std::size_t needle_length = std::strlen(needle);
  const char* const end = haystack + std::strlen(haystack);
  const char* position = haystack;
  // Every candidate restarts the window: the scan from each position may look
  // at most window bytes ahead, and never past the text's end.
  while (position < end) {
    const std::size_t rest = static_cast<std::size_t>(end - position);
    const std::size_t scan = window < rest ? window : rest;
    const auto* found = static_cast<const char*>(std::memchr(position, needle[0], scan));
    if (found == nullptr) return nullptr;
    if (static_cast<std::size_t>(end - found) < needle_length) return nullptr;
    if (std::memcmp(found, needle, needle_length) == 0) return const_cast<char*>(found);
    position = found + 1;
  }
  return nullptr;
}

HOSTUTIL_API char* HOSTUTIL_CALL strrstr(const char* haystack, const char* needle) {
  if (haystack == nullptr || needle == nullptr) return nullptr;
  // An empty needle would match everywhere; like its sisters, it finds nothing.
  if (needle[0] == '\0') return nullptr;
  const std::size_t n = std::strlen(haystack);
  const std::size_t m = std::strlen(needle);
  if (m > n) return nullptr;
  // The last match is the first one met walking back from the end.
  const char last = needle[m - 1];
  for (std::size_t start = n - m + 1; start-- > 0;) {
    if (haystack[start + m - 1] == last && haystack[start] == needle[0] &&
        std::memcmp(haystack + start, needle, m) == 0) {
      return const_cast<char*>(haystack + start);
    }
  }
  return nullptr;
}

HOSTUTIL_API char* HOSTUTIL_CALL strnostr(const char* haystack, const char* needle) {
  if (haystack == nullptr || haystack[0] == '\0' || needle == nullptr || needle[0] == '\0') {
    return nullptr;
  }
  const std::size_t n = std::strlen(haystack);
  const std::size_t m = std::strlen(needle);
  if (m > n) return nullptr;
  const auto* h = reinterpret_cast<const unsigned char*>(haystack);
  const auto* k = reinterpret_cast<const unsigned char*>(needle);
  const unsigned char first = fold(k[0]);
  // A match cannot start where fewer than m characters remain.
  for (std::size_t i = 0; i + m <= n; ++i) {
    if (fold(h[i]) != first) continue;
    std::size_t j = 1;
    while (j < m && fold(h[i + j]) == fold(k[j])) ++j;
    if (j == m) return const_cast<char*>(haystack + i);
  }
  return nullptr;
}

}  // extern "C"
