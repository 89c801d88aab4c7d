// Heap areas: raw layout, queue, stack, cursor and search edges, the guard's life.
#include <cstdint>
#include <cstring>

#include "heap_spy.h"

namespace {

using strings = std::vector<std::string>;
using taker = uint32_t(HOSTUTIL_CALL*)(HeapAreaHead**, void*, uint32_t);

bool guard_in_table() { return SemaphoreIsExist("HEAP_SEMAPHORE_CONTROL", 0) == 1; }

const unsigned char* bytes(const void* p) { return static_cast<const unsigned char*>(p); }

uint32_t u32_at(const void* p, std::size_t offset) {
  uint32_t v;
  std::memcpy(&v, bytes(p) + offset, 4);
  return v;
}

void* ptr_at(const void* p, std::size_t offset) {
  void* v;
  std::memcpy(&v, bytes(p) + offset, 8);
  return v;
}

// The area's records, read through raw memory, their markers checked on the way.
strings raw_records(const HeapAreaHead* head) {
  strings out;
  for (const void* r = ptr_at(head, 16); r != nullptr;) {
    const uint32_t length = u32_at(r, 0);
    out.emplace_back(reinterpret_cast<const char*>(bytes(r) + 4), length);
    EXPECT_EQ(CompareCaseN(reinterpret_cast<const char*>(bytes(r) + 4 + length), "NEXTADDR", 8),
              1u);
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

TEST_F(HeapArea, LayoutReadBackThroughRawMemory) {
  fill_abc();
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(std::memcmp(area, "HEAPMNGR", 8), 0);
  EXPECT_EQ(u32_at(area, 8), 3u);
  EXPECT_EQ(u32_at(area, 12), 0u);
  EXPECT_EQ(hostutil::os::heap_size(area), 24u);
  void* r = ptr_at(area, 16);
  for (const std::string want : {"a", "bb", "ccc"}) {
    ASSERT_NE(r, nullptr);
    const auto length = static_cast<uint32_t>(want.size());
    EXPECT_EQ(hostutil::os::heap_size(r), length + 20u);
    EXPECT_EQ(u32_at(r, 0), length);
    EXPECT_EQ(std::memcmp(bytes(r) + 4, want.data(), length), 0);
    EXPECT_EQ(std::memcmp(bytes(r) + 4 + length, "NEXTADDR", 8), 0);
    r = ptr_at(r, 12 + length);  // unaligned for every length here
  }
  EXPECT_EQ(r, nullptr);

  EXPECT_EQ(IsHeapAddress(area), 1u);
  EXPECT_EQ(IsHeapAddress(area->firstRecord), 0u);
  EXPECT_EQ(IsHeapAddress(nullptr), 0u);
  EXPECT_EQ(IsHeapAddress("heapmngr"), 1u);
  EXPECT_EQ(IsHeapAddress("HEAPMNG"), 0u);
}

TEST_F(HeapArea, CursorQueueAndStack) {
  fill_abc();
  void* cursor = area;
  char buffer[8];
  EXPECT_EQ(FetchHeapData(&cursor, nullptr, 8), 0u);  // checks first: the cursor stays
  EXPECT_EQ(FetchHeapData(&cursor, buffer, 0), 0u);
  EXPECT_EQ(cursor, area);
  strings read;
  while (uint32_t n = FetchHeapData(&cursor, buffer, sizeof buffer)) read.emplace_back(buffer, n);
  EXPECT_EQ(read, (strings{"a", "bb", "ccc"}));
  EXPECT_EQ(cursor, nullptr);
  EXPECT_EQ(area->recordCount, 3u);

  EXPECT_EQ(take(FetchHeapLastData, &area), "ccc");
  EXPECT_EQ(area->recordCount, 3u);

  // Taken as a queue, then as a stack: the chain left is read back after each,
  // and the last record takes the area and its guard with it.
  for (const bool queue : {true, false}) {
    SCOPED_TRACE(queue ? "queue" : "stack");
    if (area == nullptr) fill_abc();
    strings left{"a", "bb", "ccc"};
    while (!left.empty()) {
      const std::string next = queue ? left.front() : left.back();
      EXPECT_EQ(take(queue ? FetchAndFreeHeapData : FetchAndFreeHeapLastData, &area), next);
      left.erase(queue ? left.begin() : left.end() - 1);
      EXPECT_EQ(area == nullptr ? strings{} : raw_records(area), left);
      EXPECT_EQ(area == nullptr, left.empty());
      EXPECT_EQ(guard_in_table(), !left.empty());
    }
    EXPECT_EQ(take(queue ? FetchAndFreeHeapData : FetchAndFreeHeapLastData, &area), "");
  }
}

TEST_F(HeapArea, RecordLargerThanTheBufferIsLeftInPlace) {
  ASSERT_EQ(append(&area, "0123456789"), 1u);
  for (taker fn : {FetchHeapLastData, FetchAndFreeHeapData, FetchAndFreeHeapLastData}) {
    EXPECT_EQ(take(fn, &area, 9), "");
  }
  EXPECT_EQ(area->recordCount, 1u);
  // The cursor moves from the head onto the record and stays there.
  void* cursor = area;
  char buffer[10];
  EXPECT_EQ(FetchHeapData(&cursor, buffer, 9), 0u);
  EXPECT_EQ(cursor, area->firstRecord);
  EXPECT_EQ(FetchHeapData(&cursor, buffer, 10), 10u);
  EXPECT_EQ(cursor, nullptr);
  // The search removes the match though it cannot deliver it, and leaves the buffer alone.
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(SearchAndFreeHeapData(&area, "0123456789", 10, buffer, 9), 0u);
  EXPECT_EQ(std::string(buffer, 10), std::string(10, 'x'));
  EXPECT_EQ(area, nullptr);
  EXPECT_FALSE(guard_in_table());
}

TEST_F(HeapArea, SearchRemovesTheFirstExactMatch) {
  fill_abc();
  EXPECT_EQ(SearchAndFreeHeapData(&area, "b", 1, nullptr, 0), 0u);  // a prefix is no match
  EXPECT_EQ(SearchAndFreeHeapData(&area, "bbb", 3, nullptr, 0), 0u);
  EXPECT_EQ(SearchAndFreeHeapData(&area, nullptr, 1, nullptr, 0), 0u);
  EXPECT_EQ(SearchAndFreeHeapData(&area, "bb", 0, nullptr, 0), 0u);
  EXPECT_EQ(area->recordCount, 3u);
  EXPECT_EQ(SearchAndFreeHeapData(&area, "bb", 2, nullptr, 0), 0u);  // no buffer: removed, 0
  EXPECT_EQ(area->recordCount, 2u);
  EXPECT_EQ(raw_records(area), (strings{"a", "ccc"}));

  ASSERT_EQ(append(&area, "a"), 1u);
  char buffer[6];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(SearchAndFreeHeapData(&area, "a", 1, buffer, sizeof buffer), 1u);
  EXPECT_EQ(std::string(buffer, 6), std::string("a\0\0\0\0\0", 6));
  EXPECT_EQ(raw_records(area), (strings{"ccc", "a"}));  // of two equal records, the older went
  EXPECT_EQ(SearchAndFreeHeapData(&area, "a", 1, buffer, sizeof buffer), 1u);
  ASSERT_EQ(append(&area, "e"), 1u);  // the new end was linked correctly
  EXPECT_EQ(raw_records(area), (strings{"ccc", "e"}));
}

TEST_F(HeapArea, ArgumentChecksAndPointersThatAreNotHeads) {
  EXPECT_EQ(AllocHeapAreaAndSetData(&area, "x", 0), 0u);
  EXPECT_EQ(AllocHeapAreaAndSetData(&area, nullptr, 1), 0u);
  EXPECT_EQ(AllocHeapAreaAndSetData(nullptr, "x", 1), 0u);
  EXPECT_EQ(area, nullptr);
  EXPECT_FALSE(guard_in_table());
  EXPECT_EQ(FreeHeapArea(&area), 0u);
  EXPECT_EQ(FreeHeapArea(nullptr), 0u);

  alignas(8) char fake[24] = "NOTAHEAD";
  auto* not_head = reinterpret_cast<HeapAreaHead*>(fake);
  for (taker fn : {FetchHeapLastData, FetchAndFreeHeapData, FetchAndFreeHeapLastData}) {
    EXPECT_EQ(take(fn, &not_head), "");
  }
  EXPECT_EQ(SearchAndFreeHeapData(&not_head, "x", 1, nullptr, 0), 0u);
  EXPECT_EQ(FreeHeapArea(&not_head), 0u);
  EXPECT_EQ(IsHeapAddress(fake), 0u);
  EXPECT_EQ(not_head, reinterpret_cast<HeapAreaHead*>(fake));
  EXPECT_EQ(std::string(fake), "NOTAHEAD");

  fill_abc();
  EXPECT_EQ(FreeHeapArea(&area), 0u);
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
  // Each taker meets a head whose record could not be allocated.
  for (int t = 0; t < 5; ++t) {
    SCOPED_TRACE(t);
    {
      hostutil::test::heap_spy spy;
      spy.fail_allocation = 2;
      EXPECT_EQ(append(&area, "x"), 0u);
    }
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->recordCount, 0u);
    EXPECT_EQ(area->firstRecord, nullptr);
    bool releases_guard = true;
    if (t == 0) {
      void* cursor = area;
      char buffer[4];
      EXPECT_EQ(FetchHeapData(&cursor, buffer, sizeof buffer), 0u);
      EXPECT_EQ(cursor, nullptr);  // the walk ends
      EXPECT_EQ(FreeHeapArea(&area), 0u);
    } else if (t == 1) {
      EXPECT_EQ(take(FetchHeapLastData, &area), "");
      releases_guard = false;  // a read never releases the guard
    } else if (t == 4) {
      EXPECT_EQ(FreeHeapArea(&area), 0u);
    } else {
      EXPECT_EQ(take(t == 2 ? FetchAndFreeHeapData : FetchAndFreeHeapLastData, &area), "");
    }
    EXPECT_EQ(area, nullptr);
    EXPECT_EQ(guard_in_table(), !releases_guard);
  }
}

TEST_F(HeapArea, OneGuardForEveryAreaLeavesWhenAnyEmpties) {
  HeapAreaHead* other = nullptr;
  ASSERT_EQ(append(&area, "a"), 1u);
  ASSERT_EQ(append(&other, "b"), 1u);
  EXPECT_EQ(take(FetchAndFreeHeapData, &other), "b");
  // Gone though this area still has a record; the area goes on working without it.
  EXPECT_FALSE(guard_in_table());
  EXPECT_EQ(take(FetchHeapLastData, &area), "a");
  EXPECT_EQ(append(&area, "c"), 1u);
  EXPECT_TRUE(guard_in_table());
}

TEST_F(HeapArea, MarkersAndSignaturesAreTestedCaseBlind) {
  fill_abc();
  unsigned char* second_marker = static_cast<unsigned char*>(ptr_at(area->firstRecord, 13)) + 6;
  std::memcpy(second_marker, "NEXTADDX", 8);
  EXPECT_EQ(append(&area, "d"), 0u);
  EXPECT_EQ(area->recordCount, 3u);
  std::memcpy(second_marker, "nextaddr", 8);
  EXPECT_EQ(append(&area, "d"), 1u);
  EXPECT_EQ(raw_records(area).size(), 4u);
  // A head signed in lower case is still a head; the next append signs it again.
  std::memcpy(area->signature, "heapmngr", 8);
  EXPECT_EQ(take(FetchHeapLastData, &area), "d");
  EXPECT_EQ(append(&area, "e"), 1u);
  EXPECT_EQ(std::memcmp(area->signature, "HEAPMNGR", 8), 0);
}

TEST_F(HeapArea, BlocksAreZeroedBeforeTheyAreGivenBack) {
  {
    hostutil::test::heap_spy spy;
    fill_abc();
    EXPECT_EQ(spy.zero_fill, (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(FreeHeapArea(&area), 0u);
    EXPECT_EQ(spy.released_sizes, (std::vector<std::size_t>{23, 22, 21, 24}));  // last first
    EXPECT_EQ(spy.dirty_releases, 0);
  }
  fill_abc();
  hostutil::test::heap_spy spy;
  EXPECT_EQ(take(FetchAndFreeHeapData, &area), "a");
  EXPECT_EQ(SearchAndFreeHeapData(&area, "ccc", 3, nullptr, 0), 0u);
  EXPECT_EQ(take(FetchAndFreeHeapLastData, &area), "bb");
  EXPECT_EQ(spy.released_sizes, (std::vector<std::size_t>{21, 23, 22, 24}));
  EXPECT_EQ(spy.dirty_releases, 0);
}

TEST_F(HeapArea, BlockOfReportedSizeZeroIsNeitherClearedNorGivenBack) {
  ASSERT_EQ(append(&area, "keep"), 1u);
  HeapAreaHead* head = area;
  void* record = area->firstRecord;
  hostutil::test::heap_spy spy;  // gives both blocks back at the end
  spy.zero_sizes = true;
  EXPECT_EQ(take(FetchAndFreeHeapData, &area), "keep");
  EXPECT_EQ(area, nullptr);
  EXPECT_TRUE(spy.released_sizes.empty());
  EXPECT_EQ(std::memcmp(bytes(record) + 4, "keep", 4), 0);  // still ours, so still readable
  EXPECT_EQ(std::memcmp(head, "HEAPMNGR", 8), 0);
  EXPECT_EQ(spy.stranded.size(), 2u);
}

TEST_F(HeapArea, NothingWorksWithoutTheTable) {
  SemaphoreControlEnd();
  EXPECT_EQ(append(&area, "a"), 0u);
  EXPECT_EQ(area, nullptr);
  // An area made while the table was up cannot be reached once it is given up.
  SemaphoreControlBegin();
  fill_abc();
  SemaphoreControlEnd();
  void* cursor = area;
  char buffer[4];
  EXPECT_EQ(FetchHeapData(&cursor, buffer, sizeof buffer), 0u);
  EXPECT_EQ(cursor, area);
  for (taker fn : {FetchHeapLastData, FetchAndFreeHeapData, FetchAndFreeHeapLastData}) {
    EXPECT_EQ(take(fn, &area), "");  // cleared before the guard is tried
  }
  EXPECT_EQ(SearchAndFreeHeapData(&area, "a", 1, nullptr, 0), 0u);
  EXPECT_EQ(append(&area, "d"), 0u);
  EXPECT_EQ(FreeHeapArea(&area), 0u);
  EXPECT_EQ(IsHeapAddress(area), 0u);
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(raw_records(area), (strings{"a", "bb", "ccc"}));
  SemaphoreControlBegin();  // TearDown frees it
}

}  // namespace
