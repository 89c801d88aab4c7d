// The profile walks against a literal walk by line number with GetFileOneLine,
// on any text: the same results byte for byte, and no byte read or written
// outside exact-size buffers (the text, the caller's buffer, every block).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hostutil.h"
#include "profile/profile_text.h"

namespace {

namespace profile = hostutil::profile;

void check(bool ok) {
  if (!ok) std::abort();
}

std::vector<std::string> lines_by_number(const char* text, std::uint32_t length) {
  std::vector<std::string> lines;
  char line[profile::line_capacity];
  for (std::uint32_t n = 1; GetFileOneLine(text, length, n, line, sizeof line) != 0; ++n) {
    lines.emplace_back(line);
  }
  return lines;
}

bool same_ignoring_case(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         CompareNoCaseN(a.c_str(), b.c_str(), static_cast<uint32_t>(a.size())) != 0;
}

std::string key_part(const std::string& line) { return line.substr(0, line.find('=')); }

// The reader's lookup and list, literally, over the lines by number.
std::string reference_read(const std::vector<std::string>& lines, const std::string& header,
                           const char* key, std::uint32_t& count) {
  std::string out;
  count = 0;
  bool in_section = false;
  for (const std::string& line : lines) {
    if (line.empty() || line.rfind("//", 0) == 0) continue;
    if (line[0] == '[') {
      in_section =
          line.size() >= header.size() && same_ignoring_case(line.substr(0, header.size()), header);
      continue;
    }
    if (!in_section) continue;
    if (key == nullptr) {
      out += key_part(line);
      out += '\0';
      continue;
    }
    if (!same_ignoring_case(key_part(line), key)) continue;
    const size_t equals = line.find('=');
    if (equals != std::string::npos) out = line.substr(equals + 1);
    break;
  }
  count = static_cast<std::uint32_t>(out.size());
  if (key == nullptr && count != 0) --count;
  return out;
}

// The writer's rebuild, literally: a main walk, a body walk, the body split again.
std::string reference_rebuild(const std::vector<std::string>& lines, const std::string& header,
                              const std::string& key, const std::string& new_line) {
  std::string out;
  bool pending = true;
  bool done = false;
  size_t i = 0;
  while (i < lines.size()) {
    const std::string& line = lines[i];
    if (!out.empty() && pending) out += "\r\n";
    pending = true;
    if (done || line.empty() || !same_ignoring_case(line, header)) {
      out += line;
      ++i;
      continue;
    }
    pending = false;
    out += line;
    std::string body;
    for (++i; i < lines.size(); ++i) {
      if (!body.empty()) body += "\r\n";
      if (same_ignoring_case(key_part(lines[i]), key)) {
        body += new_line;
        done = true;
        continue;
      }
      if (lines[i][0] == '[') break;
      body += lines[i];
    }
    if (!done) {
      out += "\r\n" + new_line;
      done = true;
    }
    for (const std::string& b : lines_by_number(body.c_str(), static_cast<uint32_t>(body.size()))) {
      out += "\r\n" + b;
    }
    out += "\r\n";
  }
  return out;
}

// The first bytes choose the buffer size and cut names out of the input.
struct input {
  const uint8_t* data;
  size_t size;
  uint8_t byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
  std::string text(size_t most) {
    const size_t n = byte() % (most + 1);
    const size_t take = n < size ? n : size;
    std::string s(reinterpret_cast<const char*>(data), take);
    data += take;
    size -= take;
    return s.substr(0, s.find('\0'));
  }
};

}  // namespace

// The rebuilt text grows in registered blocks, which need the semaphore table.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SemaphoreControlBegin();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  input in{data, size};
  const std::uint32_t buffer_size = 1 + in.byte() % 64;
  std::string section = in.text(12);
  std::string key = in.text(12);
  const std::string value = in.text(40);
  const uint8_t mode = in.byte();
  const bool margin = (mode & 1) != 0;
  std::string file(reinterpret_cast<const char*>(in.data), in.size);
  // Often take the names from the text itself, so that sections and keys match.
  if ((mode & 2) != 0) {
    const size_t open = file.find('[');
    const size_t close = file.find(']', open);
    if (close != std::string::npos && close > open + 1)
      section = file.substr(open + 1, close - open - 1);
    const size_t line = file.find('\n', close);
    if (line != std::string::npos)
      key = file.substr(line + 1, file.find_first_of("=\r", line + 1) - line - 1);
  }
  section = section.substr(0, section.find('\0')).substr(0, 253);
  key = key.substr(0, key.find('\0')).substr(0, 200);
  if (section.empty() || key.empty() || file.empty()) return 0;

  // The text as the reader holds it (256 zeros behind), or exactly as large as
  // the input with no NUL after it.
  const std::uint32_t length = static_cast<std::uint32_t>(file.size()) + (margin ? 256 : 0);
  std::vector<char> text(length, '\0');
  std::memcpy(text.data(), file.data(), file.size());

  char header[profile::line_capacity];
  check(profile::make_section_header(section.c_str(), header));
  const std::vector<std::string> lines = lines_by_number(text.data(), length);

  for (const char* k : {key.c_str(), static_cast<const char*>(nullptr)}) {
    std::vector<char> buffer(buffer_size, '\0');
    const std::uint32_t count =
        k != nullptr
            ? profile::find_value(text.data(), length, header, k, buffer.data(), buffer_size)
            : profile::list_keys(text.data(), length, header, buffer.data(), buffer_size);
    std::uint32_t whole = 0;
    const std::string expected = reference_read(lines, header, k, whole);
    check(buffer[buffer_size - 1] == '\0');
    if (k != nullptr) {
      // A value that does not fit is cut to the buffer.
      check(count == (whole < buffer_size ? whole : buffer_size - 1));
      check(std::memcmp(buffer.data(), expected.data(), count) == 0);
      check(std::strlen(buffer.data()) == count);
    } else if (expected.size() <= buffer_size) {
      check(count == whole);
      check(std::memcmp(buffer.data(), expected.data(), expected.size()) == 0);
    } else {
      check(count <= buffer_size - 1);
      check(std::memcmp(buffer.data(), expected.data(), buffer_size - 1) == 0);
    }
  }

  const std::string new_line = key + "=" + value;
  profile::text_builder output;
  profile::text_builder body;
  check(output.reserve(1));
  check(profile::rebuild(text.data(), length, header, key.c_str(), new_line.c_str(), output, body));
  check(std::string(output.data(), output.size()) ==
        reference_rebuild(lines, header, key, new_line));
  return 0;
}
