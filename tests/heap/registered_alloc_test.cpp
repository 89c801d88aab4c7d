// The registered allocator: registry and table entries, claims, scrubbing, failures.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "heap/registry.h"
#include "heap_spy.h"
#include "lock/semaphore_table.h"
#include "support/fake_semaphores.h"

using namespace std::chrono_literals;
using hostutil::test::text_of;

namespace {

// The registry's records, read with the cursor.
std::vector<std::string> registered() {
  std::vector<std::string> out;
  void* cursor = hostutil::heap::allocation_registry();
  char buffer[32];
  while (uint32_t n = FetchHeapData(&cursor, buffer, sizeof buffer)) out.emplace_back(buffer, n);
  return out;
}

bool is_registered(const void* block) {
  const auto all = registered();
  return std::find(all.begin(), all.end(), text_of(block)) != all.end();
}

bool has_semaphore(const void* block) { return SemaphoreIsExist(text_of(block).c_str(), 0) == 1; }

bool all_zero(const void* p, std::size_t n) {
  const auto* b = static_cast<const unsigned char*>(p);
  return std::all_of(b, b + n, [](unsigned char c) { return c == 0; });
}

using RegisteredAlloc = hostutil::test::fresh_table;

TEST_F(RegisteredAlloc, BlocksAreZeroFilledRegisteredAndGivenASemaphore) {
  EXPECT_EQ(GlobalAllocEx(64, 0), nullptr);
  EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);

  void* block = GlobalAllocEx(64, 100);
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(all_zero(block, 100));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
  EXPECT_EQ(registered(), std::vector<std::string>{text_of(block)});
  EXPECT_TRUE(has_semaphore(block));
  EXPECT_EQ(SemaphoreIsExist("HEAP_SEMAPHORE_CONTROL", 0), 1u);
  // The registry text is the numbered name of the address.
  EXPECT_EQ(SemaphoreIsEntry(nullptr, reinterpret_cast<uintptr_t>(block)), 0u);
  EXPECT_EQ(SemaphoreEntry(nullptr, reinterpret_cast<uintptr_t>(block), 1), 1u);
  EXPECT_EQ(GlobalAreaIsEntry(block), 1u);
  SemaphoreLeave(nullptr, reinterpret_cast<uintptr_t>(block));

  void* second = HeapAllocExEx(64, 7);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(registered(), (std::vector<std::string>{text_of(block), text_of(second)}));
  std::memset(block, 0x5A, 100);
  std::memset(second, 0x5A, 7);

  {
    hostutil::test::heap_spy spy;
    EXPECT_EQ(GlobalFreeExEx(block), 0u);
    EXPECT_FALSE(has_semaphore(block));
    EXPECT_EQ(registered(), std::vector<std::string>{text_of(second)});
    EXPECT_EQ(HeapFreeExEx(second), 1u);
    EXPECT_FALSE(has_semaphore(second));
    // Both blocks, then the registry's record and head, each given back cleared.
    EXPECT_EQ(spy.released_sizes, (std::vector<std::size_t>{36, 100, 36, 24, 7}));
    EXPECT_EQ(spy.dirty_releases, 0);
  }
  EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);
  EXPECT_EQ(SemaphoreIsExist("HEAP_SEMAPHORE_CONTROL", 0), 0u);
  EXPECT_EQ(hostutil::lock::occupied_slots(), 0u);

  // A freed block and a null one alike.
  EXPECT_EQ(GlobalFreeExEx(block), 0u);
  EXPECT_EQ(GlobalFreeEx(block), 0u);
  EXPECT_EQ(HeapFreeExEx(block), 1u);
  EXPECT_EQ(GlobalFreeEx(nullptr), 0u);
  EXPECT_EQ(GlobalFreeExEx(nullptr), 0u);
  EXPECT_EQ(HeapFreeExEx(nullptr), 1u);

  // After the last free the registry is made afresh.
  void* third = GlobalAllocEx(64, 1);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(registered(), std::vector<std::string>{text_of(third)});
  GlobalFreeExEx(third);
}

TEST_F(RegisteredAlloc, OnlyTheZeroInitFlagCounts) {
  hostutil::test::heap_spy spy;
  void* a = GlobalAllocEx(0, 8);
  void* b = GlobalAllocEx(0xFFFFFFFFu & ~HOSTUTIL_ZEROINIT, 8);
  void* c = GlobalAllocEx(HOSTUTIL_ZEROINIT | 0x2u, 8);
  ASSERT_TRUE(a && b && c);
  // The blocks' own requests (the registry's records and head are always zero-filled).
  std::vector<bool> blocks;
  for (std::size_t i : {std::size_t{0}, std::size_t{3}, std::size_t{5}})
    blocks.push_back(spy.zero_fill.at(i));
  EXPECT_EQ(blocks, (std::vector<bool>{false, false, true}));
  EXPECT_EQ(spy.allocations, 7);  // 3 blocks, the head, 3 records
  for (void* p : {a, b, c}) GlobalFreeExEx(p);
}

TEST_F(RegisteredAlloc, ClaimsAreThisProcesssOwn) {
  EXPECT_EQ(GlobalAreaEntry(nullptr), 0u);
  EXPECT_EQ(GlobalAreaIsEntry(nullptr), 0u);
  GlobalAreaLeave(nullptr);
  int local = 0;
  EXPECT_EQ(GlobalAreaEntry(&local), 1u);  // no registry: nothing to claim
  EXPECT_EQ(GlobalAreaIsEntry(&local), 0u);

  void* block = GlobalAllocEx(64, 16);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalAreaIsEntry(block), 0u);
  EXPECT_EQ(GlobalAreaEntry(block), 1u);
  EXPECT_EQ(GlobalAreaIsEntry(block), 1u);
  EXPECT_EQ(SemaphoreIsEntry(text_of(block).c_str(), 0), 1u);
  GlobalAreaLeave(block);
  EXPECT_EQ(GlobalAreaIsEntry(block), 0u);
  EXPECT_EQ(GlobalAreaEntry(&local), 1u);  // an address without a semaphore
  GlobalFreeExEx(block);
}

TEST_F(RegisteredAlloc, TheHoldersSecondClaimFailsAfterSixtyAttempts) {
  // Stand-in semaphores count the pauses instead of sleeping 59 x 500 ms.
  hostutil::test::fake_semaphores fake;
  void* block = GlobalAllocEx(64, 16);
  ASSERT_NE(block, nullptr);
  ASSERT_EQ(GlobalAreaEntry(block), 1u);
  fake.pauses.clear();
  EXPECT_EQ(GlobalAreaEntry(block), 0u);
  EXPECT_EQ(fake.pauses, std::vector<std::uint32_t>(59, 500));
  EXPECT_EQ(GlobalAreaIsEntry(block), 1u);  // the first claim still stands
  GlobalAreaLeave(block);
  GlobalFreeExEx(block);
  EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);
}

TEST_F(RegisteredAlloc, FreeWaitsWhileAnotherThreadHoldsTheBlock) {
  for (bool via_flag : {true, false}) {
    SCOPED_TRACE(via_flag ? "GlobalFreeExEx" : "GlobalFreeEx");
    auto* block = static_cast<unsigned char*>(GlobalAllocEx(64, 64));
    ASSERT_NE(block, nullptr);
    const std::string text = text_of(block);
    std::atomic<bool> holding{false}, intact{true};
    std::thread holder([&] {
      GlobalAreaEntry(block);
      std::memset(block, 0x77, 64);
      holding = true;
      std::this_thread::sleep_for(700ms);
      // The free has not cleared the block meanwhile.
      intact = block[0] == 0x77 && block[63] == 0x77;
      GlobalAreaLeave(block);
    });
    while (!holding) std::this_thread::sleep_for(1ms);
    const auto t0 = std::chrono::steady_clock::now();
    if (via_flag) {
      GlobalFreeExEx(block);  // waits on this process's entered flag
    } else {
      GlobalFreeEx(block);  // waits on the semaphore itself
    }
    const auto took = std::chrono::steady_clock::now() - t0;
    holder.join();
    EXPECT_TRUE(intact.load());
    EXPECT_GE(took, 600ms);
    EXPECT_EQ(SemaphoreIsExist(text.c_str(), 0), 0u);
  }
  EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);
}

TEST_F(RegisteredAlloc, LumpFreeFreesEveryRegisteredBlock) {
  EXPECT_EQ(GlobalAreaLumpFree(), 1u);  // no registry
  std::vector<void*> blocks;
  for (uint32_t size : {1u, 40u, 4096u, 17u}) blocks.push_back(GlobalAllocEx(64, size));
  for (void* b : blocks) ASSERT_NE(b, nullptr);
  std::memset(blocks[2], 0xEE, 4096);
  {
    hostutil::test::heap_spy spy;
    EXPECT_EQ(GlobalAreaLumpFree(), 1u);
    EXPECT_EQ(spy.dirty_releases, 0);
    EXPECT_EQ(spy.released_sizes.size(), 9u);  // 4 blocks, 4 records, the head
  }
  for (void* b : blocks) EXPECT_FALSE(has_semaphore(b));
  EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);
  EXPECT_EQ(hostutil::lock::occupied_slots(), 0u);
}

TEST_F(RegisteredAlloc, LargeBlocksComeZeroFilledAndGoBackWhole) {
  constexpr uint32_t sizes[] = {1u << 20, (3u << 20) + 5};
  for (uint32_t size : sizes) {
    SCOPED_TRACE(size);
    for (uint32_t flags : {64u, 0u}) {
      auto* block = static_cast<unsigned char*>(GlobalAllocEx(flags, size));
      ASSERT_NE(block, nullptr);
      EXPECT_TRUE(all_zero(block, size));  // fresh pages, whatever the flags
      EXPECT_EQ(hostutil::os::heap_syscalls().size(block), size);
      EXPECT_TRUE(has_semaphore(block));
      std::memset(block, 0xA5, size);
      hostutil::test::heap_spy spy;
      GlobalFreeExEx(block);
      EXPECT_EQ(spy.released_sizes.front(), 36u);  // its registry record,
      EXPECT_EQ(spy.released_sizes.at(2), size);   // then the block itself
      EXPECT_FALSE(has_semaphore(block));
      EXPECT_EQ(hostutil::os::heap_syscalls().size(block), 0u);
    }
  }
}

TEST_F(RegisteredAlloc, NothingIsHandedOutBeforeTheTableIsSetUp) {
  SemaphoreControlEnd();
  hostutil::test::heap_spy spy;
  for (uint32_t size : {1u, 100u, 2u << 20}) EXPECT_EQ(GlobalAllocEx(64, size), nullptr);
  EXPECT_EQ(spy.allocations, 3);
  EXPECT_EQ(spy.released_sizes.size(), 3u);  // each block went straight back
  EXPECT_EQ(spy.dirty_releases, 0);
  EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);
  int local = 0;
  EXPECT_EQ(GlobalAreaIsEntry(&local), 0u);
  EXPECT_EQ(GlobalAreaLumpFree(), 1u);
}

TEST_F(RegisteredAlloc, FailuresAlongTheWay) {
  {
    // The heap has no memory.
    hostutil::test::heap_spy spy;
    spy.fail_allocation = 1;
    EXPECT_EQ(GlobalAllocEx(64, 10), nullptr);
    EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);
    EXPECT_EQ(hostutil::lock::occupied_slots(), 0u);
  }
  void* unregistered;
  {
    // The registry cannot take the record: the block is handed out all the same.
    hostutil::test::heap_spy spy;
    spy.fail_allocation = 2;  // the registry's head
    unregistered = GlobalAllocEx(64, 10);
    ASSERT_NE(unregistered, nullptr);
    EXPECT_TRUE(has_semaphore(unregistered));
    EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);
  }
  void* registered_one = GlobalAllocEx(64, 10);
  ASSERT_NE(registered_one, nullptr);
  EXPECT_EQ(GlobalAreaLumpFree(), 1u);  // does not reach the unregistered block
  EXPECT_FALSE(has_semaphore(registered_one));
  EXPECT_TRUE(has_semaphore(unregistered));
  EXPECT_EQ(hostutil::os::heap_syscalls().size(unregistered), 10u);
  GlobalFreeExEx(unregistered);
  EXPECT_FALSE(has_semaphore(unregistered));

  {
    // The system refuses the block's semaphore: the block goes back, unregistered.
    hostutil::test::fake_semaphores fake;
    hostutil::test::heap_spy spy;
    fake.refuse_open = true;
    EXPECT_EQ(GlobalAllocEx(64, 10), nullptr);
    EXPECT_EQ(static_cast<std::size_t>(spy.allocations), spy.released_sizes.size());
    EXPECT_EQ(spy.dirty_releases, 0);
    EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);
  }
}

TEST_F(RegisteredAlloc, BlockOfReportedSizeZeroIsOnlyUnregistered) {
  auto* block = static_cast<unsigned char*>(GlobalAllocEx(64, 12));
  ASSERT_NE(block, nullptr);
  std::memset(block, 0x33, 12);
  {
    hostutil::test::heap_spy spy;
    spy.zero_sizes = true;
    EXPECT_EQ(GlobalFreeExEx(block), 0u);
    EXPECT_FALSE(is_registered(block));
    EXPECT_TRUE(has_semaphore(block));  // stays in the table
    EXPECT_EQ(block[0], 0x33);          // neither cleared
    EXPECT_EQ(block[11], 0x33);
    spy.zero_sizes = false;
    // The block is freed below; the registry's record and head go with the spy.
    const auto at = std::find(spy.stranded.begin(), spy.stranded.end(), block);
    ASSERT_NE(at, spy.stranded.end());
    spy.stranded.erase(at);
  }
  GlobalFreeExEx(block);  // the heap knows it again: now it goes
  EXPECT_FALSE(has_semaphore(block));
}

}  // namespace
