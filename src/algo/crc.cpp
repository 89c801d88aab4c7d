// CalculateCRC: polynomial 0x1021, data bits fed lowest first, register from 0,
// no augmentation, no final XOR. A byte step multiplies the register by x^8
// modulo the generator, so sixteen steps fold into one XOR of table entries.
#include "algo/crc.h"

#include <array>

#include "hostutil.h"

namespace hostutil::algo {
namespace {

constexpr std::uint16_t generator = 0x1021;
constexpr int slice = 16;  // bytes a step of the fast loop

using table = std::array<std::uint16_t, 256>;

// Entry b: the bits of b in reverse order.
constexpr std::array<std::uint8_t, 256> make_reversal() {
  std::array<std::uint8_t, 256> t{};
  for (int b = 0; b < 256; ++b) {
    int r = 0;
    for (int i = 0; i < 8; ++i) r |= ((b >> i) & 1) << (7 - i);
    t[b] = static_cast<std::uint8_t>(r);
  }
  return t;
}

// Entry i: i in the high byte of a zero register, shifted left eight times.
constexpr table make_msb_table() {
  table t{};
  for (int i = 0; i < 256; ++i) {
    std::uint16_t r = static_cast<std::uint16_t>(i << 8);
    for (int k = 0; k < 8; ++k) {
      r = static_cast<std::uint16_t>((r & 0x8000u) ? (r << 1) ^ generator : (r << 1));
    }
    t[i] = r;
  }
  return t;
}

constexpr auto reversal = make_reversal();
constexpr auto msb_table = make_msb_table();

constexpr std::uint16_t byte_step(std::uint16_t reg, std::uint8_t b) {
  return static_cast<std::uint16_t>(msb_table[reg >> 8] ^ (reg << 8) ^ reversal[b]);
}

// power[k][v] = v * x^(8k) mod G. Byte j of a block of n bytes lands in the
// register multiplied by x^(8(n-1-j)); the old register's bytes by x^(8n) and
// x^(8(n+1)). The data tables take the raw byte and do the reversal too.
struct slicing_tables {
  std::array<table, slice> data;  // data[k][b] = reversed(b) * x^(8k) mod G
  table reg_low;                  // low register byte * x^(8 slice) mod G
  table reg_high;                 // high register byte * x^(8 (slice + 1)) mod G
};

constexpr slicing_tables make_slicing_tables() {
  slicing_tables s{};
  table power{};
  for (int v = 0; v < 256; ++v) power[v] = static_cast<std::uint16_t>(v);  // x^0
  for (int k = 0; k < slice; ++k) {
    for (int b = 0; b < 256; ++b) s.data[k][b] = power[reversal[b]];
    for (auto& e : power) e = byte_step(e, 0);  // times x^8
  }
  s.reg_low = power;
  for (auto& e : power) e = byte_step(e, 0);
  s.reg_high = power;
  return s;
}

constexpr slicing_tables tables = make_slicing_tables();

static_assert(msb_table[1] == 0x1021 && msb_table[7] == 0x70E7 && msb_table[128] == 0x9188 &&
              msb_table[255] == 0x1EF0);
static_assert(reversal[0x01] == 0x80 && reversal[0x0F] == 0xF0);

}  // namespace

std::uint16_t crc_continue_bytewise(std::uint16_t reg, const unsigned char* data,
                                    std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) reg = byte_step(reg, data[i]);
  return reg;
}

std::uint16_t crc_continue(std::uint16_t reg, const unsigned char* data, std::size_t size) {
  const std::size_t folded = crc_fold_bulk(reg, data, size);
  data += folded;
  size -= folded;
  const auto& d = tables.data;
  while (size >= slice) {
    // Independent lookups; only the two register bytes chain from step to step.
    std::uint32_t r = tables.reg_high[reg >> 8] ^ tables.reg_low[reg & 0xFFu];
    r ^= d[15][data[0]] ^ d[14][data[1]] ^ d[13][data[2]] ^ d[12][data[3]];
    r ^= d[11][data[4]] ^ d[10][data[5]] ^ d[9][data[6]] ^ d[8][data[7]];
    r ^= d[7][data[8]] ^ d[6][data[9]] ^ d[5][data[10]] ^ d[4][data[11]];
    r ^= d[3][data[12]] ^ d[2][data[13]] ^ d[1][data[14]] ^ d[0][data[15]];
    reg = static_cast<std::uint16_t>(r);
    data += slice;
    size -= slice;
  }
  return crc_continue_bytewise(reg, data, size);
}

}  // namespace hostutil::algo

extern "C" {

HOSTUTIL_API uint16_t HOSTUTIL_CALL CalculateCRC(const void* data, uint32_t length) {
  if (data == nullptr) return 0;
  return hostutil::algo::crc_continue(0, static_cast<const unsigned char*>(data), length);
}

}  // extern "C"
