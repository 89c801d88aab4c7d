// CalculateCRC against its check values and a bit-at-a-time reference over
// every length and alignment.
#include "algo/crc.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "hostutil.h"

namespace {

// Data bits enter lowest first at the low end; a set bit leaving the top
// brings 0x1021 in. No augmentation, no final XOR.
uint16_t crc_bit_by_bit(const unsigned char* data, size_t size) {
  uint16_t reg = 0;
  for (size_t i = 0; i < size; ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      const bool top = (reg & 0x8000u) != 0;
      reg = static_cast<uint16_t>((reg << 1) | ((data[i] >> bit) & 1u));
      if (top) reg ^= 0x1021u;
    }
  }
  return reg;
}

TEST(Crc, CheckValuesAndNothingToRead) {
  // Zero bytes count; two bytes come back as themselves, reversed; three mix in the table.
  const std::pair<std::string, uint16_t> cases[] = {{"123456789", 0xFE0A},
                                                    {std::string("123456789\0\0", 11), 0x9184},
                                                    {"abc", 0xB788},
                                                    {"\x12\x34", 0x482C}};
  for (const auto& [data, crc] : cases) {
    EXPECT_EQ(CalculateCRC(data.data(), static_cast<uint32_t>(data.size())), crc) << data;
  }
  EXPECT_EQ(CalculateCRC(nullptr, 100) + CalculateCRC("abc", 0), 0);
}

// Every length to 4096 at every alignment to 63: the carry-less bulk's start,
// end and handover to the tables must match the byte loop exactly. The
// reference grows one byte at a time, checked bit by bit on short lengths.
TEST(Crc, EqualsTheReferencesAtEveryLengthAndAlignment) {
  using hostutil::algo::crc_continue_bytewise;
  std::vector<unsigned char> data((1u << 20) + 64);
  std::mt19937 gen(7);
  for (auto& b : data) b = static_cast<unsigned char>(gen());
  for (size_t align = 0; align < 64; ++align) {
    const unsigned char* p = data.data() + align;
    uint16_t expected = 0;
    for (size_t n = 0; n <= 4096; ++n) {
      if (n > 0) expected = crc_continue_bytewise(expected, p + n - 1, 1);
      if (n <= 64) {
        ASSERT_EQ(expected, crc_bit_by_bit(p, n));
      }
      ASSERT_EQ(CalculateCRC(p, static_cast<uint32_t>(n)), expected)
          << "length " << n << " alignment " << align;
    }
  }
  EXPECT_EQ(CalculateCRC(data.data(), 1u << 20), crc_bit_by_bit(data.data(), 1u << 20));
}

}  // namespace
