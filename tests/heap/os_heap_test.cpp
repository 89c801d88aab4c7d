// The heap facility: alignment, exact sizes, zero-filling, mapped blocks, strangers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "os/heap.h"

namespace {

using namespace hostutil::os;

TEST(OsHeap, BlocksAreAlignedAndReportTheirExactSize) {
  EXPECT_EQ(heap_allocate(0, true), nullptr);
  for (std::size_t size :
       {std::size_t{1}, std::size_t{17}, std::size_t{4095}, heap_mapped_threshold - 1,
        heap_mapped_threshold, heap_mapped_threshold * 3 + 5}) {
    SCOPED_TRACE(size);
    auto* b = static_cast<unsigned char*>(heap_allocate(size, true));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 16, 0u);
    EXPECT_EQ(heap_size(b), size);
    EXPECT_EQ(b[0] | b[size - 1], 0);
    std::memset(b, 0xC3, size);
    heap_scrub(b, size + 100);  // never past the block
    // A mapped block is left as it is: its pages leave the process at release.
    EXPECT_EQ(b[size - 1], size >= heap_mapped_threshold ? 0xC3 : 0);
    EXPECT_TRUE(heap_release(b));
  }
}

TEST(OsHeap, AddressesItDoesNotKnowAreLeftAlone) {
  alignas(16) unsigned char local[32];
  std::memset(local, 0x44, sizeof local);
  EXPECT_EQ(heap_size(local), 0u);
  heap_scrub(local, sizeof local);
  EXPECT_EQ(local[0], 0x44);
  EXPECT_FALSE(heap_release(local));
  EXPECT_FALSE(heap_release(nullptr));
  // Given back once, a block is unknown: a second release is refused, not a double free.
  for (std::size_t size : {std::size_t{8}, heap_mapped_threshold}) {
    void* b = heap_allocate(size, true);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(heap_release(b));
    EXPECT_EQ(heap_size(b), 0u);
    EXPECT_FALSE(heap_release(b));
  }
}

}  // namespace
