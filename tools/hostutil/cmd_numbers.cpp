// hostutil crc / hex / dec and the tour step for CRC, sort and conversions. The
// CRC streams through the exported call alone: with no augmentation and a zero
// start, the register's two bytes, bit-reversed, in front of a block continue it.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "host.h"
#include "hostutil.h"

namespace {

constexpr std::size_t crc_block = 1u << 20;

#ifdef _WIN32
void binary_stdin() { _setmode(_fileno(stdin), _O_BINARY); }
#else
void binary_stdin() {}
#endif

unsigned char reverse_bits(unsigned v) {
  unsigned r = 0;
  for (int i = 0; i < 8; ++i) r |= ((v >> i) & 1u) << (7 - i);
  return static_cast<unsigned char>(r);
}

// The CRC of everything read from the stream, one block at a time, through the
// exported CalculateCRC alone.
bool stream_crc(std::FILE* in, uint16_t& crc) {
  std::vector<unsigned char> buffer(2 + crc_block);
  uint16_t reg = 0;
  for (;;) {
    const std::size_t n = std::fread(buffer.data() + 2, 1, crc_block, in);
    if (n > 0) {
      buffer[0] = reverse_bits(reg >> 8);
      buffer[1] = reverse_bits(reg & 0xFFu);
      reg = CalculateCRC(buffer.data(), static_cast<uint32_t>(n + 2));
    }
    if (n < crc_block) break;
  }
  if (std::ferror(in)) return false;
  crc = reg;
  return true;
}

int print_crcs(const std::vector<std::string>& files) {
  char line[64];
  if (files.empty()) {
    binary_stdin();
    uint16_t crc = 0;
    if (!stream_crc(stdin, crc)) {
      std::cerr << "hostutil crc: cannot read standard input\n";
      return 1;
    }
    std::snprintf(line, sizeof line, "%04X", crc);
    std::cout << line << "\n";
    return 0;
  }
  int status = 0;
  for (const auto& name : files) {
    std::FILE* f = std::fopen(name.c_str(), "rb");
    uint16_t crc = 0;
    const bool ok = f != nullptr && stream_crc(f, crc);
    const int err = errno;
    if (f != nullptr) std::fclose(f);
    if (!ok) {
      std::cerr << "hostutil crc: " << name << ": " << std::strerror(err) << "\n";
      status = 1;
      continue;
    }
    std::snprintf(line, sizeof line, "%04X  ", crc);
    std::cout << line << name << "\n";
  }
  return status;
}

// The conversions that take registered allocations need the semaphore table.
struct library_session {
  library_session() { SemaphoreControlBegin(); }
  ~library_session() {
    GlobalAreaLumpFree();
    SemaphoreControlEnd();
  }
  library_session(const library_session&) = delete;
  library_session& operator=(const library_session&) = delete;
};

std::string hex32(uint32_t v) {
  char s[16];
  std::snprintf(s, sizeof s, "0x%08X", v);
  return s;
}

void show(const char* name, const std::string& what) {
  char label[48];
  std::snprintf(label, sizeof label, "%-34s", name);
  std::cout << label << what << "\n";
}

std::string quoted(const char* text) { return "\"" + std::string(text) + "\""; }

uint32_t length_or_text(int64_t length, const std::string& text) {
  return length < 0 ? static_cast<uint32_t>(text.size()) : static_cast<uint32_t>(length);
}

int hex_parse(const std::string& text, int64_t length) {
  library_session session;
  const uint32_t n = length_or_text(length, text);
  const char* t = text.c_str();
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

int hex_format(uint32_t value, uint32_t width, bool suppress) {
  library_session session;
  std::vector<char> out(static_cast<std::size_t>(width) + 1, '\0');
  ChangeHexToAscii(value, out.data(), width, suppress ? 1 : 0);
  show("ChangeHexToAscii", quoted(out.data()));
  return out[0] != '\0' ? 0 : 1;
}

int dec_parse(const std::string& text, int64_t length) {
  library_session session;
  const uint32_t n = length_or_text(length, text);
  const char* t = text.c_str();
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

int dec_format(uint32_t value, uint32_t width, bool suppress) {
  library_session session;
  std::vector<char> out(static_cast<std::size_t>(width) + 1, '\0');
  ChangeBinToAscii(value, out.data(), width, suppress ? 1 : 0);
  show("ChangeBinToAscii", quoted(out.data()));
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

const bool commands = host::add_commands([](CLI::App& app) {
  auto* crc = app.add_subcommand(
      "crc", "Print the library's 16-bit CRC of each FILE (standard input without one)");
  static std::vector<std::string> files;
  crc->add_option("FILE", files, "files to check");
  crc->allow_windows_style_options(false);  // a path may start with a slash
  crc->callback([] { host::exit_code = print_crcs(files); });

  // Numbers on the command line take 0x for hexadecimal.
  static std::string text;
  static int64_t length = -1;
  static uint32_t value = 0;
  static int32_t signed_value = 0;
  static uint32_t width = 8;
  static uint32_t decimals = 2;
  static bool suppress = false;
  static bool pad = false;

  auto* hex = app.add_subcommand("hex", "Hexadecimal text to numbers and back");
  hex->require_subcommand(1);
  auto* hex_p = hex->add_subcommand("parse", "Read TEXT with every hexadecimal parser");
  hex_p->add_option("TEXT", text)->required();
  hex_p->add_option("-n,--length", length, "characters to read (default: all of TEXT)");
  hex_p->callback([] { host::exit_code = hex_parse(text, length); });
  auto* hex_f = hex->add_subcommand("format", "Write VALUE as WIDTH upper-case digits");
  hex_f->add_option("VALUE", value)->required();
  hex_f->add_option("-w,--width", width)->capture_default_str();
  hex_f->add_flag("-s,--suppress", suppress, "drop leading zeros");
  hex_f->callback([] { host::exit_code = hex_format(value, width, suppress); });

  auto* dec = app.add_subcommand("dec", "Decimal text to numbers and back, zero suppression");
  dec->require_subcommand(1);
  auto* dec_p = dec->add_subcommand("parse", "Read TEXT with the decimal and float parsers");
  dec_p->add_option("TEXT", text)->required();
  dec_p->add_option("-n,--length", length, "characters to read (default: all of TEXT)");
  dec_p->callback([] { host::exit_code = dec_parse(text, length); });
  auto* dec_f = dec->add_subcommand("format", "Write VALUE as WIDTH decimal digits");
  dec_f->add_option("VALUE", value)->required();
  dec_f->add_option("-w,--width", width)->capture_default_str();
  dec_f->add_flag("-s,--suppress", suppress, "drop leading zeros");
  dec_f->callback([] { host::exit_code = dec_format(value, width, suppress); });
  auto* dec_d = dec->add_subcommand("point", "Write VALUE with DECIMALS digits behind a point");
  dec_d->add_option("VALUE", signed_value)->required();
  dec_d->add_option("-d,--decimals", decimals)->capture_default_str();
  dec_d->callback([] { host::exit_code = dec_point(signed_value, decimals); });
  auto* dec_z = dec->add_subcommand("zero", "Suppress leading zeros of TEXT, or pad it to WIDTH");
  dec_z->add_option("TEXT", text)->required();
  dec_z->add_option("-w,--width", width, "digits to pad to")->capture_default_str();
  dec_z->add_flag("-p,--pad", pad, "pad instead of suppressing");
  dec_z->callback([] { host::exit_code = dec_zero(text, width, pad); });
});

const bool numbers_step = host::add_tour_step(
    {50, "CRC, sort and number conversions", [](host::tour_context& t) {
       bool ok = t.check(CalculateCRC("123456789", 9) == 0xFE0A, "CRC of \"123456789\" is FE0A");

       // A file of 3 MiB and a bit, streamed by a second process in 1 MiB blocks.
       std::vector<unsigned char> data(3 * crc_block + 77);
       uint32_t seed = 12345;
       for (auto& b : data)
         b = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 16);
       const std::string path = t.scratch + "numbers.bin";
       std::ofstream(path, std::ios::binary)
           .write(reinterpret_cast<const char*>(data.data()),
                  static_cast<std::streamsize>(data.size()));
       const uint16_t whole = CalculateCRC(data.data(), static_cast<uint32_t>(data.size()));
       char want[8];
       std::snprintf(want, sizeof want, "%04X", whole);
       t.say(std::string("one call over ") + std::to_string(data.size()) + " bytes: " + want);
       ok &= t.check(host::run_process({t.self, "crc", path}) == 0,
                     "\"hostutil crc\" streams the same file in blocks");
       std::FILE* f = std::fopen(path.c_str(), "rb");
       uint16_t streamed = 0;
       ok &= t.check(f != nullptr && stream_crc(f, streamed) && streamed == whole,
                     "the block-by-block CRC equals the one-call CRC");
       if (f != nullptr) std::fclose(f);

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
