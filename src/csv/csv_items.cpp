// The exported CSV item functions: argument checks, the cleared output and the
// scratch in which a quoted item is built (on the stack up to 512 bytes of
// output, a registered allocation above).
#include <cstring>

#include "csv/csv_item.h"
#include "frame/text.h"
#include "heap/scratch_block.h"
#include "hostutil.h"

namespace {

namespace csv = hostutil::csv;
using hostutil::empty;
using hostutil::heap::scratch_block;

// Calls work(scratch) with scratch of at least bufferSize bytes. False when
// the scratch cannot be had.
template <typename Work>
bool with_scratch(std::uint32_t bufferSize, Work work) {
  if (bufferSize <= csv::small_scratch) {
    char small[csv::small_scratch];
    work(small);
    return true;
  }
  scratch_block block(bufferSize);
  if (!block) return false;
  work(block.get());
  return true;
}

bool is_comma(const char* separator) { return CompareCase(separator, ",") != 0; }

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItem3(const char* item, char* buffer,
                                                    uint32_t bufferSize, const char* separator,
                                                    uint32_t escapeQuotes) {
  if (item == nullptr || buffer == nullptr || bufferSize == 0 || empty(separator)) return 0;
  std::memset(buffer, 0, bufferSize);
  const bool doubled = escapeQuotes != 0;
  if (!csv::needs_quotes(item, separator, doubled)) {
    const std::size_t n = std::strlen(item);
    if (n >= bufferSize) return 0;
    std::memcpy(buffer, item, n);
    return 1;
  }
  bool fits = false;
  const bool had_scratch = with_scratch(bufferSize, [&](char* scratch) {
    std::uint32_t length = 0;
    fits = csv::build_quoted(item, doubled, scratch, bufferSize - 1, length);
    if (fits) std::memcpy(buffer, scratch, length);
  });
  return had_scratch && fits ? 1 : 0;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItem(const char* item, char* buffer,
                                                   uint32_t bufferSize) {
  return MakeCSVOneItem3(item, buffer, bufferSize, ",", 1);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItem2(const char* item, char* buffer,
                                                    uint32_t bufferSize, const char* separator) {
  return MakeCSVOneItem3(item, buffer, bufferSize, separator, 0);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItemEx(const char* item, char* buffer,
                                                     uint32_t bufferSize, const char* separator) {
  // A missing separator is no comma, and is refused with the other arguments there.
  if (is_comma(separator)) return MakeCSVOneItem(item, buffer, bufferSize);
  return MakeCSVOneItem2(item, buffer, bufferSize, separator);
}

HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItem(const char* line, char* buffer,
                                               uint32_t bufferSize) {
  return GetCSVOneItem3(line, buffer, bufferSize, ",");
}

HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItem3(const char* line, char* buffer, uint32_t bufferSize,
                                                const char* separator) {
  // An empty separator would be found everywhere, and lead the walk past the
  // line's end.
  if (line == nullptr || buffer == nullptr || bufferSize == 0 || empty(separator)) return nullptr;
  std::memset(buffer, 0, bufferSize);
  if (line[0] != '"') {
    return const_cast<char*>(csv::take_plain(line, separator, buffer, bufferSize));
  }
  const char* next = nullptr;
  with_scratch(bufferSize,
               [&](char* scratch) { next = csv::take_quoted(line, buffer, bufferSize, scratch); });
  return const_cast<char*>(next);
}

HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItem2(const char* line, char* buffer, uint32_t bufferSize,
                                                const char* separator) {
  if (line == nullptr || buffer == nullptr || bufferSize == 0 || empty(separator) ||
      std::strlen(separator) > csv::end_mark_capacity - 2) {
    return nullptr;
  }
  std::memset(buffer, 0, bufferSize);
  return const_cast<char*>(csv::take_kept_quotes(line, separator, buffer, bufferSize));
}

HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItemEx(const char* line, char* buffer,
                                                 uint32_t bufferSize, const char* separator) {
  // A missing separator is no comma, and is refused with the other arguments there.
  if (is_comma(separator)) return GetCSVOneItem(line, buffer, bufferSize);
  return GetCSVOneItem2(line, buffer, bufferSize, separator);
}

}  // extern "C"
