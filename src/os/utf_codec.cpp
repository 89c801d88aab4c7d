// The exact UTF-8 / UTF-16 codec. Runs of ASCII are copied eight bytes (four
// units) at a time, since most text the library converts is mostly ASCII; the
// rest is decoded against the well-formed byte ranges of Unicode's table 3-7.
#include "os/utf_codec.h"

#include <algorithm>
#include <cstring>

namespace hostutil::os {
namespace {

constexpr std::uint32_t replacement = 0xFFFD;
constexpr std::uint64_t high_bits8 = 0x8080808080808080ull;
constexpr std::uint64_t high_bits16 = 0xFF80FF80FF80FF80ull;

// Where the converted units go: counted only, or written within a capacity.
template <typename Unit, bool Write>
class sink {
 public:
  sink(Unit* out, std::size_t capacity) : out_(out), capacity_(Write ? capacity : SIZE_MAX) {}
  std::size_t room() const { return capacity_ - count_; }
  std::size_t count() const { return count_; }
  void put(std::uint32_t unit) {
    if constexpr (Write) out_[count_] = static_cast<Unit>(unit);
    ++count_;
  }
  // n ASCII units (or bytes) of the input, as they are.
  template <typename From>
  void copy(const From* from, std::size_t n) {
    if constexpr (Write) std::copy_n(from, n, out_ + count_);
    count_ += n;
  }

 private:
  Unit* out_;
  std::size_t capacity_;
  std::size_t count_ = 0;
};

template <bool Write>
std::size_t decode_utf8(const unsigned char* p, std::size_t length, hu_wchar* out,
                        std::size_t capacity) {
  const unsigned char* const end = p + length;
  sink<hu_wchar, Write> to(out, capacity);
  while (p < end) {
    // Eight ASCII bytes at once, while they and their room last.
    while (end - p >= 8 && to.room() >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      if ((word & high_bits8) != 0) break;
      to.copy(p, 8);
      p += 8;
    }
    if (p == end) break;
    const unsigned lead = *p++;
    if (lead < 0x80) {
      if (to.room() < 1) return utf_overflow;
      to.put(lead);
      continue;
    }
    // The second byte's range depends on the lead; later bytes are 80..BF. A
    // stray trail byte or a lead that never starts a character has no trail.
    int trail = 0;
    std::uint32_t code = replacement;
    unsigned low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      trail = 1;
      code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      trail = 2;
      code = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;   // no overlong forms
      if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      trail = 3;
      code = lead & 0x07;
      if (lead == 0xF0) low = 0x90;   // no overlong forms
      if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    }
    bool whole = trail > 0;
    for (int i = 0; i < trail; ++i) {
      // A byte out of range ends the ill-formed part and is read again.
      if (p == end || *p < low || *p > high) {
        whole = false;
        break;
      }
      code = (code << 6) | (*p++ & 0x3Fu);
      low = 0x80;
      high = 0xBF;
    }
    if (!whole) code = replacement;
    if (code < 0x10000) {
      if (to.room() < 1) return utf_overflow;
      to.put(code);
    } else {
      if (to.room() < 2) return utf_overflow;
      code -= 0x10000;
      to.put(0xD800 + (code >> 10));
      to.put(0xDC00 + (code & 0x3FF));
    }
  }
  return to.count();
}

template <bool Write>
std::size_t encode_utf8(const hu_wchar* in, std::size_t length, char* out, std::size_t capacity) {
  const hu_wchar* const end = in + length;
  sink<char, Write> to(out, capacity);
  while (in < end) {
    // Four ASCII units at once.
    while (end - in >= 4 && to.room() >= 4) {
      std::uint64_t word;
      std::memcpy(&word, in, 8);
      if ((word & high_bits16) != 0) break;
      to.copy(in, 4);
      in += 4;
    }
    if (in == end) break;
    std::uint32_t code = static_cast<std::uint16_t>(*in++);
    if (code >= 0xD800 && code <= 0xDFFF) {
      const bool paired = code <= 0xDBFF && in < end && static_cast<std::uint16_t>(*in) >= 0xDC00 &&
                          static_cast<std::uint16_t>(*in) <= 0xDFFF;
      if (paired) {
        code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<std::uint16_t>(*in++) - 0xDC00);
      } else {
        code = replacement;
      }
    }
    // The lead byte carries the length's mark and the top bits; each trail byte six more.
    static constexpr std::uint32_t lead_mark[] = {0, 0, 0xC0, 0xE0, 0xF0};
    const int bytes = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    if (to.room() < static_cast<std::size_t>(bytes)) return utf_overflow;
    to.put(lead_mark[bytes] | (code >> (6 * (bytes - 1))));
    for (int shift = 6 * (bytes - 2); shift >= 0; shift -= 6) {
      to.put(0x80 | ((code >> shift) & 0x3F));
    }
  }
  return to.count();
}

}  // namespace

std::size_t utf8_to_utf16(const char* text, std::size_t length, hu_wchar* out,
                          std::size_t capacity) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  return out != nullptr ? decode_utf8<true>(p, length, out, capacity)
                        : decode_utf8<false>(p, length, nullptr, 0);
}

std::size_t utf16_to_utf8(const hu_wchar* text, std::size_t length, char* out,
                          std::size_t capacity) {
  return out != nullptr ? encode_utf8<true>(text, length, out, capacity)
                        : encode_utf8<false>(text, length, nullptr, 0);
}

}  // namespace hostutil::os
