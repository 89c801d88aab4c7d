// One CSV item made and taken apart. The rules for quotes and for items that do
// not fit differ between the variants and are kept exactly, since files and
// lines made by one program of the family are read by another.
#include "csv/csv_item.h"

#include <cstring>

namespace hostutil::csv {
namespace {

constexpr char quote = '"';

// Copies n bytes, or as many as leave the buffer's last byte for the NUL.
void copy_cut(char* buffer, std::uint32_t bufferSize, const char* from, std::size_t n) {
  if (n > bufferSize - 1) n = bufferSize - 1;
  std::memcpy(buffer, from, n);
}

}  // namespace

bool needs_quotes(const char* item, const char* separator, bool doubleQuotes) {
  if (std::strstr(item, separator) != nullptr) return true;
  return doubleQuotes && std::strchr(item, quote) != nullptr;
}

bool build_quoted(const char* item, bool doubleQuotes, char* scratch, std::uint32_t limit,
                  std::uint32_t& length) {
  length = 0;
  auto add = [&](const char* from, std::size_t n) {
    if (n > limit - length) return false;
    std::memcpy(scratch + length, from, n);
    length += static_cast<std::uint32_t>(n);
    return true;
  };
  const char quotes[2] = {quote, quote};
  if (!add(quotes, 1)) return false;
  const char* piece = item;
  if (doubleQuotes) {
    for (const char* q; (q = std::strchr(piece, quote)) != nullptr; piece = q + 1) {
      if (!add(piece, static_cast<std::size_t>(q - piece)) || !add(quotes, 2)) return false;
    }
  }
  return add(piece, std::strlen(piece)) && add(quotes, 1);
}

const char* take_quoted(const char* line, char* buffer, std::uint32_t bufferSize, char* scratch) {
  const std::uint32_t limit = bufferSize - 1;
  std::uint32_t length = 0;
  bool fits = true;
  // Building stops once the item is too long; the walk goes on for the answer.
  auto add = [&](const char* from, std::size_t n) {
    if (!fits) return;
    if (n > limit - length) {
      fits = false;
      return;
    }
    std::memcpy(scratch + length, from, n);
    length += static_cast<std::uint32_t>(n);
  };
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
  if (fits) std::memcpy(buffer, scratch, length);
  return next;
}

const char* take_plain(const char* line, const char* separator, char* buffer,
                       std::uint32_t bufferSize) {
  const char* at = std::strstr(line, separator);
  if (at != nullptr) {
    const std::size_t n = static_cast<std::size_t>(at - line);
    if (n < bufferSize) std::memcpy(buffer, line, n);
    return at + 1;
  }
  copy_cut(buffer, bufferSize, line, std::strlen(line));
  return nullptr;
}

const char* take_kept_quotes(const char* line, const char* separator, char* buffer,
                             std::uint32_t bufferSize) {
  char end_mark[end_mark_capacity] = {quote};
  std::memcpy(end_mark + 1, separator, std::strlen(separator));
  const char* text = line;
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
    text = rest;  // no closing quote: read on as an unquoted item
  }
  if (const char* at = std::strstr(text, separator); at != nullptr) {
    copy_cut(buffer, bufferSize, text, static_cast<std::size_t>(at - text));
    return at + 1;
  }
  copy_cut(buffer, bufferSize, text, std::strlen(text));
  return nullptr;
}

}  // namespace hostutil::csv
