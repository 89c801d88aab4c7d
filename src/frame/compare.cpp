// Equality tests and in-place case conversion of ANSI strings. Only the ASCII
// letters fold; every other byte, lead and trail bytes included, is itself.
#include <cstddef>
#include <cstring>

#include "hostutil.h"

namespace {

inline bool is_upper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
inline bool is_lower(unsigned char c) { return c >= 'a' && c <= 'z'; }

// True when a and b are the same byte or the two cases of one letter.
inline bool same_letter(unsigned char a, unsigned char b) {
  return a == b || (is_upper(a) && a + 0x20 == b) || (is_lower(a) && a - 0x20 == b);
}

// The three case-blind tests: the null rules, then the walk; limit is the
// bound in bytes (SIZE_MAX for whole strings).
uint32_t equal_ignoring_case(const char* first, const char* second, std::size_t limit) {
  if (first == nullptr || second == nullptr) return first == second ? 1 : 0;
  const auto* a = reinterpret_cast<const unsigned char*>(first);
  const auto* b = reinterpret_cast<const unsigned char*>(second);
  for (std::size_t i = 0; i < limit; ++i) {
    if (!same_letter(a[i], b[i])) return 0;
    if (a[i] == '\0') return 1;  // the NUL is no letter: both strings end here
  }
  return 1;
}

// The case conversions: every byte up to count, past the string's NUL too, that
// is a letter of the one case moves by shift to the other.
void shift_letters(char* text, uint32_t count, bool (*of_case)(unsigned char), int shift) {
  if (text == nullptr || text[0] == '\0' || count == 0) return;
  for (uint32_t i = 0; i < count; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (of_case(c)) text[i] = static_cast<char>(c + shift);
  }
}

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareCase(const char* first, const char* second) {
  if (first == nullptr || second == nullptr) return first == second ? 1 : 0;
  return std::strcmp(first, second) == 0 ? 1 : 0;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareCaseN(const char* first, const char* second,
                                                 uint32_t count) {
  // A count of 0 is equal before the null rules are asked.
  return count == 0 ? 1 : equal_ignoring_case(first, second, count);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareNoCase(const char* first, const char* second) {
  return equal_ignoring_case(first, second, static_cast<std::size_t>(-1));
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL CompareNoCaseN(const char* first, const char* second,
                                                   uint32_t count) {
  return CompareCaseN(first, second, count);
}

HOSTUTIL_API void HOSTUTIL_CALL MakeLower(char* text, uint32_t count) {
  shift_letters(text, count, is_upper, 0x20);
}

HOSTUTIL_API void HOSTUTIL_CALL MakeUpper(char* text, uint32_t count) {
  shift_letters(text, count, is_lower, -0x20);
}

}  // extern "C"
