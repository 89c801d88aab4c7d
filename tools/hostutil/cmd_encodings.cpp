// hostutil conv, which converts a file or standard input between ANSI, UTF-8 and
// UTF-16 (line by line where the text has lines), and the tour's step that
// converts a multi-line text both ways through the two-call size protocol.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/process.h"
#include "host.h"

namespace {

enum class form { ansi, utf8, utf16 };

// Text in one form: bytes, or UTF-16 code units kept as their little-endian bytes.
struct text {
  form kind;
  std::string bytes;
  std::size_t units() const { return kind == form::utf16 ? bytes.size() / 2 : bytes.size(); }
};

std::vector<hu_wchar> to_units(const std::string& bytes) {
  std::vector<hu_wchar> units(bytes.size() / 2 + 1, 0);  // and a NUL unit
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units[i / 2] = static_cast<hu_wchar>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  return units;
}

std::string from_units(const hu_wchar* units, std::size_t n) {
  std::string bytes(2 * n, '\0');
  for (std::size_t i = 0; i < n; ++i) {
    bytes[2 * i] = static_cast<char>(units[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
  }
  return bytes;
}

bool has_lines(const text& t) {
  if (t.kind != form::utf16) return t.bytes.find('\r') != std::string::npos;
  const std::vector<hu_wchar> units = to_units(t.bytes);
  return std::find(units.begin(), units.end(), hu_wchar{'\r'}) != units.end();
}

// The two-call size protocol: learn L, then convert into L + 1 units.
template <typename In, typename Out>
bool multi_line(int32_t(HOSTUTIL_CALL* convert)(const In*, uint32_t, Out*, uint32_t*),
                const In* input, uint32_t length, std::vector<Out>& output) {
  uint32_t size = 0;
  if (convert(input, length, nullptr, &size) != 0) return false;
  output.assign(std::size_t{size} + 1, Out{0});
  const auto expected = static_cast<int32_t>(size);
  return convert(input, length, output.data(), &size) == expected;
}

// A multi-line conversion into 8-bit text, which ends at its first NUL.
template <typename In>
bool lines_into(int32_t(HOSTUTIL_CALL* convert)(const In*, uint32_t, char*, uint32_t*),
                const In* input, uint32_t length, std::string& out) {
  std::vector<char> narrow;
  if (!multi_line(convert, input, length, narrow)) return false;
  out.assign(narrow.data());
  return true;
}

// The text is taken to UTF-8 first, then to the form asked for; c_str() is
// NUL-ended, as the line walk wants it.
bool convert_lines(const text& in, form to, text& out) {
  const auto length = static_cast<uint32_t>(in.units());
  std::string utf8;
  if (in.kind == form::utf16) {
    if (!lines_into(ChangeUTF16ToUTF8_MultiLine, to_units(in.bytes).data(), length, utf8)) {
      return false;
    }
  } else if (in.kind == form::ansi) {
    if (!lines_into(ChangeAnsiToUTF8_MultiLine, in.bytes.c_str(), length, utf8)) return false;
  } else {
    utf8 = in.bytes;
  }
  const auto utf8_length = static_cast<uint32_t>(utf8.size());
  if (to == form::utf8) {
    out.bytes = utf8;
    return true;
  }
  if (to == form::ansi) {
    return lines_into(ChangeUTF8ToAnsi_MultiLine, utf8.c_str(), utf8_length, out.bytes);
  }
  std::vector<hu_wchar> wide;
  if (!multi_line(ChangeUTF8ToUTF16_MultiLine, utf8.c_str(), utf8_length, wide)) return false;
  out.bytes = from_units(wide.data(), wide.size() - 1);
  return true;
}

// Whole-text conversion; outputs are sized for the worst case of each pair.
bool convert_whole(const text& in, form to, text& out) {
  const auto length = static_cast<uint32_t>(in.units());
  const std::size_t room = 4 * in.units() + 16;
  if (room > INT32_MAX) return false;
  const auto size = static_cast<uint32_t>(room);
  std::vector<hu_wchar> wide;
  std::string narrow(room, '\0');
  int32_t n = 0;
  if (in.kind == form::utf16) {
    wide = to_units(in.bytes);
    n = to == form::utf8 ? ChangeUTF16ToUTF8(wide.data(), length, narrow.data(), size)
                         : ChangeUnicodeToAnsi(wide.data(), length, narrow.data(), size);
  } else if (to == form::utf16) {
    wide.assign(room, 0);
    n = in.kind == form::utf8 ? ChangeUTF8ToUTF16(in.bytes.data(), length, wide.data(), size)
                              : ChangeAnsiToUnicode(in.bytes.data(), length, wide.data(), size);
    if (n > 0) out.bytes = from_units(wide.data(), static_cast<std::size_t>(n));
    return n > 0;
  } else {
    n = in.kind == form::ansi ? ChangeAnsiToUTF8(in.bytes.data(), length, narrow.data(), size)
                              : ChangeUTF8ToAnsi(in.bytes.data(), length, narrow.data(), size);
  }
  if (n > 0) out.bytes.assign(narrow.data(), static_cast<std::size_t>(n));
  return n > 0;
}

form parse_form(const std::string& name) {
  return name == "ansi" ? form::ansi : name == "utf8" ? form::utf8 : form::utf16;
}

int run_conv(const std::string& from, const std::string& to, const std::string& path) {
  hostutil::tools::binary_stdio();
  const auto bytes = host::read_file(path);
  if (!bytes) {
    return host::fail(1, "hostutil conv: cannot read " + (path.empty() ? "standard input" : path));
  }
  const text in{parse_form(from), *bytes};
  if (in.kind == form::utf16 && in.bytes.size() % 2 != 0) {
    return host::fail(1, "hostutil conv: UTF-16 input has an odd number of bytes");
  }
  text out{parse_form(to), {}};
  if (in.bytes.empty() || from == to) {
    out.bytes = in.bytes;
  } else {
    // Long texts take registered allocations.
    host::library_session session;
    if (!(has_lines(in) ? convert_lines(in, out.kind, out) : convert_whole(in, out.kind, out))) {
      return host::fail(1, "hostutil conv: the text does not convert from " + from + " to " + to);
    }
  }
  return std::fwrite(out.bytes.data(), 1, out.bytes.size(), stdout) == out.bytes.size() &&
                 std::fflush(stdout) == 0
             ? 0
             : 1;
}

const bool commands = host::add_commands([](CLI::App& app) {
  auto* conv = app.add_subcommand(
      "conv",
      "Convert FILE (or standard input) between ANSI, UTF-8 and UTF-16 (little-endian, no BOM) "
      "to standard output. A text with CR LF lines is converted line by line, up to its first "
      "empty line, each line ending in CR LF.");
  static std::string from, to, path;
  const std::vector<std::string> forms{"ansi", "utf8", "utf16"};
  conv->add_option("--from", from, "form of the input")->required()->check(CLI::IsMember(forms));
  conv->add_option("--to", to, "form of the output")->required()->check(CLI::IsMember(forms));
  conv->add_option("FILE", path, "file to convert; standard input when missing");
  host::runs(conv, [] { return run_conv(from, to, path); });
});

const bool tour_step = host::add_tour_step(
    {90, "Text encodings line by line", [](host::tour_context& t) {
       // "Grüße" and "こんにちは" as two CR LF lines, an empty line, and one more.
       const char utf8[] =
           "Gr\xC3\xBC\xC3\x9F"
           "e\r\n\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF"
           "\r\n\r\nnot converted";
       const auto length = static_cast<uint32_t>(sizeof utf8 - 1);
       uint32_t size = 0;
       const int32_t asked = ChangeUTF8ToUTF16_MultiLine(utf8, length, nullptr, &size);
       t.say("UTF-8 to UTF-16, null output: result " + std::to_string(asked) + ", size " +
             std::to_string(size) + " code units");
       bool ok = t.check(asked == 0 && size == 14, "5 + 5 characters and two CR LF: 14 units");
       std::vector<hu_wchar> wide(size + 1, 0xFFFF);
       uint32_t short_size = size - 1;
       ok &= t.check(ChangeUTF8ToUTF16_MultiLine(utf8, length, wide.data(), &short_size) == 0 &&
                         short_size == size && wide[0] == 0xFFFF,
                     "one unit short: result 0, the size set to 14, the output untouched");
       ok &= t.check(ChangeUTF8ToUTF16_MultiLine(utf8, length, wide.data(), &size) == 14 &&
                         wide[2] == 0x00FC && wide[7] == 0x3053 && wide[12] == '\r' &&
                         wide[13] == '\n' && wide[14] == 0,
                     "converted into 15 units, terminator included; the empty line ended it");
       uint32_t back_size = 0;
       ChangeUTF16ToUTF8_MultiLine(wide.data(), size, nullptr, &back_size);
       std::string back(back_size + 1, '\0');
       const int32_t n = ChangeUTF16ToUTF8_MultiLine(wide.data(), size, back.data(), &back_size);
       back.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
       t.say("and back to UTF-8: " + std::to_string(n) + " bytes");
       ok &= t.check(back == std::string(utf8, 26), "the same two lines, byte for byte");
       const char plain[] = "one\r\ntwo";
       uint32_t plain_size = 0;
       ChangeAnsiToUTF8_MultiLine(plain, 8, nullptr, &plain_size);
       ok &= t.check(plain_size == 10,
                     "ANSI \"one CR LF two\" gives 10 bytes: every line ends in CR LF");
       return ok;
     }});

}  // namespace
