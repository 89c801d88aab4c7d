// The named semaphore table: names, counts, attempts and pauses, its life cycle
// and limits, threads of one process.
#include "lock/semaphore_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "hostutil.h"
#include "support/fake_semaphores.h"

namespace {

using clock_type = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::string unique(const char* tag) {
  static int n = 0;
  return std::string("hostutil-test-") + tag + "-" +
         std::to_string(clock_type::now().time_since_epoch().count()) + "-" + std::to_string(++n);
}

// Every test starts and ends with the table given up.
class SemaphoreTable : public ::testing::Test {
 protected:
  void SetUp() override { SemaphoreControlEnd(); }
  void TearDown() override { SemaphoreControlEnd(); }
};

TEST_F(SemaphoreTable, NothingWorksBeforeBeginOrAfterEnd) {
  const std::string n = unique("before");
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(SemaphoreCreate(n.c_str(), 0), 0u);
    EXPECT_EQ(SemaphoreEntry(n.c_str(), 0, 1), 0u);
    EXPECT_EQ(SemaphoreIsEntry(n.c_str(), 0), 0u);
    EXPECT_EQ(SemaphoreIsExist(n.c_str(), 0), 0u);
    SemaphoreLeave(n.c_str(), 0);
    SemaphoreRelease(n.c_str(), 0);
    EXPECT_EQ(SetValue(5, 9), 0u);
    EXPECT_EQ(IncrementValue(1), 0u);
    EXPECT_EQ(DecrementValue(1), 0u);
    EXPECT_EQ(ResetValue(7), 0u);
    // Once set up and given up again, the same holds.
    SemaphoreControlBegin();
    ASSERT_EQ(SemaphoreCreate(n.c_str(), 0), 1u);
    SemaphoreControlEnd();
  }
  // A new table starts empty.
  SemaphoreControlBegin();
  EXPECT_EQ(SemaphoreIsExist(n.c_str(), 0), 0u);
  EXPECT_EQ(hostutil::lock::occupied_slots(), 0u);
}

TEST_F(SemaphoreTable, NumberedNames) {
  SemaphoreControlBegin();
  ASSERT_EQ(SemaphoreCreate(nullptr, 1), 1u);
  EXPECT_EQ(SemaphoreIsExist(nullptr, 1), 1u);
  EXPECT_EQ(SemaphoreIsExist("", 1), 1u);
  EXPECT_EQ(SemaphoreIsExist("0000000000000001", 99), 1u);
  // An empty name is the numbered name too; the text is matched byte for byte.
  ASSERT_EQ(SemaphoreCreate("", 0xABCDEF0123456789ull), 1u);
  EXPECT_EQ(SemaphoreIsEntry("abcdef0123456789", 0), 0u);
  EXPECT_EQ(SemaphoreEntry("abcdef0123456789", 0, 1), 1u);
  EXPECT_EQ(SemaphoreIsEntry(nullptr, 0xABCDEF0123456789ull), 1u);
  EXPECT_EQ(SemaphoreIsEntry("ABCDEF0123456789", 0), 0u);
  SemaphoreLeave(nullptr, 0xABCDEF0123456789ull);
  // The 32-bit query cannot reach a number above 32 bits.
  EXPECT_EQ(SemaphoreIsExist(nullptr, 0x23456789u), 0u);
  SemaphoreRelease(nullptr, 1);
  SemaphoreRelease(nullptr, 0xABCDEF0123456789ull);
  EXPECT_EQ(hostutil::lock::occupied_slots(), 0u);
}

TEST_F(SemaphoreTable, OneSlotPerNameUnknownNamesAreFreeLongNamesRefused) {
  SemaphoreControlBegin();
  const std::string n = unique("twice");
  EXPECT_EQ(SemaphoreCreate(n.c_str(), 0), 1u);
  EXPECT_EQ(SemaphoreCreate(n.c_str(), 0), 1u);
  EXPECT_EQ(hostutil::lock::occupied_slots(), 1u);
  SemaphoreControlBegin();  // a second Begin changes nothing
  EXPECT_EQ(SemaphoreIsExist(n.c_str(), 0), 1u);
  SemaphoreRelease(n.c_str(), 0);
  EXPECT_EQ(SemaphoreIsExist(n.c_str(), 0), 0u);
  EXPECT_EQ(hostutil::lock::occupied_slots(), 0u);

  EXPECT_EQ(SemaphoreEntry("hostutil-test-not-there", 0, 1), 1u);
  EXPECT_EQ(SemaphoreIsEntry("hostutil-test-not-there", 0), 0u);
  EXPECT_EQ(SemaphoreIsExist("hostutil-test-not-there", 0), 0u);

  // 63 characters fit a slot; 64 are refused, never cut to fit.
  const std::string longest(63, 'n'), too_long(64, 'n');
  EXPECT_EQ(SemaphoreCreate(longest.c_str(), 0), 1u);
  EXPECT_EQ(SemaphoreCreate(too_long.c_str(), 0), 0u);
  EXPECT_EQ(SemaphoreIsExist(too_long.c_str(), 0), 0u);
  SemaphoreRelease(longest.c_str(), 0);
}

TEST_F(SemaphoreTable, CountsUpToTwo) {
  SemaphoreControlBegin();
  const std::string n = unique("count");
  const char* name = n.c_str();
  ASSERT_EQ(SemaphoreCreate(name, 0), 1u);
  ASSERT_EQ(SemaphoreEntry(name, 0, 1), 1u);
  EXPECT_EQ(SemaphoreIsEntry(name, 0), 1u);
  EXPECT_EQ(SemaphoreEntry(name, 0, 1), 0u);  // held: one attempt, no pause
  EXPECT_EQ(SemaphoreIsEntry(name, 0), 1u);   // a failed entry changes nothing
  SemaphoreLeave(name, 0);
  EXPECT_EQ(SemaphoreIsEntry(name, 0), 0u);
  // A leave without an entry raises the count to 2, and no further.
  SemaphoreLeave(name, 0);
  SemaphoreLeave(name, 0);
  EXPECT_EQ(SemaphoreEntry(name, 0, 1), 1u);
  EXPECT_EQ(SemaphoreEntry(name, 0, 1), 1u);
  EXPECT_EQ(SemaphoreEntry(name, 0, 1), 0u);
  SemaphoreLeave(name, 0);
  SemaphoreRelease(name, 0);
}

TEST_F(SemaphoreTable, AttemptsArePausedHalfASecondApartOrWaitForTheHolder) {
  SemaphoreControlBegin();
  const std::string n = unique("pause");
  ASSERT_EQ(SemaphoreCreate(n.c_str(), 0), 1u);
  ASSERT_EQ(SemaphoreEntry(n.c_str(), 0, 1), 1u);
  auto t0 = clock_type::now();
  EXPECT_EQ(SemaphoreEntry(n.c_str(), 0, 1), 0u);
  const auto one = clock_type::now() - t0;
  t0 = clock_type::now();
  EXPECT_EQ(SemaphoreEntry(n.c_str(), 0, 3), 0u);
  const auto three = clock_type::now() - t0;
  EXPECT_LT(one, 400ms);    // a single attempt never pauses
  EXPECT_GE(three, 990ms);  // three attempts, two pauses
  EXPECT_LT(three, 2500ms);

  // An unbounded entry, and then a release, each wait until another thread leaves.
  std::atomic<int> stage{0};
  std::thread leaver([&] {
    std::this_thread::sleep_for(100ms);
    stage = 1;
    SemaphoreLeave(n.c_str(), 0);
    while (stage != 2) std::this_thread::yield();
    std::this_thread::sleep_for(200ms);
    stage = 3;
    SemaphoreLeave(n.c_str(), 0);
  });
  EXPECT_EQ(SemaphoreEntry(n.c_str(), 0, 0), 1u);
  EXPECT_EQ(stage.load(), 1);
  stage = 2;
  SemaphoreRelease(n.c_str(), 0);
  EXPECT_EQ(stage.load(), 3);
  EXPECT_EQ(SemaphoreIsExist(n.c_str(), 0), 0u);
  leaver.join();
}

TEST_F(SemaphoreTable, RefusedObjectsFullTableAndLowestFreeSlot) {
  hostutil::test::fake_semaphores fake;
  SemaphoreControlBegin();
  fake.refuse_open = true;
  EXPECT_EQ(SemaphoreCreate("refused", 0), 0u);
  EXPECT_EQ(SemaphoreIsExist("refused", 0), 0u);
  EXPECT_EQ(hostutil::lock::occupied_slots(), 0u);
  fake.refuse_open = false;
  for (uint64_t i = 0; i < 102400; ++i) ASSERT_EQ(SemaphoreCreate(nullptr, i), 1u) << i;
  EXPECT_EQ(SemaphoreCreate(nullptr, 102400), 0u);
  EXPECT_EQ(fake.opened, 102400u);
  EXPECT_EQ(SemaphoreIsExist(nullptr, 102399), 1u);
  // Free two slots; the next names take them, the lower one first.
  SemaphoreRelease(nullptr, 777);
  SemaphoreRelease(nullptr, 5);
  EXPECT_EQ(SemaphoreCreate("first", 0), 1u);
  EXPECT_EQ(SemaphoreCreate("second", 0), 1u);
  EXPECT_EQ(SemaphoreCreate("third", 0), 0u);
  EXPECT_EQ(SemaphoreIsExist("first", 0), 1u);
  EXPECT_EQ(SemaphoreIsExist(nullptr, 5), 0u);
  SemaphoreControlEnd();
  EXPECT_EQ(fake.closed, fake.opened);
}

TEST_F(SemaphoreTable, EndStopsItsSweepWhereAGiveBackFails) {
  hostutil::test::fake_semaphores fake;
  SemaphoreControlBegin();
  ASSERT_EQ(SemaphoreCreate("a", 0), 1u);
  ASSERT_EQ(SemaphoreCreate("b", 0), 1u);
  ASSERT_EQ(SemaphoreCreate("c", 0), 1u);
  // Every give-back fails: the sweep takes the first slot, cannot give it
  // back, and stops there with nothing closed.
  fake.refuse_post = true;
  SemaphoreControlEnd();
  EXPECT_EQ(fake.closed, 0u);
  fake.refuse_post = false;
  SemaphoreControlBegin();
  EXPECT_EQ(hostutil::lock::occupied_slots(), 0u);

  // A failed give-back in Release frees the slot but leaves the handle open.
  ASSERT_EQ(SemaphoreCreate("d", 0), 1u);
  fake.refuse_post = true;
  SemaphoreRelease("d", 0);
  EXPECT_EQ(SemaphoreIsExist("d", 0), 0u);
  EXPECT_EQ(fake.closed, 0u);
  fake.refuse_post = false;
}

TEST_F(SemaphoreTable, ThreadsNeverOverlapInside) {
  SemaphoreControlBegin();
  const std::string n = unique("threads");
  ASSERT_EQ(SemaphoreCreate(n.c_str(), 0), 1u);
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  long counter = 0;
  constexpr int threads = 4, rounds = 300;
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&] {
      for (int i = 0; i < rounds; ++i) {
        ASSERT_EQ(SemaphoreEntry(n.c_str(), 0, 0), 1u);
        if (inside.fetch_add(1) != 0) ++overlaps;
        const long seen = counter;
        std::this_thread::yield();
        counter = seen + 1;
        inside.fetch_sub(1);
        SemaphoreLeave(n.c_str(), 0);
      }
    });
  }
  for (auto& th : pool) th.join();
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(counter, threads * rounds);
  SemaphoreRelease(n.c_str(), 0);
}

TEST_F(SemaphoreTable, ValueOperations) {
  SemaphoreControlBegin();
  EXPECT_EQ(IncrementValue(4294967295u), 0u);
  EXPECT_EQ(DecrementValue(0), 4294967295u);
  EXPECT_EQ(IncrementValue(41), 42u);
  EXPECT_EQ(DecrementValue(43), 42u);
  EXPECT_EQ(SetValue(5, 9), 9u);
  EXPECT_EQ(ResetValue(7), 0u);
  EXPECT_EQ(SemaphoreIsExist("VALUE_OP_SEMAPHORE_CONTROL", 0), 1u);
  EXPECT_EQ(SemaphoreIsEntry("VALUE_OP_SEMAPHORE_CONTROL", 0), 0u);
}

}  // namespace
