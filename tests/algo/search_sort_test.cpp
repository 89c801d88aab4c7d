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

using values = std::vector<int32_t>;

uint32_t count_of(const values& v) { return static_cast<uint32_t>(v.size()); }

constexpr uint32_t none = HOSTUTIL_NOT_FOUND;

TEST(BinarySearch, ExamplesEdgesAndNothingToSearch) {
  const values up{1, 3, 5, 7}, down{7, 5, 3, 1};
  const struct {
    int32_t key;
    uint32_t up, down;
  } cases[] = {{5, 2, 1}, {4, none, none}, {1, 0, 3}, {7, 3, 0}, {0, none, none}, {8, none, none}};
  for (const auto& c : cases) {
    EXPECT_EQ(BinarySearch(up.data(), 4, c.key), c.up) << c.key;
    EXPECT_EQ(BinarySearchDSC(down.data(), 4, c.key), c.down) << c.key;
  }
  const int32_t one = -9;
  EXPECT_EQ(BinarySearch(nullptr, 5, 1), none);
  EXPECT_EQ(BinarySearchDSC(nullptr, 5, 1), none);
  EXPECT_EQ(BinarySearch(&one, 0, -9), none);
  EXPECT_EQ(BinarySearch(&one, 1, -9), 0u);
  EXPECT_EQ(BinarySearchDSC(&one, 1, -9), 0u);
  EXPECT_EQ(BinarySearch(&one, 1, -8), none);
  EXPECT_EQ(BinarySearchDSC(&one, 1, -10), none);
}

TEST(BinarySearch, EveryKeyOfRandomArraysWithDuplicates) {
  std::mt19937 gen(5);
  for (int round = 0; round < 200; ++round) {
    values v(gen() % 40 + 1);
    for (auto& x : v) x = static_cast<int32_t>(gen() % 31) - 15;
    if (round % 10 == 0) v.front() = INT32_MIN, v.back() = INT32_MAX;
    std::sort(v.begin(), v.end());
    const values down(v.rbegin(), v.rend());
    values keys{INT32_MIN, INT32_MAX};
    for (int32_t k = -17; k <= 17; ++k) keys.push_back(k);
    for (int32_t key : keys) {
      const uint32_t a = BinarySearch(v.data(), count_of(v), key);
      const uint32_t d = BinarySearchDSC(down.data(), count_of(down), key);
      if (std::binary_search(v.begin(), v.end(), key)) {
        ASSERT_LT(a, v.size());
        ASSERT_EQ(v[a], key);
        ASSERT_LT(d, down.size());
        ASSERT_EQ(down[d], key);
      } else {
        ASSERT_EQ(a, none);
        ASSERT_EQ(d, none);
      }
    }
  }
}

TEST(QuickSort, SignedExtremesAndCountsThatSortNothing) {
  values v{0, INT32_MAX, INT32_MIN, -1, INT32_MIN, INT32_MAX};
  QuickSort(v.data(), count_of(v), 7);  // any non-zero flag is ascending
  EXPECT_EQ(v, (values{INT32_MIN, INT32_MIN, -1, 0, INT32_MAX, INT32_MAX}));
  QuickSort(v.data(), count_of(v), 0);
  EXPECT_EQ(v, (values{INT32_MAX, INT32_MAX, 0, -1, INT32_MIN, INT32_MIN}));
  QuickSort(nullptr, 0, 1);
  QuickSort(nullptr, 1, 0);
  // The upper bound count - 1 is read as signed: above 2^31 it is negative.
  QuickSort(nullptr, 0x80000001u, 1);
  QuickSort(nullptr, 0xFFFFFFFFu, 0);
  values two{2, 1};
  QuickSort(two.data(), 1, 1);
  EXPECT_EQ(two, (values{2, 1}));  // only the first element is in the range
}

TEST(QuickSort, MatchesStdSortOnRandomArrays) {
  std::mt19937 gen(9);
  for (int round = 0; round < 600; ++round) {
    const size_t n = round < 300 ? static_cast<size_t>(round % 50) : gen() % 5000;
    const int32_t spread = round % 3 == 0 ? 4 : (round % 3 == 1 ? 1000 : INT32_MAX);
    values v(n);
    std::uniform_int_distribution<int32_t> dist(-spread, spread);
    for (auto& x : v) x = dist(gen);
    values up = v, down = v, want_up = v, want_down = v;
    std::sort(want_up.begin(), want_up.end());
    std::sort(want_down.begin(), want_down.end(), std::greater<>());
    QuickSort(up.data(), count_of(up), 1);
    QuickSort(down.data(), count_of(down), 0);
    ASSERT_EQ(up, want_up) << "round " << round;
    ASSERT_EQ(down, want_down) << "round " << round;
  }
}

// A first-element pivot makes every partition one-sided on these; the smaller
// side is the one recursed into, so the sort finishes with a shallow stack.
TEST(QuickSort, OneSidedPartitionsAllTheWayDown) {
  constexpr int32_t n = 100000;
  values ascending(n);
  std::iota(ascending.begin(), ascending.end(), -n / 2);
  values descending(ascending.rbegin(), ascending.rend());
  for (int direction : {1, 0}) {
    for (const auto* input : {&ascending, &descending}) {
      values v = *input;
      QuickSort(v.data(), n, direction);
      ASSERT_EQ(v, direction ? ascending : descending) << "direction " << direction;
    }
  }
  values all_equal(n, 42);
  QuickSort(all_equal.data(), n, 0);
  EXPECT_EQ(all_equal, values(n, 42));

  values rotated(10000);
  std::iota(rotated.begin(), rotated.end(), 0);
  std::rotate(rotated.begin(), rotated.begin() + 1, rotated.end());  // 1 2 ... n-1 0
  values r = rotated;
  QuickSort(r.data(), count_of(r), 1);
  EXPECT_TRUE(std::is_sorted(r.begin(), r.end()));
  r.assign(rotated.rbegin(), rotated.rend());  // 0 n-1 ... 2 1, descending requested
  QuickSort(r.data(), count_of(r), 0);
  EXPECT_TRUE(std::is_sorted(r.begin(), r.end(), std::greater<>()));
}

}  // namespace
