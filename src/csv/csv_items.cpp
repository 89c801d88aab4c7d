// One CSV item made and taken apart, and the exported functions around it:
// argument checks, the cleared output and the scratch in which a quoted item is
// built (on the stack up to 512 bytes of output, a registered allocation above).
// The rules for quotes and for items that do not fit differ between the
// variants and are kept exactly, since files and lines made by one program of
// the family are read by another.
#include <cstring>

#include "frame/text.h"
#include "heap/scratch_block.h"
#include "hostutil.h"

namespace {

using hostutil::clear_output;
using hostutil::empty;
using hostutil::heap::scratch_block;

constexpr char quote = '"';

// Up to this output size a quoted item is built on the stack; above it, in a
// registered allocation as large as the output.
constexpr std::uint32_t small_scratch = 512;

// The longest separator GetCSVOneItem2 takes: its end mark, a quote and the
// separator, is built in 256 bytes.
constexpr std::uint32_t end_mark_capacity = 256;

// Copies n bytes, or as many as leave the buffer's last byte for the NUL.
void copy_cut(char* buffer, std::uint32_t bufferSize, const char* from, std::size_t n) {
  if (n > bufferSize - 1) n = bufferSize - 1;
  std::memcpy(buffer, from, n);
}

// An item is quoted when it holds the separator (non-empty), or a quote when
// quotes are to be doubled.
bool needs_quotes(const char* item, const char* separator, bool doubleQuotes) {
  if (std::strstr(item, separator) != nullptr) return true;
  return doubleQuotes && std::strchr(item, quote) != nullptr;
}

// The scratch in which a quoted item is built, at most limit characters, no NUL.
struct item_scratch {
  char* text;
  std::uint32_t limit;
  std::uint32_t length = 0;

  // Appends n bytes; false, and nothing added, when they would pass the limit.
  bool add(const char* from, std::size_t n) {
    if (n > limit - length) return false;
    std::memcpy(text + length, from, n);
    length += static_cast<std::uint32_t>(n);
    return true;
  }
};

// The quoted form of item, its quotes doubled when asked: false as soon as it
// grows past the scratch's limit.
bool build_quoted(const char* item, bool doubleQuotes, item_scratch& out) {
  const char quotes[2] = {quote, quote};
  if (!out.add(quotes, 1)) return false;
  const char* piece = item;
  if (doubleQuotes) {
    for (const char* q; (q = std::strchr(piece, quote)) != nullptr; piece = q + 1) {
      if (!out.add(piece, static_cast<std::size_t>(q - piece)) || !out.add(quotes, 2)) return false;
    }
  }
  return out.add(piece, std::strlen(piece)) && out.add(quotes, 1);
}

// The decoders write into buffer, which the caller has cleared, and answer
// where the next item begins inside line, or null after the last item.

// An item that begins with a quote, doubled quotes read as one; built in
// scratch (bufferSize bytes at least) and copied only when it fits. Null with
// the buffer empty when it has no closing quote.
const char* take_quoted(const char* line, char* buffer, std::uint32_t bufferSize, char* scratch) {
  item_scratch item{scratch, bufferSize - 1};
  bool fits = true;
  // Building stops once the item is too long; the walk goes on for the answer.
  auto add = [&](const char* from, std::size_t n) { fits = fits && item.add(from, n); };
  const char* piece = line + 1;
  const char* next = nullptr;
  for (;;) {
    const char* q = std::strchr(piece, quote);
    if (q == nullptr) return nullptr;  // no closing quote: the line is given up
    add(piece, static_cast<std::size_t>(q - piece));
    if (q[1] == '\0') break;  // the closing quote ends the line
    if (q[1] == quote) {
      add(q, 1);
      piece = q + 2;
      continue;
    }
    // Whatever follows the closing quote is taken for the separator.
    next = q + 2;
    break;
  }
  if (fits) std::memcpy(buffer, scratch, item.length);
  return next;
}

// An item without quotes up to the separator (non-empty): cut to fit when
// cut_every_item, else not copied when too long; the last item of a line is
// always cut.
const char* take_plain(const char* line, const char* separator, char* buffer,
                       std::uint32_t bufferSize, bool cut_every_item) {
  const char* at = std::strstr(line, separator);
  if (at != nullptr) {
    const std::size_t n = static_cast<std::size_t>(at - line);
    if (cut_every_item || n < bufferSize) copy_cut(buffer, bufferSize, line, n);
    return at + 1;
  }
  copy_cut(buffer, bufferSize, line, std::strlen(line));
  return nullptr;
}

// An item as the quotes-kept variant reads it: a quoted one ends at a quote
// followed by the separator, and quotes inside stay. Every item is cut to fit.
// The separator is non-empty and shorter than end_mark_capacity - 1.
const char* take_kept_quotes(const char* line, const char* separator, char* buffer,
                             std::uint32_t bufferSize) {
  char end_mark[end_mark_capacity] = {quote};
  std::memcpy(end_mark + 1, separator, std::strlen(separator));
  if (line[0] == quote) {
    const char* rest = line + 1;
    if (const char* at = std::strstr(rest, end_mark); at != nullptr) {
      copy_cut(buffer, bufferSize, rest, static_cast<std::size_t>(at - rest));
      return at + 2;  // past the quote and one character of the separator
    }
    const std::size_t length = std::strlen(line);
    if (length >= 2 && line[length - 1] == quote) {
      copy_cut(buffer, bufferSize, rest, length - 2);
      return nullptr;
    }
    // No closing quote: read on as an unquoted item.
    return take_plain(rest, separator, buffer, bufferSize, true);
  }
  return take_plain(line, separator, buffer, bufferSize, true);
}

// Calls work(scratch) with scratch of at least bufferSize bytes. False when
// the scratch cannot be had.
template <typename Work>
bool with_scratch(std::uint32_t bufferSize, Work work) {
  if (bufferSize <= small_scratch) {
    char small[small_scratch];
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
  if (item == nullptr || empty(separator) || !clear_output(buffer, bufferSize)) return 0;
  const bool doubled = escapeQuotes != 0;
  if (!needs_quotes(item, separator, doubled)) {
    const std::size_t n = std::strlen(item);
    if (n >= bufferSize) return 0;
    std::memcpy(buffer, item, n);
    return 1;
  }
  bool fits = false;
  const bool had_scratch = with_scratch(bufferSize, [&](char* scratch) {
    item_scratch quoted{scratch, bufferSize - 1};
    fits = build_quoted(item, doubled, quoted);
    if (fits) std::memcpy(buffer, scratch, quoted.length);
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
  if (line == nullptr || empty(separator) || !clear_output(buffer, bufferSize)) return nullptr;
  if (line[0] != '"') {
    return const_cast<char*>(take_plain(line, separator, buffer, bufferSize, false));
  }
  const char* next = nullptr;
  with_scratch(bufferSize,
               [&](char* scratch) { next = take_quoted(line, buffer, bufferSize, scratch); });
  return const_cast<char*>(next);
}

HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItem2(const char* line, char* buffer, uint32_t bufferSize,
                                                const char* separator) {
  if (line == nullptr || empty(separator) || std::strlen(separator) > end_mark_capacity - 2 ||
      !clear_output(buffer, bufferSize)) {
    return nullptr;
  }
  return const_cast<char*>(take_kept_quotes(line, separator, buffer, bufferSize));
}

HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItemEx(const char* line, char* buffer,
                                                 uint32_t bufferSize, const char* separator) {
  // A missing separator is no comma, and is refused with the other arguments there.
  if (is_comma(separator)) return GetCSVOneItem(line, buffer, bufferSize);
  return GetCSVOneItem2(line, buffer, bufferSize, separator);
}

}  // extern "C"
