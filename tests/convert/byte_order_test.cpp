// ChangeEndian, ChangeBigEndian and ChangeLittleEndian: the 256-byte limit of
// the block reversal and the low-byte reversal of a value.
#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

#include "hostutil.h"

namespace {

TEST(ChangeEndian, ReversesUpTo256Bytes) {
  unsigned char three[] = {1, 2, 3, 9};
  ChangeEndian(three, 3);
  EXPECT_EQ(std::vector<unsigned char>(three, three + 4), (std::vector<unsigned char>{3, 2, 1, 9}));
  unsigned char one = 0x5A;
  ChangeEndian(&one, 1);
  EXPECT_EQ(one, 0x5A);

  std::vector<unsigned char> block(258);
  std::iota(block.begin(), block.end(), 0);
  ChangeEndian(block.data(), 256);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(block[i], 255 - i);
  EXPECT_EQ(block[256], 0);  // the bytes behind the block are untouched (iota wrapped)
  EXPECT_EQ(block[257], 1);
}

TEST(ChangeEndian, RefusesNullZeroAndOversize) {
  std::vector<unsigned char> block(257);
  std::iota(block.begin(), block.end(), 0);
  const auto before = block;
  ChangeEndian(block.data(), 257);
  EXPECT_EQ(block, before);
  ChangeEndian(block.data(), 0);
  EXPECT_EQ(block, before);
  ChangeEndian(nullptr, 4);
}

TEST(ChangeBigEndian, LowBytesReversed) {
  EXPECT_EQ(ChangeBigEndian(0x12345678u, 4), 0x78563412u);
  EXPECT_EQ(ChangeBigEndian(0x1234u, 2), 0x3412u);
  EXPECT_EQ(ChangeBigEndian(0x12345678u, 2), 0x7856u);
  EXPECT_EQ(ChangeBigEndian(0x12345678u, 3), 0x785634u);
  EXPECT_EQ(ChangeBigEndian(0x00FF0000u, 4), 0x0000FF00u);
  EXPECT_EQ(ChangeBigEndian(0xABCDEF12u, 1), 0x12u);
  EXPECT_EQ(ChangeBigEndian(0xFFFFFFFFu, 0), 0u);
  EXPECT_EQ(ChangeBigEndian(0xFFFFFFFFu, 5), 0u);  // outside 1 to 4: refused
}

TEST(ChangeBigEndian, BothFormsAgreeAndInvert) {
  std::mt19937 gen(1);
  for (int i = 0; i < 10000; ++i) {
    const uint32_t v = gen();
    for (uint32_t size = 0; size <= 4; ++size) {
      const uint32_t big = ChangeBigEndian(v, size);
      ASSERT_EQ(big, ChangeLittleEndian(v, size));
      const uint32_t low = size == 4 ? v : v & ((1u << (8 * size)) - 1u);
      ASSERT_EQ(ChangeBigEndian(big, size), low);
    }
  }
}

}  // namespace
