// The reader's and the writer's walks over a profile text. Both see the lines
// that GetFileOneLine would give for line numbers 1, 2, 3, ..., but take them
// in one pass, so a lookup or a rewrite costs time linear in the file's size.
#include "profile/profile_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "file/line_iterator.h"
#include "hostutil.h"

namespace hostutil::profile {
namespace {

using line_text = std::string_view;

// Walks the lines as the 256-byte line buffer of GetFileOneLine holds them.
class profile_lines {
 public:
  profile_lines(const char* text, std::uint32_t textLength) : lines_(text, textLength) {}

  bool next(line_text& line) {
    file::line_view view{};
    if (!lines_.next(view)) return false;
    // The last line may run on into the NULs behind the text.
    const line_text held(view.data, std::min(view.length, line_capacity - 1));
    line = held.substr(0, held.find('\0'));
    return true;
  }

 private:
  file::line_iterator lines_;
};

// True when a is n bytes long and equal to b over them, the ASCII letters folded
// to one case; neither side holds a NUL within them. A key is thus compared over
// the longer of the two lengths: Port matches PORT, not Ports.
bool same_ignoring_case(const line_text& a, const char* b, std::size_t n) {
  return a.size() == n && CompareNoCaseN(a.data(), b, static_cast<std::uint32_t>(n)) != 0;
}

// The text before the first "=", or the whole line when it has none.
line_text key_part(const line_text& line) { return line.substr(0, line.find('=')); }

bool is_comment(const line_text& line) { return line.starts_with("//"); }

// Calls visit(line) for each key line of the section, in file order, until it
// answers false.
template <typename Visit>
void walk_section(const char* text, std::uint32_t textLength, const char* header, Visit visit) {
  const std::size_t header_length = std::strlen(header);
  profile_lines lines(text, textLength);
  line_text line{};
  bool in_section = false;
  while (lines.next(line)) {
    if (line.empty() || is_comment(line)) continue;
    if (line.starts_with('[')) {
      // The reader opens a section on a line that begins with the header text.
      in_section = same_ignoring_case(line.substr(0, header_length), header, header_length);
      continue;
    }
    if (in_section && !visit(line)) return;
  }
}

}  // namespace

bool make_section_header(const char* section, char (&header)[line_capacity]) {
  const int n = std::snprintf(header, sizeof header, "[%s]", section);
  return n >= 0 && static_cast<std::size_t>(n) < sizeof header;
}

std::uint32_t find_value(const char* text, std::uint32_t textLength, const char* header,
                         const char* key, char* buffer, std::uint32_t bufferSize) {
  const std::size_t key_length = std::strlen(key);
  std::uint32_t count = 0;
  walk_section(text, textLength, header, [&](const line_text& line) {
    const line_text part = key_part(line);
    if (!same_ignoring_case(part, key, key_length)) return true;
    // The first matching line ends the search, with a value or without.
    if (part.size() < line.size()) {
      const auto value_length = static_cast<std::uint32_t>(line.size() - part.size() - 1);
      count = std::min(value_length, bufferSize - 1);
      std::memcpy(buffer, line.data() + part.size() + 1, count);
    }
    return false;
  });
  return count;
}

std::uint32_t list_keys(const char* text, std::uint32_t textLength, const char* header,
                        char* buffer, std::uint32_t bufferSize) {
  std::uint64_t written = 0;
  walk_section(text, textLength, header, [&](const line_text& line) {
    const line_text part = key_part(line);
    // A list that fits to its last NUL is whole; otherwise the last byte of
    // the buffer stays the NUL that ends what was kept.
    if (written + part.size() + 1 <= bufferSize) {
      std::memcpy(buffer + written, part.data(), part.size());
      buffer[written + part.size()] = '\0';
      written += part.size() + 1;
      return true;
    }
    if (written < bufferSize - 1u) {
      const std::uint64_t room = bufferSize - 1u - written;
      std::memcpy(buffer + written, part.data(), room);
      written += room;
      buffer[written] = '\0';
    }
    return false;
  });
  if (written == 0) return 0;
  if (buffer[written - 1] == '\0') --written;
  return static_cast<std::uint32_t>(written);
}

bool rebuild(const char* text, std::uint32_t textLength, const char* header, const char* key,
             const char* newLine, text_builder& output) {
  const std::size_t header_length = std::strlen(header);
  const std::size_t key_length = std::strlen(key);
  const std::size_t new_length = std::strlen(newLine);
  profile_lines lines(text, textLength);
  line_text line{};
  bool have_line = lines.next(line);
  bool line_end_pending = true;
  bool done = false;
  while (have_line) {
    if (!output.empty() && line_end_pending && !output.append_line_end()) return false;
    line_end_pending = true;
    if (!output.append(line.data(), line.size())) return false;
    // The writer opens it only on a line that is the header text and nothing more.
    if (done || line.empty() || !same_ignoring_case(line, header, header_length)) {
      have_line = lines.next(line);
      continue;
    }
    // The section, the first time its header is met: the header as the file
    // has it, then its body with every matching key line replaced.
    line_end_pending = false;
    text_builder body;
    if (!body.reserve(textLength)) return false;
    while ((have_line = lines.next(line))) {
      if (!body.empty() && !body.append_line_end()) return false;
      if (same_ignoring_case(key_part(line), key, key_length)) {
        if (!body.append(newLine, new_length)) return false;
        done = true;
        continue;
      }
      if (line.starts_with('[')) break;  // left to the main walk
      if (!body.append(line.data(), line.size())) return false;
    }
    if (!done) {
      // A new key goes first in its section.
      if (!output.append_line_end() || !output.append(newLine, new_length)) return false;
      done = true;
    }
    // The body is split into lines again, which drops its trailing line end.
    profile_lines body_lines(body.data(), body.size());
    line_text body_line{};
    while (body_lines.next(body_line)) {
      if (!output.append_line_end() || !output.append(body_line.data(), body_line.size())) {
        return false;
      }
    }
    if (!output.append_line_end()) return false;
  }
  return true;
}

}  // namespace hostutil::profile
