// hostutil crc / hex / dec and the tour step for CRC, sort and conversions. The
// CRC goes block by block through the exported call alone: with no augmentation and a zero
// start, the register's two bytes, bit-reversed, in front of a block continue it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "common/process.h"
#include "host.h"

namespace {

constexpr std::size_t crc_block = 1u << 20;

unsigned char reverse_bits(unsigned v) {
  unsigned r = 0;
  for (int i = 0; i < 8; ++i) r |= ((v >> i) & 1u) << (7 - i);
  return static_cast<unsigned char>(r);
}

// The CRC of bytes one block at a time, each call given the register so far
// in front of the block, through the exported CalculateCRC alone.
uint16_t blockwise_crc(const std::string& bytes) {
  std::vector<unsigned char> buffer(2 + crc_block);
  uint16_t reg = 0;
  for (std::size_t at = 0; at < bytes.size(); at += crc_block) {
    const std::size_t n = std::min(crc_block, bytes.size() - at);
    buffer[0] = reverse_bits(reg >> 8);
    buffer[1] = reverse_bits(reg & 0xFFu);
    std::memcpy(buffer.data() + 2, bytes.data() + at, n);
    reg = CalculateCRC(buffer.data(), static_cast<uint32_t>(n + 2));
  }
  return reg;
}

int print_crcs(const std::vector<std::string>& files) {
  if (files.empty()) hostutil::tools::binary_stdio();
  int status = 0;
  for (const auto& name : files.empty() ? std::vector<std::string>{""} : files) {
    const auto bytes = host::read_file(name);
    if (!bytes) {
      status =
          host::fail(1, "hostutil crc: cannot read " + (name.empty() ? "standard input" : name));
      continue;
    }
    char line[16];
    std::snprintf(line, sizeof line, "%04X", blockwise_crc(*bytes));
    std::cout << line << (name.empty() ? "" : "  " + name) << "\n";
  }
  return status;
}

using host::hex32;
using host::library_session;

void show(const char* name, const std::string& what) {
  std::printf("%-34s%s\n", name, what.c_str());
}

std::string quoted(const char* text) { return "\"" + std::string(text) + "\""; }

// The parsers read n characters of t.
int hex_parse(const char* t, uint32_t n) {
  uint32_t out = 0xFFFFFFFFu;
  const int32_t ok = ChangeAsciiToHexEx(t, n, &out);
  show("ChangeAsciiToHex", hex32(ChangeAsciiToHex(t, n)));
  show("ChangeAsciiToHexEx", std::to_string(ok) + ", output " + hex32(out));
  show("ChangeAsciiToHexEx2", std::to_string(ChangeAsciiToHexEx2(t, n)));
  char ptr[24];
  std::snprintf(ptr, sizeof ptr, "0x%016llX",
                static_cast<unsigned long long>(ChangeAsciiToPtr(t, n)));
  show("ChangeAsciiToPtr", ptr);
  show("NumericCheck", std::to_string(NumericCheck(t)));
  return ok == 1 ? 0 : 1;
}

int dec_parse(const char* t, uint32_t n) {
  uint32_t out = 0xFFFFFFFFu;
  const int32_t ok = ChangeAsciiToBinEx(t, n, &out);
  show("ChangeAsciiToBin", std::to_string(ChangeAsciiToBin(t, n)));
  show("ChangeAsciiToBinEx", std::to_string(ok) + (ok ? ", output " + std::to_string(out) : ""));
  char f[64];
  std::snprintf(f, sizeof f, "%.9g", static_cast<double>(ChangeAsciiToFloat(t, n)));
  show("ChangeAsciiToFloat", f);
  // A text with a point is a float text: the integer parsers refuse it.
  return ok == 1 || ChangeAsciiToFloat(t, n) != 0.0f ? 0 : 1;
}

// The two fixed-width formatters, hexadecimal and decimal, take the same arguments.
struct fixed_width {
  const char* name;
  void(HOSTUTIL_CALL* format)(uint32_t value, char* out, uint32_t width, int32_t suppress);
};

int format_fixed(const fixed_width& formatter, uint32_t value, uint32_t width, bool suppress) {
  library_session session;
  std::vector<char> out(static_cast<std::size_t>(width) + 1, '\0');
  formatter.format(value, out.data(), width, suppress ? 1 : 0);
  show(formatter.name, quoted(out.data()));
  return out[0] != '\0' ? 0 : 1;
}

int dec_point(int32_t value, uint32_t decimals) {
  library_session session;
  char out[16] = {};
  const int32_t ok = ChangeBinToAsciiWithDecimalPoint(value, out, sizeof out, decimals);
  show("ChangeBinToAsciiWithDecimalPoint", std::to_string(ok) + ", " + quoted(out));
  return ok == 1 ? 0 : 1;
}

int dec_zero(const std::string& text, uint32_t width, bool pad) {
  library_session session;
  // Room for the sign, the digits and the NUL in either mode.
  std::vector<char> buffer(text.size() + width + 3, '\0');
  std::memcpy(buffer.data(), text.data(), text.size());
  const int32_t ok =
      ZeroSuppressProc(buffer.data(), static_cast<uint32_t>(buffer.size()), width, pad ? 0 : 1);
  show("ZeroSuppressProc", std::to_string(ok) + ", " + quoted(buffer.data()));
  return ok == 1 ? 0 : 1;
}

// Numbers on the command line take 0x for hexadecimal.
struct number_options {
  std::string text;
  int64_t length = -1;
  uint32_t value = 0;
  int32_t signed_value = 0;
  uint32_t width = 8;
  uint32_t decimals = 2;
  bool suppress = false;
  bool pad = false;
};
number_options options;

// "parse" and "format" under hex or dec: one parser set, one formatter.
void add_parse_and_format(CLI::App* group, const char* parsers, int (*parse)(const char*, uint32_t),
                          const char* digits, fixed_width formatter) {
  auto* p = group->add_subcommand("parse", std::string("Read TEXT with ") + parsers);
  p->add_option("TEXT", options.text)->required();
  p->add_option("-n,--length", options.length, "characters to read (default: all of TEXT)");
  host::runs(p, [parse] {
    library_session session;
    const int64_t n = options.length < 0 ? std::ssize(options.text) : options.length;
    return parse(options.text.c_str(), static_cast<uint32_t>(n));
  });
  auto* f = group->add_subcommand("format", std::string("Write VALUE as WIDTH ") + digits);
  f->add_option("VALUE", options.value)->required();
  f->add_option("-w,--width", options.width)->capture_default_str();
  f->add_flag("-s,--suppress", options.suppress, "drop leading zeros");
  host::runs(f, [formatter] {
    return format_fixed(formatter, options.value, options.width, options.suppress);
  });
}

const bool commands = host::add_commands([](CLI::App& app) {
  auto* crc = app.add_subcommand(
      "crc", "Print the library's 16-bit CRC of each FILE (standard input without one)");
  static std::vector<std::string> files;
  crc->add_option("FILE", files, "files to check");
  crc->allow_windows_style_options(false);  // a path may start with a slash
  host::runs(crc, [] { return print_crcs(files); });

  auto* hex = app.add_subcommand("hex", "Hexadecimal text to numbers and back");
  hex->require_subcommand(1);
  add_parse_and_format(hex, "every hexadecimal parser", hex_parse, "upper-case digits",
                       {"ChangeHexToAscii", ChangeHexToAscii});

  auto* dec = app.add_subcommand("dec", "Decimal text to numbers and back, zero suppression");
  dec->require_subcommand(1);
  add_parse_and_format(dec, "the decimal and float parsers", dec_parse, "decimal digits",
                       {"ChangeBinToAscii", ChangeBinToAscii});
  auto* point = dec->add_subcommand("point", "Write VALUE with DECIMALS digits behind a point");
  point->add_option("VALUE", options.signed_value)->required();
  point->add_option("-d,--decimals", options.decimals)->capture_default_str();
  host::runs(point, [] { return dec_point(options.signed_value, options.decimals); });
  auto* zero = dec->add_subcommand("zero", "Suppress leading zeros of TEXT, or pad it to WIDTH");
  zero->add_option("TEXT", options.text)->required();
  zero->add_option("-w,--width", options.width, "digits to pad to")->capture_default_str();
  zero->add_flag("-p,--pad", options.pad, "pad instead of suppressing");
  host::runs(zero, [] { return dec_zero(options.text, options.width, options.pad); });
});

const bool numbers_step = host::add_tour_step(
    {50, "CRC, sort and number conversions", [](host::tour_context& t) {
       bool ok = t.check(CalculateCRC("123456789", 9) == 0xFE0A, "CRC of \"123456789\" is FE0A");

       // A file of 3 MiB and a bit, checked by a second process in 1 MiB blocks.
       std::string data(3 * crc_block + 77, '\0');
       uint32_t seed = 12345;
       for (auto& b : data) b = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
       const std::string path = t.scratch + "numbers.bin";
       std::ofstream(path, std::ios::binary)
           .write(data.data(), static_cast<std::streamsize>(data.size()));
       const uint16_t whole = CalculateCRC(data.data(), static_cast<uint32_t>(data.size()));
       char want[8];
       std::snprintf(want, sizeof want, "%04X", whole);
       t.say(std::string("one call over ") + std::to_string(data.size()) + " bytes: " + want);
       const auto child = hostutil::tools::run_captured({t.self, "crc", path});
       t.say("\"hostutil crc numbers.bin\" prints " + host::trimmed(child.output));
       ok &= t.check(child.status == 0 && host::trimmed(child.output) == want + ("  " + path),
                     "block by block, in a second process, the same CRC");
       ok &= t.check(blockwise_crc(data) == whole, "and the same here, block by block");

       int32_t numbers[] = {42, -7, 1000, 0, -7, 3};
       QuickSort(numbers, 6, 1);
       std::string shown;
       for (int32_t n : numbers) shown += std::to_string(n) + " ";
       t.say("QuickSort ascending: " + shown);
       ok &= t.check(numbers[0] == -7 && numbers[5] == 1000 && BinarySearch(numbers, 6, 42) == 4,
                     "sorted, and BinarySearch finds 42 at index 4");

       library_session session;
       char point[16] = {};
       ChangeBinToAsciiWithDecimalPoint(-5, point, sizeof point, 2);
       char hex[8] = {};
       ChangeHexToAscii(0x1A, hex, 4, 1);
       char dec[8] = {};
       ChangeBinToAscii(1234, dec, 6, 0);
       t.say("-5 with 2 decimals: \"" + std::string(point) + "\", 0x1A suppressed: \"" + hex +
             "\", 1234 in 6 digits: \"" + dec + "\"");
       ok &= t.check(std::string(point) == "-0.05" && std::string(hex) == "1A" &&
                         std::string(dec) == "001234",
                     "decimal point, hexadecimal and fixed-width text");
       uint32_t parsed = 0;
       ok &= t.check(ChangeAsciiToHexEx2("FFFE", 4) == -2 &&
                         ChangeAsciiToBinEx("2147483648", 10, &parsed) == 0 &&
                         ChangeAsciiToFloat("12.34", 5) == 1234.0f / 100.0f,
                     "FFFE is -2 in 4 digits, 2147483648 is out of range, 12.34 reads as 1234/100");
       return ok;
     }});

}  // namespace
