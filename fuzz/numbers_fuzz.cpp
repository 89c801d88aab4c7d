// The number parsers and formatters under libFuzzer: texts sit in heap blocks of
// exactly their size, so ASan sees any read past them, outputs between canaries;
// results are checked against their bounds and against each other, and the hex
// address parser against the last 16 digits of the text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "fuzz_support.h"
#include "hostutil.h"

namespace {

void require(bool ok) { fuzz::check(ok); }

bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The value of the last 16 hexadecimal digits; 0 for a text that is not all digits.
uint64_t hex_address(const char* text, uint32_t length) {
  uint64_t value = 0;
  for (uint32_t i = 0; i < length && text[i] != '\0'; ++i) {
    const char c = text[i];
    if (!is_hex(c)) return 0;
    value = value * 16 + static_cast<uint64_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
  }
  return value;
}

// Reads little-endian values off the front of the input.
struct reader {
  const uint8_t* data;
  size_t size;
  uint32_t u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4 && size > 0; ++i, ++data, --size) v |= uint32_t{*data} << (8 * i);
    return v;
  }
};

void parsers(const char* text, uint32_t text_length, uint32_t length) {
  // Where the parse ends: the length, the NUL or the first non-digit.
  uint32_t end = 0;
  while (end < length && end < text_length && is_hex(text[end])) ++end;
  const bool stops_clean = end == length || end == text_length;

  uint32_t hex = 0xA5A5A5A5u;
  const int32_t hex_ok = ChangeAsciiToHexEx(text, length, &hex);
  if (text_length == 0) {
    require(hex_ok == 0 && hex == 0xA5A5A5A5u);
  } else {
    require(hex_ok == (stops_clean ? 1 : 0));
    require(ChangeAsciiToHex(text, length) == (hex_ok ? hex : 0u));
    const int32_t signed_value = ChangeAsciiToHexEx2(text, length);
    if (!hex_ok) require(signed_value == 0);
    if (hex_ok && length >= 1 && length <= 7) {
      const int32_t half = 1 << (4 * length - 1);
      require(signed_value >= -half && signed_value < half);
    }
  }

  uint32_t dec = 0xA5A5A5A5u;
  const int32_t dec_ok = ChangeAsciiToBinEx(text, length, &dec);
  require(dec_ok == 0 || dec_ok == 1);
  if (dec_ok) {
    require(dec <= 2147483647u);
  } else {
    require(dec == 0xA5A5A5A5u);
  }
  require(ChangeAsciiToBin(text, length) == (dec_ok ? dec : 0u));

  const float f = ChangeAsciiToFloat(text, length);
  require(std::isfinite(f) && f >= 0.0f && f <= 2147483648.0f);
  require(ChangeAsciiToPtr(text, length) == hex_address(text, length));
  const int32_t numeric = NumericCheck(text);
  require(numeric == (std::strspn(text, "0123456789abcdefABCDEF") == text_length ? 1 : 0));
}

void formatters(reader& r) {
  const uint32_t value = r.u32();
  const uint32_t width = r.u32() % 40;
  const int32_t suppress = static_cast<int32_t>(r.u32() & 1);
  for (int radix : {16, 10}) {
    fuzz::fenced out(width + 1, 'x');
    if (radix == 16) {
      ChangeHexToAscii(value, out.data(), width, suppress);
    } else {
      ChangeBinToAscii(value, out.data(), width, suppress);
    }
    if (width == 0) {
      require(out[0] == 'x');
      continue;
    }
    const size_t n = std::strlen(out.data());
    require(n >= 1 && n <= width);
    if (!suppress) require(n == width);
    for (size_t i = 0; i < n; ++i)
      require(radix == 16 ? is_hex(out[i]) : out[i] >= '0' && out[i] <= '9');
  }

  const uint32_t size = 12 + r.u32() % 4;
  const uint32_t decimals = r.u32() % 11;
  fuzz::fenced point(size, 'x');
  const int32_t done =
      ChangeBinToAsciiWithDecimalPoint(static_cast<int32_t>(value), point.data(), size, decimals);
  require(done ? decimals <= 9 && point.cleared_text() : point.all() == std::string(size, 'x'));
}

void zero_suppress(reader& r, const char* text, uint32_t text_length) {
  const uint32_t size = text_length + 1 + r.u32() % 8;
  const uint32_t width = r.u32() % 24;
  const int32_t mode = static_cast<int32_t>(r.u32() & 1);
  fuzz::fenced buffer(size, 'x');
  std::memcpy(buffer.data(), text, text_length + 1);
  const int32_t done = ZeroSuppressProc(buffer.data(), size, width, mode);
  require(std::memchr(buffer.data(), '\0', size) != nullptr);
  if (!done) require(std::memcmp(buffer.data(), text, text_length + 1) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SemaphoreControlBegin();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  reader r{data, size};
  const uint32_t selector = r.u32();
  // The rest is the text, cut at its first NUL and held in a block of its size.
  const size_t raw = r.size;
  const auto* nul = static_cast<const uint8_t*>(std::memchr(r.data, 0, raw));
  const uint32_t text_length = static_cast<uint32_t>(nul ? nul - r.data : raw);
  std::unique_ptr<char[]> text(new char[text_length + 1]);
  std::memcpy(text.get(), r.data, text_length);
  text[text_length] = '\0';

  // Lengths around the text's own, and a few far beyond it.
  uint32_t length = text_length;
  switch (selector & 3) {
    case 1:
      length = selector >> 2 & 0x3FF;
      break;
    case 2:
      length = text_length + (selector >> 2 & 0xF);
      break;
    case 3:
      length = 0xFFFFFFFFu - (selector >> 2 & 0xF);
      break;
    default:
      break;
  }
  parsers(text.get(), text_length, length);

  reader rest{reinterpret_cast<const uint8_t*>(text.get()), text_length};
  formatters(rest);
  rest = {reinterpret_cast<const uint8_t*>(text.get()), text_length};
  zero_suppress(rest, text.get(), text_length);
  GlobalAreaLumpFree();
  return 0;
}
