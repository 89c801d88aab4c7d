// Heap areas and registered blocks shared by threads and by another process.
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "heap/registry.h"
#include "heap_spy.h"
#include "lock/semaphore_table.h"
#include "support/child.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using hostutil::test::touch;
using hostutil::test::wait_for_file;

constexpr const char* guard = "HEAP_SEMAPHORE_CONTROL";

std::string padded(const std::string& s, std::size_t width) {
  std::string out = s;
  out.resize(width, '.');
  return out;
}

using SharedUse = hostutil::test::fresh_table;

// A 40-byte sentinel, too large for the takers, keeps the area and its guard alive.
TEST_F(SharedUse, TakersAndProducersNeverLoseOrDuplicateARecord) {
  constexpr int producers = 3, per_producer = 80, large_ones = 40;
  HeapAreaHead* area = nullptr;
  const std::string sentinel = padded("sentinel", 40);
  ASSERT_EQ(AllocHeapAreaAndSetData(&area, sentinel.data(), 40), 1u);

  std::atomic<int> failed{0}, small_taken{0};
  std::vector<std::vector<std::string>> taken(3);
  std::vector<std::thread> pool;
  for (int p = 0; p < producers; ++p) {
    pool.emplace_back([&, p] {
      for (int i = 0; i < per_producer; ++i) {
        const std::string s = "p" + std::to_string(p) + "-" + std::to_string(i);
        if (AllocHeapAreaAndSetData(&area, s.data(), static_cast<uint32_t>(s.size())) != 1)
          ++failed;
      }
    });
  }
  // 24-byte records that only the searcher can take: a stack taker meeting one
  // on top gets 0 and changes nothing.
  pool.emplace_back([&] {
    for (int i = 0; i < large_ones; ++i) {
      const std::string s = padded("large-" + std::to_string(i), 24);
      if (AllocHeapAreaAndSetData(&area, s.data(), 24) != 1) ++failed;
    }
  });
  for (int c = 0; c < 2; ++c) {
    pool.emplace_back([&, c] {
      char buffer[16];
      while (small_taken.load() < producers * per_producer) {
        const uint32_t n = FetchAndFreeHeapLastData(&area, buffer, sizeof buffer);
        if (n == 0) {
          std::this_thread::sleep_for(1ms);
          continue;
        }
        taken[c].emplace_back(buffer, n);
        ++small_taken;
      }
    });
  }
  pool.emplace_back([&] {
    char buffer[32];
    for (int i = 0; i < large_ones; ++i) {
      const std::string key = padded("large-" + std::to_string(i), 24);
      while (SearchAndFreeHeapData(&area, key.data(), 24, buffer, sizeof buffer) != 24) {
        std::this_thread::sleep_for(1ms);
      }
      taken[2].emplace_back(buffer, 24);
    }
  });
  for (auto& th : pool) th.join();

  EXPECT_EQ(failed.load(), 0);
  std::multiset<std::string> all_taken, all_made;
  for (const auto& list : taken) all_taken.insert(list.begin(), list.end());
  for (int p = 0; p < producers; ++p) {
    for (int i = 0; i < per_producer; ++i)
      all_made.insert("p" + std::to_string(p) + "-" + std::to_string(i));
  }
  for (int i = 0; i < large_ones; ++i) all_made.insert(padded("large-" + std::to_string(i), 24));
  EXPECT_TRUE(all_taken == all_made)
      << all_taken.size() << " taken of " << all_made.size() << ": records lost or taken twice";

  ASSERT_NE(area, nullptr);
  EXPECT_EQ(area->recordCount, 1u);
  EXPECT_TRUE(SemaphoreIsExist(guard, 0) == 1);
  char buffer[64];
  EXPECT_EQ(FetchAndFreeHeapData(&area, buffer, sizeof buffer), 40u);
  EXPECT_EQ(std::string(buffer, 40), sentinel);
  EXPECT_EQ(area, nullptr);
  EXPECT_EQ(SemaphoreIsExist(guard, 0), 0u);
}

TEST_F(SharedUse, ThreadsAllocatingAndFreeingKeepTheRegistryWhole) {
  constexpr int threads = 4, rounds = 60;
  std::atomic<int> failed{0};
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      std::vector<unsigned char*> mine;
      for (int i = 0; i < rounds; ++i) {
        auto* b = static_cast<unsigned char*>(GlobalAllocEx(64, 48));
        if (b == nullptr || b[0] != 0 || b[47] != 0) {
          ++failed;
          continue;
        }
        std::memset(b, 0x40 + t, 48);
        mine.push_back(b);
        if (i % 3 == 2) {  // free the oldest, keep a few live
          for (unsigned char* m : mine) {
            if (m[0] != 0x40 + t) ++failed;  // nobody else wrote to or cleared it
          }
          GlobalFreeExEx(mine.front());
          mine.erase(mine.begin());
        }
      }
      for (unsigned char* m : mine) GlobalFreeExEx(m);
    });
  }
  for (auto& th : pool) th.join();
  EXPECT_EQ(failed.load(), 0);
  EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);
  EXPECT_EQ(hostutil::lock::occupied_slots(), 0u);  // every block semaphore and the guard
}

// args: a semaphore name (the heap guard or a block's registry text), folder.
// Holds it from another process until folder/release appears.
HOSTUTIL_CHILD_ROLE(hold_semaphore) {
  SemaphoreControlBegin();
  const char* name = args.at(0).c_str();
  const fs::path folder(args.at(1));
  if (SemaphoreCreate(name, 0) != 1) return 2;
  if (SemaphoreEntry(name, 0, 0) != 1) return 3;
  touch(folder / "held");
  if (!wait_for_file(folder / "release", 60s)) return 4;
  SemaphoreLeave(name, 0);
  SemaphoreRelease(name, 0);
  SemaphoreControlEnd();
  return 0;
}

class CrossProcess : public SharedUse {
 protected:
  void SetUp() override {
    SharedUse::SetUp();
    folder_ = hostutil::test::scratch_folder("heap");
    ASSERT_FALSE(folder_.empty());
  }
  void TearDown() override {
    SharedUse::TearDown();
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  // Lets the child go after the given time; returns how long the call took.
  template <typename Call>
  std::chrono::steady_clock::duration released_after(std::chrono::milliseconds hold, Call call) {
    const auto t0 = std::chrono::steady_clock::now();
    std::thread releaser([&] {
      std::this_thread::sleep_for(hold);
      touch(fs::path(folder_) / "release");
    });
    call();
    const auto took = std::chrono::steady_clock::now() - t0;
    releaser.join();
    return took;
  }
  std::string folder_;
};

TEST_F(CrossProcess, HeapAreaCallsWaitForTheGuardHeldElsewhere) {
  hostutil::test::child_process child("hold_semaphore", {guard, folder_});
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(wait_for_file(fs::path(folder_) / "held"));
  HeapAreaHead* area = nullptr;
  uint32_t appended = 0;
  const auto took =
      released_after(300ms, [&] { appended = AllocHeapAreaAndSetData(&area, "x", 1); });
  EXPECT_EQ(appended, 1u);
  EXPECT_GE(took, 300ms);
  EXPECT_EQ(child.wait(), 0);
  EXPECT_EQ(FreeHeapArea(&area), 0u);
}

TEST_F(CrossProcess, FreeWaitsForAHolderInAnotherProcess) {
  void* block = GlobalAllocEx(64, 32);
  ASSERT_NE(block, nullptr);
  const std::string text = hostutil::test::text_of(block);
  hostutil::test::child_process child("hold_semaphore", {text, folder_});
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(wait_for_file(fs::path(folder_) / "held"));
  EXPECT_EQ(GlobalAreaIsEntry(block), 0u);  // held by the other process, not this one
  const auto took = released_after(300ms, [&] { GlobalFreeExEx(block); });
  EXPECT_GE(took, 300ms);
  EXPECT_EQ(SemaphoreIsExist(text.c_str(), 0), 0u);
  EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);
  EXPECT_EQ(child.wait(), 0);
}

}  // namespace
