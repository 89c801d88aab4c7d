// The heap facility: alignment, the exact size it reports, zero-filling, the
// switch to pages of their own at 1 MiB, and addresses it does not know.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "os/heap.h"

namespace {

using namespace hostutil::os;

bool all_zero(const void* p, std::size_t n) {
  const auto* b = static_cast<const unsigned char*>(p);
  return std::all_of(b, b + n, [](unsigned char c) { return c == 0; });
}

TEST(OsHeap, SmallBlocksAreAlignedAndReportTheirExactSize) {
  EXPECT_EQ(heap_allocate(0, true), nullptr);
  std::vector<void*> blocks;
  for (std::size_t size = 1; size <= 70; ++size) {
    void* b = heap_allocate(size, true);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 16, 0u) << size;
    EXPECT_EQ(heap_size(b), size);
    EXPECT_TRUE(all_zero(b, size));
    blocks.push_back(b);
  }
  for (void* b : blocks) EXPECT_TRUE(heap_release(b));
}

TEST(OsHeap, ScrubClearsTheBlockAndNothingAround) {
  auto* a = static_cast<unsigned char*>(heap_allocate(24, false));
  auto* b = static_cast<unsigned char*>(heap_allocate(24, false));
  ASSERT_TRUE(a && b);
  std::memset(a, 0x11, 24);
  std::memset(b, 0x22, 24);
  heap_scrub(a, heap_size(a));
  EXPECT_TRUE(all_zero(a, 24));
  EXPECT_EQ(b[0], 0x22);
  EXPECT_EQ(b[23], 0x22);
  std::memset(a, 0x11, 24);
  heap_scrub(a, 1000);  // never past the block
  EXPECT_TRUE(all_zero(a, 24));
  EXPECT_EQ(heap_size(a), 24u);
  heap_scrub(a, 0);
  EXPECT_TRUE(heap_release(a));
  EXPECT_TRUE(heap_release(b));
}

TEST(OsHeap, LargeBlocksArePagesOfTheirOwn) {
  for (std::size_t size :
       {heap_mapped_threshold - 1, heap_mapped_threshold, heap_mapped_threshold * 5 + 3}) {
    SCOPED_TRACE(size);
    auto* b = static_cast<unsigned char*>(heap_allocate(size, false));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 16, 0u);
    EXPECT_EQ(heap_size(b), size);
    std::memset(b, 0xC3, size);
    heap_scrub(b, size);
    // A mapped block is left as it is: its pages leave the process at release.
    EXPECT_EQ(b[size - 1] == 0xC3, size >= heap_mapped_threshold);
    EXPECT_TRUE(heap_release(b));
  }
  // Fresh pages read as zero whatever was asked.
  auto* b = static_cast<unsigned char*>(heap_allocate(heap_mapped_threshold * 2, false));
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(all_zero(b, heap_mapped_threshold * 2));
  EXPECT_TRUE(heap_release(b));
}

TEST(OsHeap, AddressesItDoesNotKnowAreLeftAlone) {
  alignas(16) unsigned char local[64] = {};
  std::memset(local, 0x44, sizeof local);
  EXPECT_EQ(heap_size(local + 16), 0u);
  heap_scrub(local + 16, 16);
  EXPECT_EQ(local[16], 0x44);
  EXPECT_FALSE(heap_release(local + 16));
  EXPECT_EQ(heap_size(nullptr), 0u);
  EXPECT_FALSE(heap_release(nullptr));

  void* small = heap_allocate(8, true);
  void* large = heap_allocate(heap_mapped_threshold, true);
  ASSERT_TRUE(small && large);
  EXPECT_TRUE(heap_release(small));
  EXPECT_TRUE(heap_release(large));
  // Given back once: the heap no longer knows them.
  EXPECT_EQ(heap_size(small), 0u);
  EXPECT_EQ(heap_size(large), 0u);
  EXPECT_FALSE(heap_release(small));
  EXPECT_FALSE(heap_release(large));
}

}  // namespace
