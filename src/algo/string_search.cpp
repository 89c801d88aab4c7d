// memstr, strrstr and strnostr. Lengths are measured once; first-match
// candidates come from memchr with a second-byte check, and the last match is
// sought from the end with a Horspool skip table on the stack (no allocation).
#include <cstddef>
#include <cstring>

#include "frame/text.h"
#include "hostutil.h"

namespace {

using hostutil::empty;

inline unsigned char fold(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 0x20) : c;
}

// The last place where k occurs in h: Horspool's skip run from the end, each
// shift taken from the first byte under the needle.
const char* last_match(const char* h, std::size_t n, const char* k, std::size_t m) {
  if (m > n) return nullptr;
  std::size_t shift[256];
  for (auto& s : shift) s = m;
  for (std::size_t i = m - 1; i >= 1; --i) shift[static_cast<unsigned char>(k[i])] = i;
  for (std::size_t s = n - m;;) {
    if (h[s] == k[0] && std::memcmp(h + s + 1, k + 1, m - 1) == 0) return h + s;
    const std::size_t d = shift[static_cast<unsigned char>(h[s])];
    if (d > s) return nullptr;
    s -= d;
  }
}

}  // namespace

extern "C" {

HOSTUTIL_API char* HOSTUTIL_CALL memstr(const char* haystack, const char* needle, uint32_t window) {
  if (empty(haystack) || empty(needle)) return nullptr;
  const std::size_t m = std::strlen(needle);
  const char* const end = haystack + std::strlen(haystack);
  const char* position = haystack;
  // Every candidate restarts the window: the scan from each position may look
  // at most window bytes ahead, and never past the text's end.
  while (position < end) {
    const std::size_t rest = static_cast<std::size_t>(end - position);
    const auto* found =
        static_cast<const char*>(std::memchr(position, needle[0], window < rest ? window : rest));
    if (found == nullptr) return nullptr;
    if (static_cast<std::size_t>(end - found) < m) return nullptr;
    if ((m == 1 || found[1] == needle[1]) && std::memcmp(found, needle, m) == 0) {
      return const_cast<char*>(found);
    }
    position = found + 1;
  }
  return nullptr;
}

HOSTUTIL_API char* HOSTUTIL_CALL strrstr(const char* haystack, const char* needle) {
  // An empty needle would match everywhere; like its sisters, it finds nothing.
  if (haystack == nullptr || empty(needle)) return nullptr;
  return const_cast<char*>(
      last_match(haystack, std::strlen(haystack), needle, std::strlen(needle)));
}

HOSTUTIL_API char* HOSTUTIL_CALL strnostr(const char* haystack, const char* needle) {
  if (empty(haystack) || empty(needle)) return nullptr;
  const std::size_t n = std::strlen(haystack);
  const std::size_t m = std::strlen(needle);
  if (m > n) return nullptr;
  const auto* k = reinterpret_cast<const unsigned char*>(needle);
  const unsigned char lower = fold(k[0]);
  const unsigned char upper =
      (lower >= 'a' && lower <= 'z') ? static_cast<unsigned char>(lower - 0x20) : lower;
  // Candidates are the first letter in either case, each found with memchr; the
  // nearer one is tried, and only the form it was is searched for again.
  const char* const last = haystack + (n - m) + 1;  // a match cannot start at or behind it
  auto next = [last](const char* from, unsigned char c) {
    return static_cast<const char*>(std::memchr(from, c, static_cast<std::size_t>(last - from)));
  };
  const char* at_lower = next(haystack, lower);
  const char* at_upper = upper != lower ? next(haystack, upper) : nullptr;
  while (at_lower != nullptr || at_upper != nullptr) {
    const bool take_lower = at_upper == nullptr || (at_lower != nullptr && at_lower < at_upper);
    const char* candidate = take_lower ? at_lower : at_upper;
    const auto* c = reinterpret_cast<const unsigned char*>(candidate);
    std::size_t j = 1;
    while (j < m && fold(c[j]) == fold(k[j])) ++j;
    if (j == m) return const_cast<char*>(candidate);
    if (take_lower) {
      at_lower = next(candidate + 1, lower);
    } else {
      at_upper = next(candidate + 1, upper);
    }
  }
  return nullptr;
}

}  // extern "C"
