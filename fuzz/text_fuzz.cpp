// Texts and numbers on any input: the three searches against plain searches,
// sprintfEx against snprintf, the comparisons and case changes, the CRC's
// linearity, the integer sort and searches, byte order; the hexadecimal parsers
// against the digits before the end (the address parser against the last 16),
// the decimal parsers against the digits up to the length and their range, the
// float against its documented steps, the formatters and the decimal point
// against their digits written plainly, zero suppression and padding. Texts
// sit in heap blocks of exactly their size, so ASan sees any read past them;
// outputs lie between canaries.
#include <cmath>
#include <cstdio>

#include "fuzz_support.h"

namespace {

using fuzz::folded;

void parsers(const char* text, uint32_t text_length, uint32_t length) {
  // Where the parse ends: the length, the NUL or the first non-digit; the value
  // of the digits before it in 64 bits (the last 16 digits), and in 32.
  const auto digit_run = static_cast<uint32_t>(std::strspn(text, "0123456789abcdefABCDEF"));
  const uint32_t end = std::min({length, text_length, digit_run});
  const uint64_t address =
      std::strtoull(std::string(text + end - std::min(end, 16u), text + end).c_str(), nullptr, 16);
  const auto digits = static_cast<uint32_t>(address);
  const bool stops_clean = end == length || end == text_length;

  uint32_t hex = 0xA5A5A5A5u;
  const int32_t hex_ok = ChangeAsciiToHexEx(text, length, &hex);
  if (text_length == 0) {
    check(hex_ok == 0 && hex == 0xA5A5A5A5u);
  } else {
    check(hex_ok == (stops_clean ? 1 : 0) && hex == digits);
    check(ChangeAsciiToHex(text, length) == (hex_ok ? hex : 0u));
    // Ex2 sign-extends from a field of length digits up to 7; from 8 on the
    // value is read as signed.
    const bool negative = length >= 1 && length <= 7 && (digits >> (4 * length - 1) & 1) != 0;
    const uint32_t extended = negative ? digits - (1u << 4 * length) : digits;
    check(ChangeAsciiToHexEx2(text, length) == (hex_ok ? static_cast<int32_t>(extended) : 0));
  }

  // Decimal: every character up to the length or the NUL a digit, and the
  // value at most 2147483647 (leading zeros are no reason to fail).
  uint64_t decimal = 0;
  bool decimal_ok = text_length != 0;
  for (uint32_t i = 0; decimal_ok && i < std::min(length, text_length); ++i) {
    decimal = decimal * 10 + static_cast<uint64_t>(text[i] - '0');
    decimal_ok = text[i] >= '0' && text[i] <= '9' && decimal <= 2147483647u;
  }
  uint32_t dec = 0xA5A5A5A5u;
  check(ChangeAsciiToBinEx(text, length, &dec) == decimal_ok &&
        dec == (decimal_ok ? decimal : 0xA5A5A5A5u));
  check(ChangeAsciiToBin(text, length) == (decimal_ok ? dec : 0u));

  // A float: the digits without the first point, read as decimal, over 10 to
  // the decimals counted from the length; 0 when the digits and their NUL do
  // not fit length bytes.
  const char* point = std::strchr(text, '.');
  float value = static_cast<float>(ChangeAsciiToBin(text, length));
  if (point != nullptr) {
    const std::string figures = std::string(text, point) + (point + 1);
    const auto decimals = static_cast<double>(length - static_cast<uint32_t>(point - text) - 1);
    const auto whole = ChangeAsciiToBin(figures.c_str(), static_cast<uint32_t>(figures.size()));
    value = figures.size() + 1 > length
                ? 0.0f
                : static_cast<float>(whole) / static_cast<float>(std::pow(10.0, decimals));
  }
  check(ChangeAsciiToFloat(text, length) == value);
  // The address parser: 0 for a text that is not all digits.
  check(ChangeAsciiToPtr(text, length) == (stops_clean ? address : 0));
  check(NumericCheck(text) == (digit_run == text_length));
}

// The value's lowest width digits of the radix (upper-case letters), padded
// with zeros; suppressed, without leading zeros but the last. Only the width
// bytes are cleared, so the byte at width keeps its 'x' behind a shorter text.
std::string fixed_width(uint32_t value, uint32_t width, bool suppress, uint32_t radix) {
  std::string digits(width, '0'), out = std::string(width, '\0') + 'x';
  for (uint32_t i = width; i-- > 0; value /= radix) digits[i] = "0123456789ABCDEF"[value % radix];
  if (suppress && width != 0)
    digits.erase(0, std::min<std::size_t>(digits.find_first_not_of('0'), width - 1));
  return width == 0 ? out : out.replace(0, digits.size() + 1, digits + '\0');
}

// The value by "%d", its digits padded to decimals + 1 and a point before the last decimals.
std::string with_point(int32_t value, uint32_t decimals) {
  std::string digits = std::to_string(std::abs(int64_t{value}));
  if (decimals > 0) {
    if (digits.size() <= decimals) digits.insert(0, decimals + 1 - digits.size(), '0');
    digits.insert(digits.size() - decimals, ".");
  }
  return (value < 0 ? "-" : "") + digits;
}

// Both fixed-width formatters, and the decimal point form: refused with the
// buffer untouched below 12 bytes, above 9 decimals or when the text and its
// NUL would not fit, else the text with zeros behind.
void formatters(fuzz::input r) {
  const uint32_t value = r.u32();
  const uint32_t width = r.u32() % 40;
  const int32_t suppress = static_cast<int32_t>(r.u32() & 1);
  for (const uint32_t radix : {16u, 10u}) {
    fuzz::fenced out(width + 1, 'x');
    (radix == 16 ? ChangeHexToAscii : ChangeBinToAscii)(value, out.data(), width, suppress);
    check(out.all() == fixed_width(value, width, suppress != 0, radix));
  }
  const uint32_t size = 8 + r.u32() % 8;
  const uint32_t decimals = r.u32() % 11;
  fuzz::fenced point(size, 'x');
  const auto signed_value = static_cast<int32_t>(value);
  const std::string text = with_point(signed_value, decimals);
  const bool fits = size >= 12 && decimals <= 9 && text.size() < size;
  check(ChangeBinToAsciiWithDecimalPoint(signed_value, point.data(), size, decimals) == fits);
  check(fits ? point.holds(text) : point.untouched());
}

// Where memstr matches: each scan for the needle's first byte covers window
// bytes from the current position, within the haystack.
const char* memstr_model(const char* h, const std::string& needle, std::uint32_t window) {
  if (needle.empty()) return nullptr;
  for (const char* at = h; *at != '\0';) {
    const auto* found = static_cast<const char*>(
        std::memchr(at, needle[0], std::min<std::size_t>(window, std::strlen(at))));
    if (found == nullptr || std::strlen(found) < needle.size()) return nullptr;
    if (std::memcmp(found, needle.data(), needle.size()) == 0) return found;
    at = found + 1;
  }
  return nullptr;
}

void searches(const std::string& hay, const std::string& needle, std::uint32_t window) {
  std::vector<char> h = fuzz::exact(hay);
  std::vector<char> n = fuzz::exact(needle);
  check(memstr(h.data(), n.data(), window) == memstr_model(h.data(), needle, window));
  const char* last = strrstr(h.data(), n.data());
  const std::size_t end = hay.rfind(needle);
  if (!needle.empty()) check(last == (end == std::string::npos ? nullptr : h.data() + end));
  const std::size_t at = needle.empty() ? std::string::npos : folded(hay).find(folded(needle));
  check(strnostr(h.data(), n.data()) == (at == std::string::npos ? nullptr : h.data() + at));
}

// The buffer holds the first size - 1 characters of the whole text, then zeros.
void formatted(const std::string& text, std::uint32_t size, std::int32_t value) {
  char whole[1024];
  const int n = std::snprintf(whole, sizeof whole, "%d.%s.%x", value, text.c_str(), value);
  fuzz::fenced buffer(size);
  sprintfEx(buffer.data(), size, "%d.%s.%x", value, text.c_str(), value);
  if (size == 0) return;
  check(buffer.holds({whole, std::min<std::size_t>(static_cast<std::size_t>(n), size - 1)}));
  fuzz::fenced empty(size);
  sprintfEx(empty.data(), size, "");
  check(empty.untouched());
}

void comparisons(const std::string& a, const std::string& b, std::uint32_t count) {
  std::vector<char> x = fuzz::exact(a);
  std::vector<char> y = fuzz::exact(b);
  check(CompareCase(x.data(), y.data()) == (a == b));
  check(CompareNoCase(x.data(), y.data()) == (folded(a) == folded(b)));
  const bool same = folded(a.substr(0, count)) == folded(b.substr(0, count));
  check(CompareNoCaseN(x.data(), y.data(), count) == same);
  check(CompareCaseN(x.data(), y.data(), count) == same);
}

// Case changes over count bytes of a buffer holding any bytes, past NULs too.
void case_changes(const std::string& bytes, std::uint32_t count, bool upper) {
  fuzz::fenced buffer(bytes.size());
  bytes.copy(buffer.data(), buffer.size());
  count = bytes.empty() ? 0 : count % (bytes.size() + 1);
  (upper ? MakeUpper : MakeLower)(buffer.data(), count);
  std::string expected = bytes;
  for (std::uint32_t i = 0; !bytes.empty() && bytes[0] != '\0' && i < count; ++i) {
    const char c = expected[i];
    if (upper ? c >= 'a' && c <= 'z' : c >= 'A' && c <= 'Z')
      expected[i] = static_cast<char>(c ^ 32);
  }
  check(buffer.all() == expected);
}

void arrays(const std::string& bytes, std::int32_t key, std::uint32_t width) {
  // Without initial value or final XOR the CRC is linear: crc(a ^ b) = crc(a) ^ crc(b).
  const std::size_t half = bytes.size() / 2;
  const std::string a = bytes.substr(0, half), b = bytes.substr(half, half);
  std::string x = a;
  for (std::size_t i = 0; i < half; ++i) x[i] = static_cast<char>(a[i] ^ b[i]);
  const auto crc = [](const std::string& v) {
    return CalculateCRC(v.data(), static_cast<std::uint32_t>(v.size()));
  };
  check(crc(x) == (crc(a) ^ crc(b)));

  std::vector<std::int32_t> values(bytes.size() / 4);
  if (!values.empty()) {
    std::memcpy(values.data(), bytes.data(), values.size() * 4);
    values[values.size() / 2] = key;
  }
  std::vector<std::int32_t> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  const auto count = static_cast<std::uint32_t>(values.size());
  for (int ascending = 1; ascending >= 0; --ascending) {
    std::vector<std::int32_t> v = values;
    QuickSort(v.data(), count, ascending);
    check(ascending ? v == sorted : std::equal(v.rbegin(), v.rend(), sorted.begin(), sorted.end()));
    const std::uint32_t at = (ascending ? BinarySearch : BinarySearchDSC)(v.data(), count, key);
    check(at == HOSTUTIL_NOT_FOUND ? values.empty() : at < count && v[at] == key);
  }

  fuzz::fenced block(bytes.size());
  std::memcpy(block.data(), bytes.data(), bytes.size());
  ChangeEndian(block.data(), block.size());
  const bool reversed = !bytes.empty() && bytes.size() <= 256;
  check(block.all() == (reversed ? std::string(bytes.rbegin(), bytes.rend()) : bytes));
  const auto value = static_cast<std::uint32_t>(key);
  std::uint32_t expected = 0;
  for (std::uint32_t i = 0; i < width; ++i) expected = expected << 8 | (value >> (8 * i) & 0xFF);
  check(ChangeBigEndian(value, width) == expected && ChangeLittleEndian(value, width) == expected);
}

// Leading zeros suppressed or padded in place, against the rule written plainly:
// a sign kept, the digits behind it changed, the buffer cleared behind the text;
// a text that does not end in its buffer, or a result that would not fit, untouched.
void zeros(const std::string& text, uint32_t size, uint32_t width, int32_t mode) {
  fuzz::fenced buffer(size, 'x');
  std::memcpy(buffer.data(), text.c_str(), std::min<std::size_t>(text.size() + 1, size));
  const std::string before = buffer.all();
  const int32_t done = ZeroSuppressProc(buffer.data(), size, width, mode);
  const std::size_t sign = !before.empty() && before[0] == '-';
  const std::string digits = before.substr(sign);
  std::string result;
  if (digits.find('\0') != std::string::npos) {
    const std::string u = digits.substr(0, digits.find('\0'));
    if (mode != 0) {
      result = u.substr(std::min(u.find_first_not_of('0'), u.size()));
      if (result.empty()) result = "0";
    } else if (u.size() < width) {
      result = std::string(width - u.size(), '0') + u;
    }
    if (!result.empty()) result.insert(0, sign, '-');
  }
  const bool fits = !result.empty() && result.size() < size;
  check(done == fits);
  check(fits ? buffer.holds(result) : buffer.all() == before);
}

// The number parsers on a text, cut at its first NUL, and lengths around it; the
// formatters on values read from the same bytes; the zeros of the text.
int numbers(const uint8_t* data, size_t size) {
  fuzz::input r{data, size};
  const uint32_t selector = r.u32();
  const std::string rest = r.rest();
  const std::vector<char> text = fuzz::exact(rest.substr(0, rest.find('\0')));
  const auto text_length = static_cast<uint32_t>(text.size() - 1);

  // Lengths around the text's own, and a few far beyond it.
  const uint32_t lengths[] = {text_length, selector >> 2 & 0x3FF,
                              text_length + (selector >> 2 & 0xF),
                              0xFFFFFFFFu - (selector >> 2 & 0xF)};
  const uint32_t length = lengths[selector & 3];
  parsers(text.data(), text_length, length);
  formatters({reinterpret_cast<const uint8_t*>(rest.data()), rest.size()});
  zeros(rest.substr(0, rest.find('\0')), selector >> 12 & 0x3F, selector >> 18 & 0x3F,
        static_cast<int32_t>(selector >> 31));
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0 && data[0] % 7 == 6) return numbers(data + 1, size - 1);
  fuzz::input in{data, size};
  const std::uint32_t pick = in.byte();
  const std::uint32_t number = in.u16();
  const auto value = static_cast<std::int32_t>(in.u32());
  const std::string needle = in.text(12);
  const std::string bytes = in.rest();
  const std::string hay = bytes.substr(0, bytes.find('\0'));
  if (pick % 7 == 0) {
    searches(hay, needle, number % 64);
  } else if (pick % 7 == 1) {
    formatted(hay.substr(0, 900), number % 300, value);
  } else if (pick % 7 == 2) {
    comparisons(needle, hay, number % 20);
  } else if (pick % 7 == 3) {
    case_changes(bytes, number, (pick & 8) != 0);
  } else {
    arrays(bytes, value, number % 5);
  }
  return 0;
}
