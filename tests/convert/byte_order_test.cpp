// ChangeEndian, ChangeBigEndian and ChangeLittleEndian: the 256-byte limit of
// the block reversal and the low-byte reversal of a value.
#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

#include "hostutil.h"

namespace {

using bytes = std::vector<unsigned char>;

TEST(ChangeEndian, ReversesUpTo256BytesAndRefusesTheRest) {
  bytes three{1, 2, 3, 9};
  ChangeEndian(three.data(), 3);
  EXPECT_EQ(three, (bytes{3, 2, 1, 9}));
  bytes block(258);
  std::iota(block.begin(), block.end(), 0);
  const bytes before = block;
  // Oversize, empty and missing blocks are left alone.
  ChangeEndian(block.data(), 257);
  ChangeEndian(block.data(), 0);
  ChangeEndian(nullptr, 4);
  EXPECT_EQ(block, before);
  ChangeEndian(block.data(), 1);
  EXPECT_EQ(block, before);
  ChangeEndian(block.data(), 256);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(block[i], 255 - i);
  EXPECT_EQ(block[256], 0);  // the bytes behind the block are untouched (iota wrapped)
  EXPECT_EQ(block[257], 1);
}

TEST(ChangeBigEndian, LowBytesReversedBothFormsAgreeAndInvert) {
  const struct {
    uint32_t value, size, reversed;
  } cases[] = {{0x12345678u, 4, 0x78563412u}, {0x1234u, 2, 0x3412u},
               {0x12345678u, 2, 0x7856u},     {0x12345678u, 3, 0x785634u},
               {0x00FF0000u, 4, 0x0000FF00u}, {0xABCDEF12u, 1, 0x12u},
               {0xFFFFFFFFu, 0, 0u},          {0xFFFFFFFFu, 5, 0u}};  // outside 1 to 4: refused
  for (const auto& c : cases) {
    EXPECT_EQ(ChangeBigEndian(c.value, c.size), c.reversed) << std::hex << c.value << " " << c.size;
    EXPECT_EQ(ChangeLittleEndian(c.value, c.size), c.reversed);
  }
  std::mt19937 gen(1);
  for (int i = 0; i < 10000; ++i) {
    const uint32_t v = gen();
    for (uint32_t size = 0; size <= 4; ++size) {
      const uint32_t big = ChangeBigEndian(v, size);
      ASSERT_EQ(big, ChangeLittleEndian(v, size));
      ASSERT_EQ(ChangeBigEndian(big, size), size == 4 ? v : v & ((1u << (8 * size)) - 1u));
    }
  }
}

}  // namespace
