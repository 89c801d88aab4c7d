// CalculateCRC against its check values and a bit-at-a-time reference over
// every length and alignment; BinarySearch, BinarySearchDSC and QuickSort
// against the standard library, with a first-element pivot's worst cases; and
// sprintfEx's bounded, zero-filled print and the sizes it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <new>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "algo/crc.h"
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

using values = std::vector<int32_t>;
uint32_t count_of(const values& v) { return static_cast<uint32_t>(v.size()); }

TEST(BinarySearch, ExamplesAndNothingToSearch) {
  const values up{1, 3, 5, 7}, down{7, 5, 3, 1};
  // key, its place in up, its place in down
  const int32_t r[][3] = {{5, 2, 1}, {4, -1, -1}, {1, 0, 3}, {7, 3, 0}, {3, 1, 2}, {8, -1, -1}};
  for (const auto& c : r) {
    EXPECT_EQ(BinarySearch(up.data(), 4, c[0]), static_cast<uint32_t>(c[1])) << c[0];
    EXPECT_EQ(BinarySearchDSC(down.data(), 4, c[0]), static_cast<uint32_t>(c[2])) << c[0];
  }
  EXPECT_EQ(BinarySearch(up.data(), 1, 1) + BinarySearchDSC(down.data(), 1, 7), 0u);
  EXPECT_EQ(std::min({BinarySearch(nullptr, 5, 1), BinarySearchDSC(nullptr, 5, 1),
                      BinarySearch(up.data(), 0, 1), BinarySearch(up.data(), 1, 3)}),
            HOSTUTIL_NOT_FOUND);
}

// Sorts the input both ways (any non-zero flag is ascending) as std::sort does.
void expect_sorted(const values& input) {
  values want = input, got = input;
  std::sort(want.begin(), want.end());
  QuickSort(got.data(), count_of(got), 7);
  ASSERT_EQ(got, want) << input.size() << " elements";
  got = input;
  QuickSort(got.data(), count_of(got), 0);
  ASSERT_EQ(got, values(want.rbegin(), want.rend())) << input.size() << " elements";
}

// Signed values and duplicates; a first-element pivot is one-sided all the way
// down on the ramps and the constant array, and the smaller side is the one
// recursed into, so the sort finishes with a shallow stack.
TEST(QuickSort, SignedDuplicatesAndOneSidedPartitions) {
  values ramp(100000);
  std::iota(ramp.begin(), ramp.end(), -50000);
  for (const values& v :
       {values{0, INT32_MAX, INT32_MIN, -1, INT32_MIN, INT32_MAX}, values{3, -1, 2}, values{5},
        values{}, ramp, values(ramp.rbegin(), ramp.rend()), values(100000, 42)}) {
    expect_sorted(v);
  }
  // The upper bound count - 1 is read as signed: above 2^31 it is negative.
  for (uint32_t count : {0u, 0x80000001u, 0xFFFFFFFFu}) QuickSort(nullptr, count, 1);
}

// sprintfEx into a buffer of size bytes; the buffer and two guard bytes behind it.
template <typename... Args>
std::string printed(uint32_t size, const char* format, Args... args) {
  std::string memory(size + 2, 'x');
  sprintfEx(memory.data(), size, format, args...);
  return memory;
}

TEST(SprintfEx, CutsAndZeroFillsWithinTheBuffer) {
  EXPECT_EQ(printed(5, "%d", 123456), std::string("1234\0xx", 7));
  // Bad arguments leave the buffer untouched.
  EXPECT_EQ(printed(0, "%d", 1) + printed(4, nullptr) + printed(4, ""), std::string(14, 'x'));
  sprintfEx(nullptr, 8, "%d", 1);
  constexpr size_t size = 0x80000000u;  // beyond the C library's counts: cleared, not formatted
  std::unique_ptr<char[]> big(new (std::nothrow) char[size + 1]);
  if (!big) GTEST_SKIP() << "no 2 GiB block on this machine";
  big[0] = big[size - 1] = big[size] = 'x';
  sprintfEx(big.get(), static_cast<uint32_t>(size), "%d", 42);
  EXPECT_EQ(std::string({big[0], big[size - 1], big[size]}), std::string("\0\0x", 3));
}

}  // namespace
