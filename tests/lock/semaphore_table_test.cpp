// The named semaphore table and the value operations: names, slots and counts on
// the system's semaphores; attempts, refusals and a full table through stand-ins;
// waits for another thread. Processes sharing names: the soak (tests/soak).
#include "lock/semaphore_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "hostutil.h"
#include "support/child.h"
#include "support/fake_semaphores.h"

namespace {

using namespace std::chrono_literals;
using results = std::vector<uint32_t>;
using hostutil::test::unique_name;

// Every test starts and ends with the table given up.
class SemaphoreTable : public ::testing::Test {
 protected:
  void SetUp() override { SemaphoreControlEnd(); }
  void TearDown() override { SemaphoreControlEnd(); }
};

TEST_F(SemaphoreTable, LifeCycleNamesCountsAndValues) {
  const std::string s = unique_name("count");
  const char* n = s.c_str();
  // Before Begin and after End nothing works, the value operations included.
  const auto outside = [n] {
    SemaphoreLeave(n, 0);
    SemaphoreRelease(n, 0);
    return results{SemaphoreCreate(n, 0),  SemaphoreEntry(n, 0, 1), SemaphoreIsEntry(n, 0),
                   SemaphoreIsExist(n, 0), SetValue(5, 9),          IncrementValue(1),
                   DecrementValue(5)};
  };
  EXPECT_EQ(outside(), results(7, 0));
  SemaphoreControlBegin();
  // A null or empty name is the number in 16 lowercase hex digits, matched byte for byte.
  ASSERT_EQ(SemaphoreCreate(nullptr, 1), 1u);
  ASSERT_EQ(SemaphoreCreate("", 0xABCDEF0123456789ull), 1u);
  EXPECT_EQ(
      (results{SemaphoreIsExist(nullptr, 1), SemaphoreIsExist("0000000000000001", 99),
               SemaphoreEntry("abcdef0123456789", 0, 1),
               SemaphoreIsEntry(nullptr, 0xABCDEF0123456789ull),
               SemaphoreIsEntry("ABCDEF0123456789", 0), SemaphoreIsExist(nullptr, 0x23456789u)}),
      (results{1, 1, 1, 1, 0, 0}));
  SemaphoreLeave(nullptr, 0xABCDEF0123456789ull);
  // One slot per name, kept by a second Begin; 64 characters are refused, not cut.
  ASSERT_EQ(SemaphoreCreate(nullptr, 1), 1u);
  SemaphoreControlBegin();
  EXPECT_EQ(hostutil::lock::occupied_slots(), 2u);
  EXPECT_EQ(SemaphoreCreate(std::string(63, 'n').c_str(), 0), 1u);
  EXPECT_EQ(SemaphoreCreate(std::string(64, 'n').c_str(), 0), 0u);

  // A held semaphore fails one attempt; a leave without an entry raises the
  // count to 2, and no further.
  ASSERT_EQ(SemaphoreCreate(n, 0), 1u);
  EXPECT_EQ((results{SemaphoreEntry(n, 0, 1), SemaphoreEntry(n, 0, 1), SemaphoreIsEntry(n, 0)}),
            (results{1, 0, 1}));
  for (int i = 0; i < 3; ++i) SemaphoreLeave(n, 0);
  EXPECT_EQ((results{SemaphoreIsEntry(n, 0), SemaphoreEntry(n, 0, 1), SemaphoreEntry(n, 0, 1),
                     SemaphoreEntry(n, 0, 1)}),
            (results{0, 1, 1, 0}));
  SemaphoreLeave(n, 0);
  SemaphoreRelease(n, 0);

  // The values themselves, wrapping at both ends: the fuzz target's, on kept
  // inputs of 0, 41, 43 and 4294967295. The first call makes the guard.
  EXPECT_EQ(ResetValue(7), 0u);
  EXPECT_EQ(SemaphoreIsExist("VALUE_OP_SEMAPHORE_CONTROL", 0), 1u);
  EXPECT_EQ(SemaphoreIsEntry("VALUE_OP_SEMAPHORE_CONTROL", 0), 0u);
  SemaphoreControlEnd();
  EXPECT_EQ(outside(), results(7, 0));
  SemaphoreControlBegin();  // a new table starts empty
  EXPECT_EQ(hostutil::lock::occupied_slots(), 0u);
}

TEST_F(SemaphoreTable, AttemptsRefusalsAndAFullTable) {
  hostutil::test::fake_semaphores fake;
  SemaphoreControlBegin();
  fake.refuse_open = true;
  EXPECT_EQ(SemaphoreCreate("refused", 0), 0u);
  EXPECT_EQ(hostutil::lock::occupied_slots(), 0u);
  fake.refuse_open = false;
  for (uint64_t i = 0; i < 102400; ++i) ASSERT_EQ(SemaphoreCreate(nullptr, i), 1u) << i;
  EXPECT_EQ(SemaphoreCreate(nullptr, 102400), 0u);
  // Two slots freed: the next names take them, the lower one first.
  SemaphoreRelease(nullptr, 777);
  SemaphoreRelease(nullptr, 5);
  EXPECT_EQ((results{SemaphoreCreate("first", 0), SemaphoreCreate("second", 0),
                     SemaphoreCreate("third", 0), SemaphoreIsExist(nullptr, 5)}),
            (results{1, 1, 0, 0}));
  // N attempts on a held semaphore make N - 1 pauses of 500 ms.
  ASSERT_EQ(SemaphoreEntry("first", 0, 1), 1u);
  for (uint32_t n : {1u, 3u, 60u}) {
    fake.pauses.clear();
    EXPECT_EQ(SemaphoreEntry("first", 0, n), 0u);
    EXPECT_EQ(fake.pauses, std::vector<uint32_t>(n - 1, 500)) << n;
  }
  SemaphoreLeave("first", 0);
  // A failed give-back leaves Release's handle open and stops End's sweep at its first slot.
  fake.refuse_post = true;
  SemaphoreRelease("first", 0);
  EXPECT_EQ(SemaphoreIsExist("first", 0), 0u);
  SemaphoreControlEnd();
  EXPECT_EQ(fake.closed, 2u);  // the two released above
  fake.refuse_post = false;
  SemaphoreControlBegin();
  EXPECT_EQ(hostutil::lock::occupied_slots(), 0u);
}

TEST_F(SemaphoreTable, ReleaseWaitsForTheHolder) {
  SemaphoreControlBegin();
  const std::string s = unique_name("wait");
  ASSERT_EQ(SemaphoreCreate(s.c_str(), 0) + SemaphoreEntry(s.c_str(), 0, 1), 2u);
  std::atomic<bool> left{false};
  std::thread leaver([&] {
    std::this_thread::sleep_for(100ms);
    left = true;
    SemaphoreLeave(s.c_str(), 0);
  });
  SemaphoreRelease(s.c_str(), 0);
  EXPECT_EQ((results{left.load(), SemaphoreIsExist(s.c_str(), 0)}), (results{1, 0}));
  leaver.join();
}

}  // namespace
