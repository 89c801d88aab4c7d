// Equality tests and in-place case conversion of ANSI strings. Only the ASCII
// letters fold; every other byte, lead and trail bytes included, is itself.
#include <cstddef>

#include "hostutil.h"

namespace {

inline bool is_upper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
inline bool is_lower(unsigned char c) { return c >= 'a' && c <= 'z'; }

// True when a and b are the same byte or the two cases of one letter.
inline bool same_letter(unsigned char a, unsigned char b) {
  if (a == b) return true;
  if (is_upper(a)) return a + 0x20 == b;
  if (is_lower(a)) return a - 0x20 == b;
  return false;
}

// The case-blind walk shared by the three case-blind tests; limit is the
// bound in bytes (SIZE_MAX for whole strings).
uint32_t equal_ignoring_case(const char* first, const char* second, std::size_t limit) {
  const auto* a = reinterpret_cast<const unsigned char*>(first);
  const auto* b = reinterpret_cast<const unsigned char*>(second);
  for (std::size_t i = 0; i < limit; ++i) {
    if (a[i] == b[i]) {
      if (a[i] == '\0') return 1;
      continue;
    }
    if (!same_letter(a[i], b[i])) return 0;
  }
  return 1;
}

// 1 or 0 when the null rules decide the answer, -1 when both strings exist.
int null_rule(const char* first, const char* second) {
  if (first == nullptr && second == nullptr) return 1;
  if (first == nullptr || second == nullptr) return 0;
  return -1;
}

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareCase(const char* first, const char* second) {
  if (int r = null_rule(first, second); r >= 0) return static_cast<uint32_t>(r);
  const auto* a = reinterpret_cast<const unsigned char*>(first);
  const auto* b = reinterpret_cast<const unsigned char*>(second);
  for (std::size_t i = 0;; ++i) {
    if (a[i] != b[i]) return 0;
    if (a[i] == '\0') return 1;
  }
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareCaseN(const char* first, const char* second,
                                                 uint32_t count) {
  if (count == 0) return 1;
  if (int r = null_rule(first, second); r >= 0) return static_cast<uint32_t>(r);
  return equal_ignoring_case(first, second, count);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareNoCase(const char* first, const char* second) {
  if (int r = null_rule(first, second); r >= 0) return static_cast<uint32_t>(r);
  return equal_ignoring_case(first, second, static_cast<std::size_t>(-1));
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareNoCaseN(const char* first, const char* second,
                                                   uint32_t count) {
  if (count == 0) return 1;
  if (int r = null_rule(first, second); r >= 0) return static_cast<uint32_t>(r);
  return equal_ignoring_case(first, second, count);
}

HOSTUTIL_API void HOSTUTIL_CALL MakeLower(char* text, uint32_t count) {
  if (text == nullptr || text[0] == '\0' || count == 0) return;
  // Every byte up to count, past the string's NUL too.
  for (uint32_t i = 0; i < count; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (is_upper(c)) text[i] = static_cast<char>(c + 0x20);
  }
}

HOSTUTIL_API void HOSTUTIL_CALL MakeUpper(char* text, uint32_t count) {
  if (text == nullptr || text[0] == '\0' || count == 0) return;
  for (uint32_t i = 0; i < count; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (is_lower(c)) text[i] = static_cast<char>(c - 0x20);
  }
}

}  // extern "C"
