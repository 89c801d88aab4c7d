// Heap areas: raw layout, queue, stack, cursor and search edges, refusals, heads
// left by a failed allocation, the guard's life, threads sharing one area.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>

#include "heap_spy.h"

using namespace std::chrono_literals;

namespace {

using strings = std::vector<std::string>;
using results = std::vector<uint32_t>;
using taker = uint32_t(HOSTUTIL_CALL*)(HeapAreaHead**, void*, uint32_t);
constexpr taker takers[] = {FetchHeapLastData, FetchAndFreeHeapData, FetchAndFreeHeapLastData};

bool guard_in_table() { return SemaphoreIsExist("HEAP_SEMAPHORE_CONTROL", 0) == 1; }

const unsigned char* bytes(const void* p) { return static_cast<const unsigned char*>(p); }

void* ptr_at(const void* p, std::size_t offset) {
  void* v;
  std::memcpy(&v, bytes(p) + offset, 8);  // unaligned for most record lengths
  return v;
}

// The area's records read through raw memory, each block's size and marker checked.
strings raw_records(const HeapAreaHead* head) {
  strings out;
  for (const void* r = ptr_at(head, 16); r != nullptr;) {
    uint32_t length;
    std::memcpy(&length, r, 4);
    out.emplace_back(reinterpret_cast<const char*>(bytes(r) + 4), length);
    EXPECT_EQ(std::memcmp(bytes(r) + 4 + length, "NEXTADDR", 8), 0);
    EXPECT_EQ(hostutil::os::heap_size(const_cast<void*>(r)), length + 20u);
    r = ptr_at(r, 12 + length);
  }
  return out;
}

uint32_t append(HeapAreaHead** area, const std::string& data) {
  return AllocHeapAreaAndSetData(area, data.data(), static_cast<uint32_t>(data.size()));
}

// What a fetch delivers; the buffer must come back cleared past it.
std::string take(taker fn, HeapAreaHead** area, uint32_t size = 8) {
  std::string buffer(size, 'x');
  const uint32_t n = fn(area, buffer.data(), size);
  EXPECT_EQ(buffer.substr(n), std::string(size - n, '\0'));
  return buffer.substr(0, n);
}

// Every call that takes an area pointer, on one that it must refuse.
results refusals(HeapAreaHead** area) {
  const std::string taken = take(takers[0], area) + take(takers[1], area) + take(takers[2], area);
  return {static_cast<uint32_t>(taken.size()), SearchAndFreeHeapData(area, "a", 1, nullptr, 0),
          FreeHeapArea(area), IsHeapAddress(*area)};
}

class HeapArea : public hostutil::test::fresh_table {
 protected:
  void TearDown() override {
    FreeHeapArea(&area);
    fresh_table::TearDown();
  }
  void fill_abc() {
    for (const char* s : {"a", "bb", "ccc"}) ASSERT_EQ(append(&area, s), 1u);
  }
  HeapAreaHead* area = nullptr;
};

TEST_F(HeapArea, LayoutCursorQueueAndStack) {
  fill_abc();
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(std::memcmp(area, "HEAPMNGR", 8), 0);
  EXPECT_EQ((results{area->recordCount, area->reserved}), (results{3, 0}));
  EXPECT_EQ(hostutil::os::heap_size(area), 24u);
  EXPECT_EQ(raw_records(area), (strings{"a", "bb", "ccc"}));
  EXPECT_EQ((results{IsHeapAddress(area), IsHeapAddress(area->firstRecord), IsHeapAddress(nullptr),
                     IsHeapAddress("heapmngr"), IsHeapAddress("HEAPMNG")}),
            (results{1, 0, 0, 1, 0}));

  void* cursor = area;
  char buffer[8];
  EXPECT_EQ(FetchHeapData(&cursor, nullptr, 8) + FetchHeapData(&cursor, buffer, 0), 0u);
  strings read;
  while (uint32_t n = FetchHeapData(&cursor, buffer, sizeof buffer)) read.emplace_back(buffer, n);
  EXPECT_EQ(read, (strings{"a", "bb", "ccc"}));
  EXPECT_EQ(cursor, nullptr);
  EXPECT_EQ(take(FetchHeapLastData, &area), "ccc");

  // Taken as a queue, then as a stack: the chain left is read back after each,
  // and the last record takes the area and its guard with it.
  for (const bool queue : {true, false}) {
    if (area == nullptr) fill_abc();
    strings left{"a", "bb", "ccc"};
    while (!left.empty()) {
      const std::string next = queue ? left.front() : left.back();
      EXPECT_EQ(take(queue ? FetchAndFreeHeapData : FetchAndFreeHeapLastData, &area), next);
      left.erase(queue ? left.begin() : left.end() - 1);
      EXPECT_EQ(area == nullptr ? strings{} : raw_records(area), left);
      EXPECT_EQ(guard_in_table(), !left.empty());
    }
    EXPECT_EQ(area, nullptr);
  }
}

TEST_F(HeapArea, RecordLargerThanTheBufferIsLeftInPlace) {
  ASSERT_EQ(append(&area, "0123456789"), 1u);
  for (taker fn : takers) EXPECT_EQ(take(fn, &area, 9), "");
  EXPECT_EQ(area->recordCount, 1u);
  // The cursor moves from the head onto the record and stays there.
  void* cursor = area;
  char buffer[10];
  EXPECT_EQ(FetchHeapData(&cursor, buffer, 9), 0u);
  EXPECT_EQ(cursor, area->firstRecord);
  EXPECT_EQ(FetchHeapData(&cursor, buffer, 10), 10u);
}

TEST_F(HeapArea, SearchRemovesTheFirstExactMatch) {
  fill_abc();
  EXPECT_EQ((results{SearchAndFreeHeapData(&area, "b", 1, nullptr, 0),  // a prefix is no match
                     SearchAndFreeHeapData(&area, "bbb", 3, nullptr, 0),
                     SearchAndFreeHeapData(&area, nullptr, 1, nullptr, 0),
                     SearchAndFreeHeapData(&area, "bb", 0, nullptr, 0), area->recordCount}),
            (results{0, 0, 0, 0, 3}));
  EXPECT_EQ(SearchAndFreeHeapData(&area, "bb", 2, nullptr, 0), 0u);  // no buffer: removed, 0
  EXPECT_EQ(raw_records(area), (strings{"a", "ccc"}));
  ASSERT_EQ(append(&area, "a"), 1u);
  char buffer[6] = "xxxxx";
  EXPECT_EQ(SearchAndFreeHeapData(&area, "a", 1, buffer, sizeof buffer), 1u);
  EXPECT_EQ(std::string(buffer, 6), std::string("a\0\0\0\0\0", 6));
  EXPECT_EQ(raw_records(area), (strings{"ccc", "a"}));  // of two equal records, the older went
  EXPECT_EQ(SearchAndFreeHeapData(&area, "a", 1, buffer, sizeof buffer), 1u);
  ASSERT_EQ(append(&area, "e"), 1u);  // the new end was linked correctly
  EXPECT_EQ(raw_records(area), (strings{"ccc", "e"}));
  // A broken marker stops an append; markers are tested case-blind.
  unsigned char* marker = reinterpret_cast<unsigned char*>(area->firstRecord) + 7;
  std::memcpy(marker, "NEXTADDX", 8);
  EXPECT_EQ(append(&area, "f"), 0u);
  std::memcpy(marker, "nextaddr", 8);
  EXPECT_EQ(append(&area, "f"), 1u);
  EXPECT_EQ(area->recordCount, 3u);
}

TEST_F(HeapArea, RefusalsLeaveEveryAreaAsItWas) {
  EXPECT_EQ((results{append(&area, ""), AllocHeapAreaAndSetData(&area, nullptr, 1),
                     AllocHeapAreaAndSetData(nullptr, "x", 1), FreeHeapArea(&area),
                     FreeHeapArea(nullptr)}),
            results(5, 0));
  EXPECT_EQ(area, nullptr);
  EXPECT_FALSE(guard_in_table());
  // A pointer that is not a head is refused before the guard is tried.
  alignas(8) char fake[24] = "NOTAHEAD";
  auto* not_head = reinterpret_cast<HeapAreaHead*>(fake);
  EXPECT_EQ(refusals(&not_head), results(4, 0));
  EXPECT_EQ(std::string(fake), "NOTAHEAD");
  // With the table given up nothing works: not even an area made before.
  fill_abc();
  SemaphoreControlEnd();
  void* cursor = area;
  char buffer[4];
  EXPECT_EQ(FetchHeapData(&cursor, buffer, sizeof buffer), 0u);
  EXPECT_EQ(cursor, area);
  EXPECT_EQ(refusals(&area), results(4, 0));
  EXPECT_EQ(append(&area, "d"), 0u);
  EXPECT_EQ(raw_records(area), (strings{"a", "bb", "ccc"}));
  SemaphoreControlBegin();
  EXPECT_EQ(FreeHeapArea(&area), 0u);  // a whole area: 0, and the pointer is null
  EXPECT_EQ(area, nullptr);
  EXPECT_FALSE(guard_in_table());
}

TEST_F(HeapArea, HeadWithoutARecordAfterAFailedAllocation) {
  {
    hostutil::test::heap_spy spy;
    spy.fail_allocation = 1;  // the head itself
    EXPECT_EQ(append(&area, "x"), 0u);
    EXPECT_EQ(area, nullptr);
  }
  // Each call meets a head whose record could not be allocated, and takes it
  // away; only a read keeps the guard.
  for (int t = 0; t < 4; ++t) {
    SCOPED_TRACE(t);
    {
      hostutil::test::heap_spy spy;
      spy.fail_allocation = 2;
      EXPECT_EQ(append(&area, "x"), 0u);
    }
    ASSERT_NE(area, nullptr);
    EXPECT_EQ((results{area->recordCount, area->firstRecord == nullptr}), (results{0, 1}));
    void* cursor = area;
    char buffer[4];
    EXPECT_EQ(FetchHeapData(&cursor, buffer, 4), 0u);  // the walk ends there
    EXPECT_EQ(cursor, nullptr);
    EXPECT_EQ(t < 3 ? take(takers[t], &area).size() : FreeHeapArea(&area), 0u);
    EXPECT_EQ(area, nullptr);
    EXPECT_EQ(guard_in_table(), t == 0);
  }
}

// Producers append while takers take from the back; a 40-byte sentinel, too
// large for the takers, keeps the area and its guard alive.
TEST_F(HeapArea, TakersAndProducersNeverLoseOrDuplicateARecord) {
  ASSERT_EQ(append(&area, std::string(40, 's')), 1u);
  std::atomic<int> failed{0}, taken{0};
  std::multiset<std::string> made, got[2];
  std::vector<std::thread> pool;
  for (int p = 0; p < 3; ++p) {
    for (int i = 0; i < 80; ++i) made.insert(std::to_string(p * 1000 + i));
    pool.emplace_back([&, p] {
      for (int i = 0; i < 80; ++i) failed += append(&area, std::to_string(p * 1000 + i)) != 1;
    });
  }
  for (int c = 0; c < 2; ++c) {
    pool.emplace_back([&, c] {
      while (taken < 240) {
        const std::string s = take(FetchAndFreeHeapLastData, &area);
        if (s.empty()) std::this_thread::sleep_for(1ms);
        if (!s.empty() && ++taken) got[c].insert(s);
      }
    });
  }
  for (auto& th : pool) th.join();
  EXPECT_EQ(failed.load(), 0);
  got[0].insert(got[1].begin(), got[1].end());
  EXPECT_TRUE(got[0] == made) << got[0].size() << " taken of " << made.size();
  EXPECT_EQ(raw_records(area), strings{std::string(40, 's')});
  EXPECT_TRUE(guard_in_table());
}

}  // namespace
