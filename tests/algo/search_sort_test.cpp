// BinarySearch, BinarySearchDSC and QuickSort: signed comparisons, the not-found
// value, sorting against std::sort in both directions, and inputs that drive a
// first-element pivot to its worst case.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

#include "hostutil.h"

namespace {

uint32_t count_of(const std::vector<int32_t>& v) { return static_cast<uint32_t>(v.size()); }

TEST(BinarySearch, AscendingAndDescendingExamples) {
  const std::vector<int32_t> up{1, 3, 5, 7};
  EXPECT_EQ(BinarySearch(up.data(), 4, 5), 2u);
  EXPECT_EQ(BinarySearch(up.data(), 4, 4), HOSTUTIL_NOT_FOUND);
  EXPECT_EQ(BinarySearch(up.data(), 4, 1), 0u);
  EXPECT_EQ(BinarySearch(up.data(), 4, 7), 3u);
  EXPECT_EQ(BinarySearch(up.data(), 4, 0), HOSTUTIL_NOT_FOUND);
  EXPECT_EQ(BinarySearch(up.data(), 4, 8), HOSTUTIL_NOT_FOUND);
  const std::vector<int32_t> down{7, 5, 3, 1};
  EXPECT_EQ(BinarySearchDSC(down.data(), 4, 3), 2u);
  EXPECT_EQ(BinarySearchDSC(down.data(), 4, 8), HOSTUTIL_NOT_FOUND);
  EXPECT_EQ(BinarySearchDSC(down.data(), 4, 0), HOSTUTIL_NOT_FOUND);
  EXPECT_EQ(BinarySearchDSC(down.data(), 4, 7), 0u);
  EXPECT_EQ(BinarySearchDSC(down.data(), 4, 1), 3u);
}

TEST(BinarySearch, EmptyNullAndSingle) {
  const int32_t one = -9;
  EXPECT_EQ(BinarySearch(nullptr, 5, 1), HOSTUTIL_NOT_FOUND);
  EXPECT_EQ(BinarySearchDSC(nullptr, 5, 1), HOSTUTIL_NOT_FOUND);
  EXPECT_EQ(BinarySearch(&one, 0, -9), HOSTUTIL_NOT_FOUND);
  EXPECT_EQ(BinarySearch(&one, 1, -9), 0u);
  EXPECT_EQ(BinarySearchDSC(&one, 1, -9), 0u);
  EXPECT_EQ(BinarySearch(&one, 1, -8), HOSTUTIL_NOT_FOUND);
  EXPECT_EQ(BinarySearchDSC(&one, 1, -10), HOSTUTIL_NOT_FOUND);
}

TEST(BinarySearch, EveryKeyOfRandomArraysWithDuplicates) {
  std::mt19937 gen(5);
  for (int round = 0; round < 200; ++round) {
    std::vector<int32_t> v(gen() % 40 + 1);
    for (auto& x : v) x = static_cast<int32_t>(gen() % 31) - 15;
    if (round % 10 == 0) v.front() = INT32_MIN, v.back() = INT32_MAX;
    std::sort(v.begin(), v.end());
    std::vector<int32_t> down(v.rbegin(), v.rend());
    std::vector<int32_t> keys{INT32_MIN, INT32_MAX};
    for (int32_t k = -17; k <= 17; ++k) keys.push_back(k);
    for (int32_t key : keys) {
      const bool present = std::binary_search(v.begin(), v.end(), key);
      const uint32_t a = BinarySearch(v.data(), count_of(v), key);
      const uint32_t d = BinarySearchDSC(down.data(), count_of(down), key);
      if (present) {
        ASSERT_LT(a, v.size());
        ASSERT_EQ(v[a], key);
        ASSERT_LT(d, down.size());
        ASSERT_EQ(down[d], key);
      } else {
        ASSERT_EQ(a, HOSTUTIL_NOT_FOUND);
        ASSERT_EQ(d, HOSTUTIL_NOT_FOUND);
      }
    }
  }
}

TEST(QuickSort, SignedInBothDirections) {
  std::vector<int32_t> v{3, -1, 2};
  QuickSort(v.data(), 3, 1);
  EXPECT_EQ(v, (std::vector<int32_t>{-1, 2, 3}));
  QuickSort(v.data(), 3, 0);
  EXPECT_EQ(v, (std::vector<int32_t>{3, 2, -1}));
  std::vector<int32_t> extremes{0, INT32_MAX, INT32_MIN, -1, INT32_MIN, INT32_MAX};
  QuickSort(extremes.data(), count_of(extremes), 7);  // any non-zero flag is ascending
  EXPECT_EQ(extremes, (std::vector<int32_t>{INT32_MIN, INT32_MIN, -1, 0, INT32_MAX, INT32_MAX}));
}

TEST(QuickSort, CountsThatSortNothing) {
  QuickSort(nullptr, 0, 1);
  QuickSort(nullptr, 1, 0);
  // The upper bound count - 1 is read as signed: above 2^31 it is negative.
  QuickSort(nullptr, 0x80000001u, 1);
  QuickSort(nullptr, 0xFFFFFFFFu, 0);
  std::vector<int32_t> v{2, 1};
  QuickSort(v.data(), 1, 1);
  EXPECT_EQ(v, (std::vector<int32_t>{2, 1}));  // only the first element is in the range
}

TEST(QuickSort, MatchesStdSortOnRandomArrays) {
  std::mt19937 gen(9);
  for (int round = 0; round < 600; ++round) {
    const size_t n = round < 300 ? static_cast<size_t>(round % 50) : gen() % 5000;
    const int32_t spread = round % 3 == 0 ? 4 : (round % 3 == 1 ? 1000 : INT32_MAX);
    std::vector<int32_t> v(n);
    std::uniform_int_distribution<int32_t> dist(-spread, spread);
    for (auto& x : v) x = dist(gen);
    std::vector<int32_t> up = v, down = v, want_up = v, want_down = v;
    std::sort(want_up.begin(), want_up.end());
    std::sort(want_down.begin(), want_down.end(), std::greater<>());
    QuickSort(up.data(), count_of(up), 1);
    QuickSort(down.data(), count_of(down), 0);
    ASSERT_EQ(up, want_up) << "round " << round;
    ASSERT_EQ(down, want_down) << "round " << round;
  }
}

// A first-element pivot makes every partition one-sided on these; the sort
// must finish with a shallow stack and the right order.
TEST(QuickSort, HundredThousandSortedAndReversed) {
  constexpr int32_t n = 100000;
  std::vector<int32_t> ascending(n);
  std::iota(ascending.begin(), ascending.end(), -n / 2);
  std::vector<int32_t> descending(ascending.rbegin(), ascending.rend());

  for (int direction : {1, 0}) {
    const auto& want = direction ? ascending : descending;
    for (const auto* input : {&ascending, &descending}) {
      std::vector<int32_t> v = *input;
      QuickSort(v.data(), n, direction);
      ASSERT_EQ(v, want) << "direction " << direction;
    }
  }
  std::vector<int32_t> all_equal(n, 42);
  QuickSort(all_equal.data(), n, 0);
  EXPECT_EQ(all_equal, std::vector<int32_t>(n, 42));
}

// Inputs that still drive this pivot to one-sided partitions at every level:
// the smaller side is the one recursed into, so the depth stays small.
TEST(QuickSort, OneSidedPartitionsAllTheWayDown) {
  constexpr int32_t n = 10000;
  std::vector<int32_t> rotated(n);
  std::iota(rotated.begin(), rotated.end(), 0);
  std::rotate(rotated.begin(), rotated.begin() + 1, rotated.end());  // 1 2 ... n-1 0
  std::vector<int32_t> v = rotated;
  QuickSort(v.data(), n, 1);
  EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
  v = rotated;
  std::reverse(v.begin(), v.end());  // 0 n-1 ... 2 1, descending requested
  QuickSort(v.data(), n, 0);
  EXPECT_TRUE(std::is_sorted(v.begin(), v.end(), std::greater<>()));
}

}  // namespace
