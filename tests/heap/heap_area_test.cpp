// Heap areas: the byte layout read back through raw memory, queue, stack, cursor
// and search behaviour at their edges, heads left without a record, the guard
// semaphore's life in the table, and blocks zeroed before they are given back.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "heap_spy.h"
#include "hostutil.h"
#include "lock/semaphore_table.h"
#include "os/heap.h"

namespace {

constexpr const char* guard = "HEAP_SEMAPHORE_CONTROL";

bool guard_in_table() { return SemaphoreIsExist(guard, 0) == 1; }

const unsigned char* bytes(const void* p) { return static_cast<const unsigned char*>(p); }

uint32_t u32_at(const void* p, std::size_t offset) {
  uint32_t v;
  std::memcpy(&v, bytes(p) + offset, 4);
  return v;
}

const void* ptr_at(const void* p, std::size_t offset) {
  const void* v;
  std::memcpy(&v, bytes(p) + offset, 8);
  return v;
}

// The area's records, read through raw memory, their markers checked on the way.
std::vector<std::string> raw_records(const HeapAreaHead* head) {
  std::vector<std::string> out;
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

std::string delivered(const char* buffer, uint32_t n) { return std::string(buffer, n); }

class HeapArea : public ::testing::Test {
 protected:
  void SetUp() override {
    SemaphoreControlEnd();
    SemaphoreControlBegin();
  }
  void TearDown() override {
    FreeHeapArea(&area);
    SemaphoreControlEnd();
  }

  // An area of a, bb and ccc.
  void fill_abc() {
    ASSERT_EQ(append(&area, "a"), 1u);
    ASSERT_EQ(append(&area, "bb"), 1u);
    ASSERT_EQ(append(&area, "ccc"), 1u);
  }

  HeapAreaHead* area = nullptr;
};

TEST_F(HeapArea, LayoutReadBackThroughRawMemory) {
  fill_abc();
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(std::memcmp(area, "HEAPMNGR", 8), 0);
  EXPECT_EQ(u32_at(area, 8), 3u);
  EXPECT_EQ(u32_at(area, 12), 0u);
  EXPECT_EQ(hostutil::os::heap_syscalls().size(area), 24u);

  const void* r = ptr_at(area, 16);
  for (const std::string& want : {std::string("a"), std::string("bb"), std::string("ccc")}) {
    ASSERT_NE(r, nullptr);
    const auto length = static_cast<uint32_t>(want.size());
    EXPECT_EQ(hostutil::os::heap_syscalls().size(const_cast<void*>(r)), length + 20u);
    EXPECT_EQ(u32_at(r, 0), length);
    EXPECT_EQ(std::memcmp(bytes(r) + 4, want.data(), length), 0);
    EXPECT_EQ(std::memcmp(bytes(r) + 4 + length, "NEXTADDR", 8), 0);
    r = ptr_at(r, 12 + length);  // unaligned for every length here
  }
  EXPECT_EQ(r, nullptr);
  EXPECT_EQ(raw_records(area), (std::vector<std::string>{"a", "bb", "ccc"}));

  EXPECT_EQ(IsHeapAddress(area), 1u);
  EXPECT_EQ(IsHeapAddress(area->firstRecord), 0u);
  EXPECT_EQ(IsHeapAddress(nullptr), 0u);
  const char lower[] = "heapmngr";
  EXPECT_EQ(IsHeapAddress(lower), 1u);
  const char short_one[] = "HEAPMNG";
  EXPECT_EQ(IsHeapAddress(short_one), 0u);
}

TEST_F(HeapArea, CursorReadsForwardWithoutRemoving) {
  fill_abc();
  void* cursor = area;
  char buffer[8];
  std::memset(buffer, 0xAA, sizeof buffer);
  ASSERT_EQ(FetchHeapData(&cursor, buffer, sizeof buffer), 1u);
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string("a\0\0\0\0\0\0\0", 8));
  EXPECT_EQ(FetchHeapData(&cursor, buffer, sizeof buffer), 2u);
  EXPECT_EQ(delivered(buffer, 2), "bb");
  EXPECT_EQ(FetchHeapData(&cursor, buffer, sizeof buffer), 3u);
  EXPECT_EQ(delivered(buffer, 3), "ccc");
  EXPECT_EQ(cursor, nullptr);
  EXPECT_EQ(FetchHeapData(&cursor, buffer, sizeof buffer), 0u);
  EXPECT_EQ(area->recordCount, 3u);

  // Checks come before anything is touched.
  cursor = area;
  EXPECT_EQ(FetchHeapData(&cursor, nullptr, 8), 0u);
  EXPECT_EQ(FetchHeapData(&cursor, buffer, 0), 0u);
  EXPECT_EQ(FetchHeapData(nullptr, buffer, sizeof buffer), 0u);
  EXPECT_EQ(cursor, area);
}

TEST_F(HeapArea, QueueTakesFromTheFront) {
  fill_abc();
  char buffer[4];
  EXPECT_EQ(FetchAndFreeHeapData(&area, buffer, sizeof buffer), 1u);
  EXPECT_EQ(std::string(buffer, 4), std::string("a\0\0\0", 4));
  EXPECT_EQ(area->recordCount, 2u);
  EXPECT_EQ(FetchAndFreeHeapData(&area, buffer, sizeof buffer), 2u);
  EXPECT_EQ(delivered(buffer, 2), "bb");
  EXPECT_TRUE(guard_in_table());
  EXPECT_EQ(FetchAndFreeHeapData(&area, buffer, sizeof buffer), 3u);
  EXPECT_EQ(delivered(buffer, 3), "ccc");
  EXPECT_EQ(area, nullptr);
  EXPECT_FALSE(guard_in_table());
  EXPECT_EQ(FetchAndFreeHeapData(&area, buffer, sizeof buffer), 0u);
  // The next append brings the guard back.
  EXPECT_EQ(append(&area, "d"), 1u);
  EXPECT_TRUE(guard_in_table());
}

TEST_F(HeapArea, StackTakesFromTheBack) {
  fill_abc();
  char buffer[3];
  EXPECT_EQ(FetchHeapLastData(&area, buffer, sizeof buffer), 3u);
  EXPECT_EQ(delivered(buffer, 3), "ccc");
  EXPECT_EQ(area->recordCount, 3u);
  // Each take cuts the chain before the record it took.
  const std::vector<std::string> left[] = {{"a", "bb"}, {"a"}};
  EXPECT_EQ(delivered(buffer, FetchAndFreeHeapLastData(&area, buffer, sizeof buffer)), "ccc");
  EXPECT_EQ(raw_records(area), left[0]);
  EXPECT_EQ(delivered(buffer, FetchAndFreeHeapLastData(&area, buffer, sizeof buffer)), "bb");
  EXPECT_EQ(raw_records(area), left[1]);
  EXPECT_EQ(area->recordCount, 1u);
  EXPECT_TRUE(guard_in_table());
  EXPECT_EQ(delivered(buffer, FetchAndFreeHeapLastData(&area, buffer, sizeof buffer)), "a");
  EXPECT_EQ(area, nullptr);
  EXPECT_FALSE(guard_in_table());
  EXPECT_EQ(FetchHeapLastData(&area, buffer, sizeof buffer), 0u);
}

TEST_F(HeapArea, RecordLargerThanTheBufferIsLeftInPlace) {
  ASSERT_EQ(append(&area, "0123456789"), 1u);
  char nine[9];
  std::memset(nine, 'x', sizeof nine);
  EXPECT_EQ(FetchHeapLastData(&area, nine, sizeof nine), 0u);
  EXPECT_EQ(std::string(nine, 9), std::string(9, '\0'));  // cleared all the same
  EXPECT_EQ(FetchAndFreeHeapData(&area, nine, sizeof nine), 0u);
  EXPECT_EQ(FetchAndFreeHeapLastData(&area, nine, sizeof nine), 0u);
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(area->recordCount, 1u);

  // The cursor moves from the head onto the record and stays there.
  void* cursor = area;
  EXPECT_EQ(FetchHeapData(&cursor, nine, sizeof nine), 0u);
  EXPECT_EQ(cursor, area->firstRecord);
  char ten[10];
  EXPECT_EQ(FetchHeapData(&cursor, ten, sizeof ten), 10u);
  EXPECT_EQ(delivered(ten, 10), "0123456789");
  EXPECT_EQ(cursor, nullptr);

  // The search removes the match even when it cannot deliver it.
  std::memset(nine, 'x', sizeof nine);
  EXPECT_EQ(SearchAndFreeHeapData(&area, "0123456789", 10, nine, sizeof nine), 0u);
  EXPECT_EQ(std::string(nine, 9), std::string(9, 'x'));  // not touched
  EXPECT_EQ(area, nullptr);
  EXPECT_FALSE(guard_in_table());
}

TEST_F(HeapArea, SearchRemovesTheFirstExactMatch) {
  fill_abc();
  EXPECT_EQ(SearchAndFreeHeapData(&area, "b", 1, nullptr, 0), 0u);  // a prefix is no match
  EXPECT_EQ(SearchAndFreeHeapData(&area, "bbb", 3, nullptr, 0), 0u);
  EXPECT_EQ(area->recordCount, 3u);
  EXPECT_EQ(SearchAndFreeHeapData(&area, "bb", 2, nullptr, 0), 0u);  // null buffer: removed, 0
  EXPECT_EQ(area->recordCount, 2u);
  EXPECT_EQ(raw_records(area), (std::vector<std::string>{"a", "ccc"}));

  // Two equal records: the older goes.
  ASSERT_EQ(append(&area, "a"), 1u);
  char buffer[6];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(SearchAndFreeHeapData(&area, "a", 1, buffer, sizeof buffer), 1u);
  EXPECT_EQ(std::string(buffer, 6), std::string("a\0\0\0\0\0", 6));
  EXPECT_EQ(raw_records(area), (std::vector<std::string>{"ccc", "a"}));
  // The last record of the chain: its predecessor becomes the end.
  EXPECT_EQ(SearchAndFreeHeapData(&area, "a", 1, buffer, sizeof buffer), 1u);
  EXPECT_EQ(raw_records(area), (std::vector<std::string>{"ccc"}));
  ASSERT_EQ(append(&area, "e"), 1u);
  EXPECT_EQ(raw_records(area), (std::vector<std::string>{"ccc", "e"}));

  EXPECT_EQ(SearchAndFreeHeapData(&area, nullptr, 1, buffer, sizeof buffer), 0u);
  EXPECT_EQ(SearchAndFreeHeapData(&area, "e", 0, buffer, sizeof buffer), 0u);
  EXPECT_EQ(area->recordCount, 2u);
}

TEST_F(HeapArea, ArgumentChecksAndPointersThatAreNotHeads) {
  EXPECT_EQ(AllocHeapAreaAndSetData(&area, "x", 0), 0u);
  EXPECT_EQ(AllocHeapAreaAndSetData(&area, nullptr, 1), 0u);
  EXPECT_EQ(AllocHeapAreaAndSetData(nullptr, "x", 1), 0u);
  EXPECT_EQ(area, nullptr);
  EXPECT_FALSE(guard_in_table());
  EXPECT_EQ(FreeHeapArea(&area), 0u);
  EXPECT_EQ(FreeHeapArea(nullptr), 0u);

  // A block that does not begin with the signature is refused before the guard.
  alignas(8) char fake[24] = "NOTAHEAD";
  auto* not_head = reinterpret_cast<HeapAreaHead*>(fake);
  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(FetchHeapLastData(&not_head, buffer, sizeof buffer), 0u);
  EXPECT_EQ(std::string(buffer, 4), std::string(4, '\0'));
  EXPECT_EQ(FetchAndFreeHeapData(&not_head, buffer, sizeof buffer), 0u);
  EXPECT_EQ(FetchAndFreeHeapLastData(&not_head, buffer, sizeof buffer), 0u);
  EXPECT_EQ(SearchAndFreeHeapData(&not_head, "x", 1, buffer, sizeof buffer), 0u);
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
  // Each taker meets a head whose record allocation failed.
  enum class taker { cursor, last, queue, stack, free_all };
  for (taker t : {taker::cursor, taker::last, taker::queue, taker::stack, taker::free_all}) {
    SCOPED_TRACE(static_cast<int>(t));
    {
      hostutil::test::heap_spy spy;
      spy.fail_allocation = 2;  // the head is made, its record is not
      EXPECT_EQ(append(&area, "x"), 0u);
    }
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->recordCount, 0u);
    EXPECT_EQ(area->firstRecord, nullptr);
    EXPECT_TRUE(guard_in_table());
    char buffer[4];
    switch (t) {
      case taker::cursor: {
        void* cursor = area;
        EXPECT_EQ(FetchHeapData(&cursor, buffer, sizeof buffer), 0u);
        EXPECT_EQ(cursor, nullptr);  // the walk ends
        EXPECT_EQ(FreeHeapArea(&area), 0u);
        break;
      }
      case taker::last:
        EXPECT_EQ(FetchHeapLastData(&area, buffer, sizeof buffer), 0u);
        EXPECT_TRUE(guard_in_table());  // a read never releases the guard
        SemaphoreRelease(guard, 0);
        break;
      case taker::queue:
        EXPECT_EQ(FetchAndFreeHeapData(&area, buffer, sizeof buffer), 0u);
        break;
      case taker::stack:
        EXPECT_EQ(FetchAndFreeHeapLastData(&area, buffer, sizeof buffer), 0u);
        break;
      case taker::free_all:
        EXPECT_EQ(FreeHeapArea(&area), 0u);
        break;
    }
    EXPECT_EQ(area, nullptr);
    EXPECT_FALSE(guard_in_table());
  }

  // A failed head allocation leaves no area at all; a later record goes on an existing head.
  {
    hostutil::test::heap_spy spy;
    spy.fail_allocation = 1;
    EXPECT_EQ(append(&area, "x"), 0u);
    EXPECT_EQ(area, nullptr);
  }
  {
    hostutil::test::heap_spy spy;
    spy.fail_allocation = 2;
    EXPECT_EQ(append(&area, "x"), 0u);
  }
  EXPECT_EQ(append(&area, "y"), 1u);
  EXPECT_EQ(raw_records(area), (std::vector<std::string>{"y"}));
  EXPECT_EQ(area->recordCount, 1u);
}

TEST_F(HeapArea, GuardLeavesTheTableWhenAnyAreaEmpties) {
  EXPECT_FALSE(guard_in_table());
  HeapAreaHead* other = nullptr;
  ASSERT_EQ(append(&area, "a"), 1u);
  ASSERT_EQ(append(&other, "b"), 1u);
  EXPECT_TRUE(guard_in_table());
  char buffer[4];
  ASSERT_EQ(FetchAndFreeHeapData(&other, buffer, sizeof buffer), 1u);
  // One guard for every area: it is gone though this area still has a record,
  // and the area goes on working without it.
  EXPECT_FALSE(guard_in_table());
  EXPECT_EQ(FetchHeapLastData(&area, buffer, sizeof buffer), 1u);
  EXPECT_EQ(IsHeapAddress(area), 1u);
  EXPECT_FALSE(guard_in_table());
  EXPECT_EQ(append(&area, "c"), 1u);
  EXPECT_TRUE(guard_in_table());
  EXPECT_EQ(hostutil::lock::occupied_slots(), 1u);
}

TEST_F(HeapArea, MarkersAndSignaturesAreTestedCaseBlind) {
  fill_abc();
  auto* second = reinterpret_cast<unsigned char*>(const_cast<void*>(ptr_at(area->firstRecord, 13)));
  unsigned char* marker = second + 4 + 2;
  std::memcpy(marker, "NEXTADDX", 8);
  EXPECT_EQ(append(&area, "d"), 0u);
  EXPECT_EQ(area->recordCount, 3u);
  std::memcpy(marker, "nextaddr", 8);
  EXPECT_EQ(append(&area, "d"), 1u);
  EXPECT_EQ(raw_records(area).size(), 4u);

  // A head signed in lower case is still a head; the next append signs it again.
  std::memcpy(area->signature, "heapmngr", 8);
  char buffer[4];
  EXPECT_EQ(FetchHeapLastData(&area, buffer, sizeof buffer), 1u);
  EXPECT_EQ(delivered(buffer, 1), "d");
  EXPECT_EQ(append(&area, "e"), 1u);
  EXPECT_EQ(std::memcmp(area->signature, "HEAPMNGR", 8), 0);
}

TEST_F(HeapArea, BlocksAreZeroedBeforeTheyAreGivenBack) {
  fill_abc();
  {
    hostutil::test::heap_spy spy;
    EXPECT_EQ(FreeHeapArea(&area), 0u);
    EXPECT_EQ(spy.dirty_releases, 0);
    // Last record to first, then the head.
    EXPECT_EQ(spy.released_sizes, (std::vector<std::size_t>{23, 22, 21, 24}));
  }
  fill_abc();
  {
    hostutil::test::heap_spy spy;
    char buffer[4];
    EXPECT_EQ(FetchAndFreeHeapData(&area, buffer, sizeof buffer), 1u);
    EXPECT_EQ(SearchAndFreeHeapData(&area, "ccc", 3, nullptr, 0), 0u);
    EXPECT_EQ(FetchAndFreeHeapLastData(&area, buffer, sizeof buffer), 2u);
    EXPECT_EQ(spy.dirty_releases, 0);
    EXPECT_EQ(spy.released_sizes, (std::vector<std::size_t>{21, 23, 22, 24}));
    EXPECT_TRUE(spy.zero_fill.empty());
  }
  // Every block is asked for zero-filled.
  {
    hostutil::test::heap_spy spy;
    fill_abc();
    EXPECT_EQ(spy.zero_fill, (std::vector<bool>{true, true, true, true}));
  }
}

TEST_F(HeapArea, BlockOfReportedSizeZeroIsNeitherClearedNorGivenBack) {
  ASSERT_EQ(append(&area, "keep"), 1u);
  HeapAreaHead* head = area;
  void* record = area->firstRecord;
  {
    hostutil::test::heap_spy spy;
    spy.zero_sizes = true;
    char buffer[8];
    EXPECT_EQ(FetchAndFreeHeapData(&area, buffer, sizeof buffer), 4u);
    EXPECT_EQ(area, nullptr);
    EXPECT_TRUE(spy.released_sizes.empty());
    // Still ours and untouched, so still readable.
    EXPECT_EQ(std::memcmp(bytes(record) + 4, "keep", 4), 0);
    EXPECT_EQ(std::memcmp(head, "HEAPMNGR", 8), 0);
    EXPECT_EQ(spy.stranded.size(), 2u);
  }  // the spy gives both back
}

TEST_F(HeapArea, NothingWorksBeforeTheTableIsSetUp) {
  SemaphoreControlEnd();
  {
    hostutil::test::heap_spy spy;
    EXPECT_EQ(append(&area, "a"), 0u);
    EXPECT_EQ(area, nullptr);
    EXPECT_EQ(spy.allocations, 0);
  }
  // An area made while the table was up cannot be reached once it is given up.
  SemaphoreControlBegin();
  fill_abc();
  SemaphoreControlEnd();
  char buffer[4] = {'x', 'x', 'x', 'x'};
  void* cursor = area;
  EXPECT_EQ(FetchHeapData(&cursor, buffer, sizeof buffer), 0u);
  EXPECT_EQ(std::string(buffer, 4), std::string(4, '\0'));  // cleared before the guard
  EXPECT_EQ(cursor, area);
  EXPECT_EQ(FetchHeapLastData(&area, buffer, sizeof buffer), 0u);
  EXPECT_EQ(FetchAndFreeHeapData(&area, buffer, sizeof buffer), 0u);
  EXPECT_EQ(FetchAndFreeHeapLastData(&area, buffer, sizeof buffer), 0u);
  EXPECT_EQ(SearchAndFreeHeapData(&area, "a", 1, buffer, sizeof buffer), 0u);
  EXPECT_EQ(append(&area, "d"), 0u);
  EXPECT_EQ(FreeHeapArea(&area), 0u);
  EXPECT_EQ(IsHeapAddress(area), 0u);
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(raw_records(area), (std::vector<std::string>{"a", "bb", "ccc"}));
  SemaphoreControlBegin();  // TearDown frees it
}

}  // namespace
