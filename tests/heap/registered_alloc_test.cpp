// The registered allocator: registry and table entries, claims, scrubbing, large
// blocks, failures of the heap and of the table, a holder in another process.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "heap/registry.h"
#include "heap_spy.h"
#include "lock/semaphore_table.h"
#include "support/child.h"
#include "support/fake_semaphores.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using hostutil::test::text_of;

namespace {

using results = std::vector<uint32_t>;
using strings = std::vector<std::string>;

// The registry's records, read with the cursor.
strings registered() {
  strings out;
  void* cursor = hostutil::heap::allocation_registry();
  char buffer[32];
  while (uint32_t n = FetchHeapData(&cursor, buffer, sizeof buffer)) out.emplace_back(buffer, n);
  return out;
}

bool has_semaphore(const void* block) { return SemaphoreIsExist(text_of(block).c_str(), 0) == 1; }

bool all_zero(const void* p, std::size_t n) {
  return std::all_of(static_cast<const char*>(p), static_cast<const char*>(p) + n,
                     [](char c) { return c == 0; });
}

using RegisteredAlloc = hostutil::test::fresh_table;

TEST_F(RegisteredAlloc, BlocksAreZeroFilledRegisteredAndGivenASemaphore) {
  // Nothing is handed out before the table is set up, nor for a size of 0.
  SemaphoreControlEnd();
  for (uint32_t size : {1u, 100u, 2u << 20}) EXPECT_EQ(GlobalAllocEx(64, size), nullptr);
  EXPECT_EQ(GlobalAreaLumpFree(), 1u);
  SemaphoreControlBegin();
  EXPECT_EQ(GlobalAllocEx(64, 0), nullptr);
  EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);

  void* block = GlobalAllocEx(64, 100);
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(all_zero(block, 100));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
  EXPECT_TRUE(has_semaphore(block));
  void* second = HeapAllocExEx(64, 7);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(registered(), (strings{text_of(block), text_of(second)}));
  std::memset(block, 0x5A, 100);
  std::memset(second, 0x5A, 7);
  {
    hostutil::test::heap_spy spy;
    EXPECT_EQ(GlobalFreeExEx(block), 0u);
    EXPECT_FALSE(has_semaphore(block));
    EXPECT_EQ(registered(), strings{text_of(second)});
    EXPECT_EQ(HeapFreeExEx(second), 1u);
    // Each block after its registry record; the registry's head with the last one.
    EXPECT_EQ(spy.released_sizes, (std::vector<std::size_t>{36, 100, 36, 24, 7}));
    EXPECT_EQ(spy.dirty_releases, 0);
    // Only the zero-init flag counts.
    GlobalFreeExEx(GlobalAllocEx(0xFFFFFFFFu & ~HOSTUTIL_ZEROINIT, 8));
    EXPECT_FALSE(spy.zero_fill.at(0));
  }
  EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);
  EXPECT_EQ(SemaphoreIsExist("HEAP_SEMAPHORE_CONTROL", 0), 0u);
  EXPECT_EQ(hostutil::lock::occupied_slots(), 0u);
  // A freed block and a null one alike; a freed block is unknown to the heap.
  EXPECT_EQ((results{GlobalFreeExEx(block), GlobalFreeEx(block), HeapFreeExEx(block),
                     GlobalFreeEx(nullptr), GlobalFreeExEx(nullptr), HeapFreeExEx(nullptr),
                     hostutil::os::heap_release(block)}),
            (results{0, 0, 1, 0, 0, 1, 0}));
}

TEST_F(RegisteredAlloc, ClaimsAreThisProcesssOwn) {
  hostutil::test::fake_semaphores fake;  // counts the pauses instead of sleeping them
  int local = 0;
  EXPECT_EQ((results{GlobalAreaEntry(nullptr), GlobalAreaIsEntry(nullptr), GlobalAreaEntry(&local),
                     GlobalAreaIsEntry(&local)}),
            (results{0, 0, 1, 0}));  // no registry: nothing to claim
  GlobalAreaLeave(nullptr);
  void* block = GlobalAllocEx(64, 16);
  ASSERT_NE(block, nullptr);
  // The holder's second claim fails after 60 attempts; the first still stands.
  EXPECT_EQ((results{GlobalAreaIsEntry(block), GlobalAreaEntry(block), GlobalAreaIsEntry(block),
                     SemaphoreIsEntry(text_of(block).c_str(), 0), GlobalAreaEntry(block),
                     GlobalAreaIsEntry(block)}),
            (results{0, 1, 1, 1, 0, 1}));
  EXPECT_EQ(fake.pauses, std::vector<std::uint32_t>(59, 500));
  GlobalAreaLeave(block);
  EXPECT_EQ(GlobalAreaIsEntry(block), 0u);
  GlobalFreeExEx(block);
}

TEST_F(RegisteredAlloc, LumpFreeAndLargeBlocks) {
  EXPECT_EQ(GlobalAreaLumpFree(), 1u);  // no registry
  // Large blocks are fresh pages, zero whatever the flags, and go back whole.
  std::vector<void*> blocks;
  for (uint32_t size : {1u, 40u, 3u << 20}) blocks.push_back(GlobalAllocEx(0, size));
  ASSERT_TRUE(blocks[0] && blocks[1] && blocks[2]);
  EXPECT_TRUE(all_zero(blocks[2], 3u << 20));
  std::memset(blocks[2], 0xEE, 3u << 20);
  {
    hostutil::test::heap_spy spy;
    EXPECT_EQ(GlobalAreaLumpFree(), 1u);
    EXPECT_EQ(spy.dirty_releases, 0);
    EXPECT_EQ(spy.released_sizes, (std::vector<std::size_t>{36, 1, 36, 40, 36, 24, 3u << 20}));
  }
  for (void* b : blocks) EXPECT_FALSE(has_semaphore(b));
  EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);
  EXPECT_EQ(hostutil::lock::occupied_slots(), 0u);
}

TEST_F(RegisteredAlloc, FailuresAlongTheWay) {
  void* unregistered;
  {
    hostutil::test::heap_spy spy;
    spy.fail_allocation = 1;  // the heap has no memory
    EXPECT_EQ(GlobalAllocEx(64, 10), nullptr);
    spy.fail_allocation = 2;  // the registry's head: handed out all the same
    unregistered = GlobalAllocEx(64, 10);
    ASSERT_NE(unregistered, nullptr);
    EXPECT_TRUE(has_semaphore(unregistered));
    EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);
  }
  void* registered_one = GlobalAllocEx(64, 10);
  EXPECT_EQ(GlobalAreaLumpFree(), 1u);  // does not reach the unregistered block
  EXPECT_FALSE(has_semaphore(registered_one));
  EXPECT_TRUE(has_semaphore(unregistered));
  GlobalFreeExEx(unregistered);
  EXPECT_FALSE(has_semaphore(unregistered));

  // A block the heap reports as 0 bytes long is only unregistered.
  auto* block = static_cast<unsigned char*>(GlobalAllocEx(64, 12));
  ASSERT_NE(block, nullptr);
  std::memset(block, 0x33, 12);
  {
    hostutil::test::heap_spy spy;  // gives the registry's record and head back at the end
    spy.zero_sizes = true;
    EXPECT_EQ(GlobalFreeExEx(block), 0u);
    EXPECT_EQ(registered(), strings{});
    EXPECT_TRUE(has_semaphore(block));  // stays in the table, neither cleared
    EXPECT_EQ(block[0] + block[11], 0x66);
    spy.stranded.erase(std::find(spy.stranded.begin(), spy.stranded.end(), block));
  }
  GlobalFreeExEx(block);  // the heap knows it again: now it goes
  EXPECT_FALSE(has_semaphore(block));
}

// args: a block's registry text, folder. Holds the block's semaphore from
// another process until folder/release appears, and 300 ms more.
HOSTUTIL_CHILD_ROLE(hold_block) {
  SemaphoreControlBegin();
  const char* name = args.at(0).c_str();
  if (SemaphoreCreate(name, 0) != 1 || SemaphoreEntry(name, 0, 0) != 1) return 2;
  hostutil::test::touch(fs::path(args.at(1)) / "held");
  if (!hostutil::test::wait_for_file(fs::path(args.at(1)) / "release", 60s)) return 3;
  std::this_thread::sleep_for(300ms);
  SemaphoreLeave(name, 0);
  SemaphoreControlEnd();
  return 0;
}

TEST_F(RegisteredAlloc, FreeWaitsForAHolderInAnotherProcess) {
  const fs::path folder = hostutil::test::scratch_folder("heap");
  void* block = GlobalAllocEx(64, 32);
  ASSERT_NE(block, nullptr);
  hostutil::test::child_process child("hold_block", {text_of(block), folder.string()});
  ASSERT_TRUE(hostutil::test::wait_for_file(folder / "held"));
  EXPECT_EQ(GlobalAreaIsEntry(block), 0u);  // held by the other process, not this one
  const auto t0 = std::chrono::steady_clock::now();
  hostutil::test::touch(folder / "release");
  GlobalFreeExEx(block);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, 300ms);
  EXPECT_FALSE(has_semaphore(block));
  EXPECT_EQ(child.wait(), 0);
  std::error_code ec;
  fs::remove_all(folder, ec);
}

}  // namespace
