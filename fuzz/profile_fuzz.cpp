// The profile reader and writer on real files, by their exported names and by
// the value-file forms beside the program, against a literal walk by line number
// with GetFileOneLine: the same values, key lists and numbers, and the file read
// back after a write holds exactly the rebuilt text. Buffers are fenced.
#include "fuzz_support.h"

namespace {

using fuzz::folded;

std::string key_part(const std::string& line) { return line.substr(0, line.find('=')); }

// The reader's lookup and list, literally, over the lines by number.
std::string reference_read(const std::vector<std::string>& lines, const std::string& header,
                           const char* key) {
  std::string out;
  bool in_section = false;
  for (const std::string& line : lines) {
    if (line.empty() || line.starts_with("//")) continue;
    if (line[0] == '[') {
      in_section = folded(line).starts_with(folded(header));
      continue;
    }
    if (!in_section) continue;
    if (key == nullptr) {
      out += key_part(line) + '\0';
      continue;
    }
    if (folded(key_part(line)) != folded(key)) continue;
    const size_t equals = line.find('=');
    if (equals != std::string::npos) out = line.substr(equals + 1);
    break;
  }
  return out;
}

// The writer's rebuild, literally: a main walk, a body walk, the body split again.
std::string reference_rebuild(const std::vector<std::string>& lines, const std::string& header,
                              const std::string& key, const std::string& new_line) {
  std::string out;
  bool pending = true, done = false;  // pending: a line end owed before the next line
  for (std::size_t i = 0; i < lines.size();) {
    if (!out.empty() && pending) out += "\r\n";
    const std::string& line = lines[i++];
    out += line;
    pending = done || line.empty() || folded(line) != folded(header);
    if (pending) continue;
    std::string body;
    for (; i < lines.size(); ++i) {
      if (!body.empty()) body += "\r\n";
      if (folded(key_part(lines[i])) == folded(key)) {
        body += new_line;
        done = true;
        continue;
      }
      if (lines[i][0] == '[') break;
      body += lines[i];
    }
    if (!done) out += "\r\n" + new_line;
    done = true;
    for (const std::string& b :
         fuzz::lines_by_number(body.c_str(), static_cast<uint32_t>(body.size()), 256)) {
      out += "\r\n" + b;
    }
    out += "\r\n";
  }
  return out;
}

// GetPrivateProfileIntEx's reading of a value, by the number parsers.
std::uint32_t number_of(const std::string& value, std::uint32_t fallback) {
  std::uint32_t n = 0;
  const auto length = static_cast<std::uint32_t>(value.size());
  if (value.empty() || CompareNoCase(value.c_str(), "DEFAULT")) return fallback;
  const bool hex = length >= 2 && value[0] == '0' && (value[1] | 0x20) == 'x';
  const int32_t ok = hex ? ChangeAsciiToHexEx(value.c_str() + 2, length - 2, &n)
                         : ChangeAsciiToBinEx(value.c_str(), length, &n);
  return ok ? n : fallback;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::input in{data, size};
  const std::uint32_t buffer_size = 1 + in.byte() % 64;
  std::string section = in.text(12);
  std::string key = in.text(12);
  const std::string value = in.text(40);
  const std::uint32_t mode = in.byte();
  const std::uint32_t number = in.u32();
  const std::string file = in.rest();
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
  if (section.empty() || key.empty()) return 0;

  // The file beside the program (the value-file forms) or in the scratch folder.
  const bool beside = (mode & 8) != 0;
  const std::string name = "profile_fuzz." + std::to_string(::getpid()) + ".ini";
  const std::string path =
      beside ? std::filesystem::canonical("/proc/self/exe").parent_path().append(name).string()
             : fuzz::scratch(name);
  fuzz::put(path, file);
  const std::string text = file + std::string(256, '\0');  // as the reader holds it
  const std::string header = "[" + section + "]";
  const std::vector<std::string> lines =
      fuzz::lines_by_number(text.data(), static_cast<std::uint32_t>(text.size()), 256);
  const char* default_text = (mode & 1) != 0 ? nullptr : "dflt";
  const std::string dflt = default_text == nullptr ? "" : default_text;
  // The value file's name, the section and the profile's path, as the calls take them.
  const char *const n = name.c_str(), *const s = section.c_str(), *const p = path.c_str();

  for (const char* k : {key.c_str(), static_cast<const char*>(nullptr)}) {
    fuzz::fenced buffer(buffer_size);
    const std::uint32_t count =
        beside ? GetFileValueString(n, s, k, default_text, buffer.data(), buffer_size)
               : GetPrivateProfileStrEx(s, k, default_text, buffer.data(), buffer_size, p);
    const std::string expected = reference_read(lines, header, k);
    // The count leaves out a key list's last NUL.
    const auto whole =
        static_cast<std::uint32_t>(expected.size() - (k == nullptr && !expected.empty()));
    check(buffer[buffer_size - 1] == '\0');
    if (whole == 0) {
      check(count == 0 && buffer.holds(dflt.size() < buffer_size ? dflt : ""));
    } else if (k != nullptr) {
      // A value that does not fit is cut to the buffer.
      check(count == (whole < buffer_size ? whole : buffer_size - 1) &&
            buffer.holds(expected.substr(0, count)));
    } else {
      // A key list that does not fit keeps what the buffer holds.
      const bool fits = expected.size() <= buffer_size;
      check(fits ? count == whole : count <= buffer_size - 1);
      check(std::memcmp(buffer.data(), expected.data(), fits ? expected.size() : buffer_size - 1) ==
            0);
    }
    if (k == nullptr) continue;
    const std::uint32_t got =
        beside ? GetFileValueInt(n, s, k, number) : GetPrivateProfileIntEx(s, k, number, p);
    check(got == number_of(expected, number));
  }

  // The writer, with the value as text or as a number.
  char digits[16];
  const bool as_number = (mode & 4) != 0;
  std::snprintf(digits, sizeof digits, (mode & 16) != 0 && !beside ? "%08x" : "%d", number);
  const std::string new_line = key + "=" + (as_number ? digits : value);
  const char *const k = key.c_str(), *const v = value.c_str();
  const std::uint32_t written =
      beside ? (as_number ? WriteFileValueInt(n, s, k, static_cast<std::int32_t>(number))
                          : WriteFileValueString(n, s, k, v))
             : (as_number ? WritePrivateProfileIntEx(s, k, number, p, mode & 16)
                          : WritePrivateProfileStrEx(s, k, v, p));
  const std::string rebuilt = reference_rebuild(lines, header, key, new_line);
  check(file.empty() || rebuilt.empty() ? fuzz::get(path) == file && written == (beside ? 1u : 0u)
                                        : written == 1 && fuzz::get(path) == rebuilt);
  std::filesystem::remove(path);
  return 0;
}
