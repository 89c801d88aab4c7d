// Private-profile values on POSIX, by the rules of the Windows reader: lines
// end at CR or LF; blanks around names and values do not count; a "[" line
// with a "]" opens a section; section and key names compare without regard to
// case; the first matching section and its first matching key win; a line
// without "=" has no value; one pair of matching quotes round a value goes.
#include "os/private_profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "os/posix/language_names.h"

namespace hostutil::os {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

// The whole file; false when it cannot be read.
bool read_whole(const char* path, std::string& text) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = false;
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    try {
      text.resize(static_cast<std::size_t>(st.st_size));
      std::size_t done = 0;
      ok = true;
      while (done < text.size()) {
        const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
      }
      text.resize(done);
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  ::close(fd);
  return ok;
}

// Looks key up in section; false when it is missing or has no value.
bool find_value(std::string_view text, std::string_view section, std::string_view key,
                std::string_view& value) {
  // A UTF-8 byte-order mark is no part of the first line.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  enum class place { before, inside, after } where = place::before;
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    std::string_view line = trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty()) continue;
    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        if (where == place::inside) return false;  // the first matching section ends
        if (where == place::before && same_folded(trimmed(line.substr(1, close - 1)), section)) {
          where = place::inside;
        }
        continue;
      }
    }
    if (where != place::inside) continue;
    const std::size_t equals = line.find('=');
    const std::string_view name = trimmed(line.substr(0, equals));
    if (!same_folded(name, key)) continue;
    if (equals == std::string_view::npos) return false;
    value = trimmed(line.substr(equals + 1));
    return true;
  }
  return false;
}

}  // namespace

std::uint32_t private_profile_string(const char* section, const char* key, const char* default_text,
                                     char* buffer, std::uint32_t size, const char* path) {
  if (buffer == nullptr || size == 0) return 0;
  const std::string_view section_name = trimmed(section != nullptr ? section : "");
  const std::string_view key_name = trimmed(key != nullptr ? key : "");
  std::string text;
  std::string_view value;
  // No section or key has an empty name.
  const bool found = !section_name.empty() && !key_name.empty() && path != nullptr &&
                     read_whole(path, text) && find_value(text, section_name, key_name, value);
  if (!found) {
    value = default_text != nullptr ? default_text : "";
    // Only spaces leave the end of a default.
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  }
  // A NUL byte inside a line ends the value there, as it ends any C text.
  value = value.substr(0, value.find('\0'));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  const std::size_t n = value.size() < size - 1 ? value.size() : size - 1;
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return static_cast<std::uint32_t>(n);
}

}  // namespace hostutil::os
