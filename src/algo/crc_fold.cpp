// The CRC's bulk by carry-less multiplication (PCLMULQDQ), where the processor
// has it. The register update is linear over GF(2): a message M leaves
// (register * x^len + M) mod G, and a 128-bit piece A followed by D more bits
// contributes A * x^D, which is congruent to (high half) * (x^(D+64) mod G) +
// (low half) * (x^D mod G), two 64 x 16-bit products that fit in 128 bits again.
// Eight such accumulators fold 128 bytes a step; at the end they fold into
// one, whose 16 bytes the table code reduces, and the table code takes the rest.
// Where the processor has AVX-512 with VPCLMULQDQ, four pieces go to a register.
//
// Bytes feed their lowest bit first, so 16 bytes loaded as a little-endian
// 128-bit number hold the coefficient of x^(127-q) in bit q (a "reflected"
// piece). A product of two reflected 64-bit operands comes out one place short
// (bit s holds x^(126-s)), which the constants make up for by carrying one
// power of x less: x^(D+63) and x^(D-1).
#include "algo/crc.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

#include <cstring>

namespace hostutil::algo {
namespace {

constexpr std::uint16_t generator = 0x1021;

// x^n mod G, as the 16-bit register holds it (bit d: the coefficient of x^d).
constexpr std::uint16_t x_power_mod(unsigned n) {
  std::uint16_t r = 1;
  for (unsigned i = 0; i < n; ++i) {
    r = static_cast<std::uint16_t>((r & 0x8000u) ? (r << 1) ^ generator : (r << 1));
  }
  return r;
}

// A polynomial below x^16 as a reflected 64-bit operand: x^d in bit 63 - d.
constexpr long long reflected(std::uint16_t poly) {
  unsigned long long r = 0;
  for (int d = 0; d < 16; ++d) {
    if ((poly >> d) & 1u) r |= 1ull << (63 - d);
  }
  return static_cast<long long>(r);
}

// The two constants that carry a 128-bit piece D bits further on.
struct fold_constants {
  long long high;  // times the piece's high-degree half (its low 64 bits)
  long long low;   // times its low-degree half (its high 64 bits)
};

constexpr fold_constants carry_by(unsigned bits) {
  return {reflected(x_power_mod(bits + 63)), reflected(x_power_mod(bits - 1))};
}

constexpr int lanes = 8;  // accumulators, 16 bytes each
constexpr fold_constants step = carry_by(128 * lanes);
constexpr fold_constants merge[lanes - 1] = {carry_by(128 * 7), carry_by(128 * 6),
                                             carry_by(128 * 5), carry_by(128 * 4),
                                             carry_by(128 * 3), carry_by(128 * 2),
                                             carry_by(128 * 1)};

static_assert(x_power_mod(16) == generator, "x^16 is the generator's low part");

__attribute__((target("pclmul,sse2"))) inline __m128i carry(__m128i piece, fold_constants k) {
  const __m128i c = _mm_set_epi64x(k.low, k.high);
  return _mm_xor_si128(_mm_clmulepi64_si128(piece, c, 0x00), _mm_clmulepi64_si128(piece, c, 0x11));
}

__attribute__((target("pclmul,sse2"))) std::uint16_t fold(std::uint16_t reg,
                                                          const unsigned char* data,
                                                          std::size_t steps) {
  __m128i acc[lanes];
  for (int j = 0; j < lanes; ++j) {
    acc[j] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * j));
  }
  // The register stands before the first piece: reg * x^128 mod G goes into
  // that piece's lowest sixteen degrees, its last two bytes.
  const unsigned char zeros[16] = {};
  const std::uint16_t carried = crc_continue_bytewise(reg, zeros, sizeof zeros);
  acc[0] = _mm_xor_si128(acc[0], _mm_set_epi64x(reflected(carried), 0));
  for (std::size_t s = 1; s < steps; ++s) {
    data += 16 * lanes;
    for (int j = 0; j < lanes; ++j) {
      acc[j] = _mm_xor_si128(carry(acc[j], step),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * j)));
    }
  }
  __m128i all = acc[lanes - 1];
  for (int j = 0; j < lanes - 1; ++j) all = _mm_xor_si128(all, carry(acc[j], merge[j]));
  unsigned char piece[16];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(piece), all);
  return crc_continue_bytewise(0, piece, sizeof piece);
}

// The same with four 128-bit pieces to a register (VPCLMULQDQ, AVX-512): four
// registers fold 256 bytes a step, and their 256 bytes are what the tables
// reduce at the end.
constexpr int wide_lanes = 4;
constexpr std::size_t wide_step_bytes = 64 * wide_lanes;
constexpr fold_constants wide_step = carry_by(8 * wide_step_bytes);

__attribute__((target("avx512f,vpclmulqdq"))) std::uint16_t fold_wide(std::uint16_t reg,
                                                                      const unsigned char* data,
                                                                      std::size_t steps) {
  __m512i acc[wide_lanes];
  for (int j = 0; j < wide_lanes; ++j) acc[j] = _mm512_loadu_si512(data + 64 * j);
  const unsigned char zeros[16] = {};
  const std::uint16_t carried = crc_continue_bytewise(reg, zeros, sizeof zeros);
  acc[0] = _mm512_xor_si512(acc[0], _mm512_set_epi64(0, 0, 0, 0, 0, 0, reflected(carried), 0));
  const __m512i k = _mm512_set_epi64(wide_step.low, wide_step.high, wide_step.low, wide_step.high,
                                     wide_step.low, wide_step.high, wide_step.low, wide_step.high);
  for (std::size_t s = 1; s < steps; ++s) {
    data += wide_step_bytes;
    for (int j = 0; j < wide_lanes; ++j) {
      acc[j] = _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(acc[j], k, 0x00),
                                         _mm512_clmulepi64_epi128(acc[j], k, 0x11),
                                         _mm512_loadu_si512(data + 64 * j), 0x96);
    }
  }
  unsigned char pieces[wide_step_bytes];
  for (int j = 0; j < wide_lanes; ++j) _mm512_storeu_si512(pieces + 64 * j, acc[j]);
  return crc_continue(0, pieces, sizeof pieces);
}

}  // namespace

std::size_t crc_fold_bulk(std::uint16_t& reg, const unsigned char* data, std::size_t size) {
  constexpr std::size_t step_bytes = 16 * lanes;
  // Below a few steps the tables are as quick.
  if (size >= 4 * wide_step_bytes && __builtin_cpu_supports("avx512f") &&
      __builtin_cpu_supports("vpclmulqdq")) {
    const std::size_t steps = size / wide_step_bytes;
    reg = fold_wide(reg, data, steps);
    return steps * wide_step_bytes;
  }
  if (size < 4 * step_bytes || !__builtin_cpu_supports("pclmul")) return 0;
  const std::size_t steps = size / step_bytes;
  reg = fold(reg, data, steps);
  return steps * step_bytes;
}

}  // namespace hostutil::algo

#else

namespace hostutil::algo {

std::size_t crc_fold_bulk(std::uint16_t&, const unsigned char*, std::size_t) { return 0; }

}  // namespace hostutil::algo

#endif
