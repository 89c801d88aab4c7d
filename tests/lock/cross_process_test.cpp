// Named semaphores shared by real processes: holders keep others out, counters
// bumped under one name, value operations serialised across processes.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "hostutil.h"
#include "support/child.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using hostutil::test::touch;
using hostutil::test::wait_for_file;

long read_counter(const fs::path& p) {
  std::ifstream in(p);
  long v = 0;
  in >> v;
  return v;
}

// args: name, folder, linger ms. Holds the name until folder/release appears,
// and lingers that long before it leaves.
HOSTUTIL_CHILD_ROLE(hold_semaphore) {
  SemaphoreControlBegin();
  const char* name = args.at(0).c_str();
  const fs::path folder(args.at(1));
  if (SemaphoreCreate(name, 0) != 1) return 2;
  if (SemaphoreEntry(name, 0, 0) != 1) return 3;
  touch(folder / "held");
  if (!wait_for_file(folder / "release", 60s)) return 4;
  std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(args.at(2))));
  SemaphoreLeave(name, 0);
  SemaphoreRelease(name, 0);
  SemaphoreControlEnd();
  return 0;
}

// args: name, counter file, rounds. Read-pause-write under the name.
HOSTUTIL_CHILD_ROLE(bump_counter) {
  SemaphoreControlBegin();
  const char* name = args.at(0).c_str();
  const fs::path counter(args.at(1));
  const int rounds = std::stoi(args.at(2));
  if (SemaphoreCreate(name, 0) != 1) return 2;
  for (int i = 0; i < rounds; ++i) {
    if (SemaphoreEntry(name, 0, 0) != 1) return 3;
    const long v = read_counter(counter);
    std::this_thread::sleep_for(100us);
    std::ofstream(counter, std::ios::trunc) << (v + 1);
    SemaphoreLeave(name, 0);
  }
  SemaphoreControlEnd();
  return 0;
}

class CrossProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = hostutil::test::scratch_folder("lock");
    ASSERT_FALSE(folder_.empty());
    SemaphoreControlBegin();
  }
  void TearDown() override {
    SemaphoreControlEnd();
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  std::string name(const char* tag) const {
    return std::string("hostutil-xp-") + tag + "-" +
           fs::path(folder_).parent_path().filename().string();
  }
  std::string folder_;
};

TEST_F(CrossProcess, HolderKeepsAnotherProcessOut) {
  const std::string n = name("hold");
  hostutil::test::child_process child("hold_semaphore", {n, folder_, "0"});
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(wait_for_file(fs::path(folder_) / "held"));
  ASSERT_EQ(SemaphoreCreate(n.c_str(), 0), 1u);
  EXPECT_EQ(SemaphoreEntry(n.c_str(), 0, 1), 0u);
  EXPECT_EQ(SemaphoreEntry(n.c_str(), 0, 2), 0u);
  touch(fs::path(folder_) / "release");
  EXPECT_EQ(SemaphoreEntry(n.c_str(), 0, 20), 1u);
  SemaphoreLeave(n.c_str(), 0);
  EXPECT_EQ(child.wait(), 0);
  SemaphoreRelease(n.c_str(), 0);
}

TEST_F(CrossProcess, ProcessesBumpOneCounterExactly) {
  const std::string n = name("counter");
  const fs::path counter = fs::path(folder_) / "counter";
  std::ofstream(counter) << 0;
  constexpr int children = 3, rounds = 40;
  std::vector<std::unique_ptr<hostutil::test::child_process>> pool;
  for (int i = 0; i < children; ++i) {
    pool.push_back(std::make_unique<hostutil::test::child_process>(
        "bump_counter", std::vector<std::string>{n, counter.string(), std::to_string(rounds)}));
  }
  for (auto& c : pool) EXPECT_EQ(c->wait(), 0);
  EXPECT_EQ(read_counter(counter), children * rounds);
}

TEST_F(CrossProcess, ValueOperationsWaitForAnotherProcess) {
  hostutil::test::child_process child("hold_semaphore",
                                      {"VALUE_OP_SEMAPHORE_CONTROL", folder_, "300"});
  ASSERT_TRUE(wait_for_file(fs::path(folder_) / "held"));
  const auto t0 = std::chrono::steady_clock::now();
  std::thread releaser([&] {
    std::this_thread::sleep_for(200ms);
    touch(fs::path(folder_) / "release");
  });
  EXPECT_EQ(IncrementValue(99), 100u);
  const auto waited = std::chrono::steady_clock::now() - t0;
  releaser.join();
  EXPECT_GE(waited, 450ms);  // it could not run until the other process left
  EXPECT_EQ(child.wait(), 0);
}

}  // namespace
