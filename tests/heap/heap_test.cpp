// Heap areas (raw layout, queue, stack, cursor and search edges, refusals, heads
// left by a failed allocation, the guard's life, threads sharing one area) and the
// registered blocks (registry and table entries, claims, scrubbing, large blocks,
// failures, a holder in another process).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <set>
#include <thread>

#include "common/block_name.h"
#include "heap/registry.h"
#include "hostutil.h"
#include "lock/semaphore_table.h"
#include "support/child.h"
#include "support/fake_semaphores.h"
#include "support/scratch_files.h"
#include "support/stand_in.h"

namespace fs = std::filesystem;
namespace os = hostutil::os;
using namespace std::chrono_literals;
using hostutil::heap::allocation_registry;
using hostutil::lock::occupied_slots;
using hostutil::test::stand_in;
using failed_allocation = hostutil::test::fail_nth<&os::system_calls::heap_allocate>;
using hostutil::tools::block_name;

namespace {

using strings = std::vector<std::string>;
using results = std::vector<uint32_t>;
using sizes = std::vector<std::size_t>;
using taker = uint32_t(HOSTUTIL_CALL*)(HeapAreaHead**, void*, uint32_t);
constexpr taker takers[] = {FetchHeapLastData, FetchAndFreeHeapData, FetchAndFreeHeapLastData};

// Notes the zero fill asked for, makes every size come back as 0 when asked to,
// and notes whether each small block was all zeros when given back. The real
// calls come back at the end of its scope.
struct heap_spy {
  ~heap_spy() {
    for (void* block : stranded) release_.real(block);  // no-op for blocks freed since
  }
  bool zero_sizes = false;      // every size query answers 0
  std::vector<bool> zero_fill;  // as asked, per allocation
  sizes released_sizes;         // per release, in order
  int dirty_releases = 0;       // small blocks given back with a byte not zero
  std::vector<void*> stranded;  // blocks whose size was answered as 0
  stand_in<&os::system_calls::heap_allocate> allocate_{[this](std::size_t size, bool zero) {
    zero_fill.push_back(zero);
    return allocate_.real(size, zero);
  }};
  stand_in<&os::system_calls::heap_size> size_{[this](void* block) -> std::size_t {
    if (!zero_sizes) return size_.real(block);
    if (std::find(stranded.begin(), stranded.end(), block) == stranded.end())
      stranded.push_back(block);
    return 0;
  }};
  stand_in<&os::system_calls::heap_release> release_{[this](void* block) {
    const std::size_t size = size_.real(block);
    const auto* bytes = static_cast<const unsigned char*>(block);
    if (size < os::heap_mapped_threshold &&
        std::any_of(bytes, bytes + size, [](auto b) { return b; }))
      ++dirty_releases;
    released_sizes.push_back(size);
    return release_.real(block);
  }};
};

bool guard_in_table() { return SemaphoreIsExist("HEAP_SEMAPHORE_CONTROL", 0) == 1; }

// A field of a packed layout, read bytewise: unaligned for most record lengths.
template <typename T>
T at(const void* p, std::size_t offset) {
  T v;
  std::memcpy(&v, static_cast<const char*>(p) + offset, sizeof v);
  return v;
}

// The area's records read through raw memory, each block's size and marker checked.
strings raw_records(const HeapAreaHead* head) {
  strings out;
  for (auto* r = at<const char*>(head, 16); r; r = at<const char*>(r, 12 + out.back().size())) {
    out.emplace_back(r + 4, at<uint32_t>(r, 0));
    EXPECT_EQ(std::memcmp(r + 4 + out.back().size(), "NEXTADDR", 8), 0);
    EXPECT_EQ(os::heap_size(const_cast<char*>(r)), out.back().size() + 20);
  }
  return out;
}

uint32_t append(HeapAreaHead** area, const std::string& data) {
  return AllocHeapAreaAndSetData(area, data.data(), static_cast<uint32_t>(data.size()));
}

// What the call gives with the nth heap allocation failing.
template <typename Call>
auto with_failed_allocation(int nth, Call call) {
  failed_allocation fault(nth, nullptr);
  return call();
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

class Heap : public hostutil::test::files::area_test {
 protected:
  void fill_abc() {
    for (const char* s : {"a", "bb", "ccc"}) ASSERT_EQ(append(&area, s), 1u);
  }
};

TEST_F(Heap, LayoutGuardAndARecordTooLarge) {
  fill_abc();
  EXPECT_EQ((results{std::memcmp(area, "HEAPMNGR", 8) == 0, area->recordCount, area->reserved,
                     static_cast<uint32_t>(os::heap_size(area))}),
            (results{1, 3, 0, 24}));
  EXPECT_EQ(raw_records(area), (strings{"a", "bb", "ccc"}));
  // That the signature is tested case-blind: the CSV fuzz target, on a kept input.
  // The last record taken takes the area and its guard with it.
  for (const std::string last : {"ccc", "bb", "a"}) {
    EXPECT_EQ(take(FetchAndFreeHeapLastData, &area), last);
    EXPECT_EQ((results{area != nullptr, guard_in_table()}), results(2, last != "a"));
  }

  // Before a record larger than the buffer, the cursor moves from the head onto
  // the record and stays there.
  ASSERT_EQ(append(&area, "0123456789"), 1u);
  void* cursor = area;
  char buffer[10];
  EXPECT_EQ((results{FetchHeapData(&cursor, buffer, 9), cursor == area->firstRecord,
                     FetchHeapData(&cursor, buffer, 10)}),
            (results{0, 1, 10}));
}

TEST_F(Heap, SearchRemovesTheFirstExactMatch) {
  fill_abc();
  EXPECT_EQ((results{SearchAndFreeHeapData(&area, "b", 1, nullptr, 0),  // a prefix is no match
                     SearchAndFreeHeapData(&area, "bbb", 3, nullptr, 0),
                     SearchAndFreeHeapData(&area, nullptr, 1, nullptr, 0),
                     SearchAndFreeHeapData(&area, "bb", 0, nullptr, 0), area->recordCount}),
            (results{0, 0, 0, 0, 3}));
  EXPECT_EQ(SearchAndFreeHeapData(&area, "bb", 2, nullptr, 0), 0u);  // no buffer: removed, 0
  EXPECT_EQ(raw_records(area), (strings{"a", "ccc"}));
  // A broken marker stops an append; markers are tested case-blind.
  unsigned char* marker = reinterpret_cast<unsigned char*>(area->firstRecord) + 5;  // after "a"
  std::memcpy(marker, "NEXTADDX", 8);
  EXPECT_EQ(append(&area, "f"), 0u);
  std::memcpy(marker, "nextaddr", 8);
  EXPECT_EQ(append(&area, "f"), 1u);
  EXPECT_EQ(area->recordCount, 3u);
}

TEST_F(Heap, RefusalsLeaveEveryAreaAsItWas) {
  EXPECT_EQ((results{append(&area, ""), AllocHeapAreaAndSetData(&area, nullptr, 1),
                     AllocHeapAreaAndSetData(nullptr, "x", 1), FreeHeapArea(&area),
                     FreeHeapArea(nullptr)}),
            results(5, 0));
  EXPECT_EQ((results{area == nullptr, guard_in_table()}), (results{1, 0}));
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
  EXPECT_EQ((results{FetchHeapData(&cursor, buffer, 4), cursor == area, append(&area, "d")}),
            (results{0, 1, 0}));
  EXPECT_EQ(refusals(&area), results(4, 0));
  EXPECT_EQ(raw_records(area), (strings{"a", "bb", "ccc"}));
  SemaphoreControlBegin();
  // A whole area: 0, and the pointer is null.
  EXPECT_EQ((results{FreeHeapArea(&area), area == nullptr, guard_in_table()}), (results{0, 1, 0}));
}

TEST_F(Heap, HeadWithoutARecordAfterAFailedAllocation) {
  const auto failed_append = [&](int nth) {
    return with_failed_allocation(nth, [&] { return append(&area, "x"); });
  };
  EXPECT_EQ((results{failed_append(1), area == nullptr}), (results{0, 1}));  // the head itself
  // Each call meets a head whose record could not be allocated, and takes it
  // away; only a read keeps the guard.
  for (int t = 0; t < 4; ++t) {
    SCOPED_TRACE(t);
    EXPECT_EQ(failed_append(2), 0u);
    ASSERT_NE(area, nullptr);
    void* cursor = area;
    char buffer[4];
    EXPECT_EQ((results{area->recordCount, area->firstRecord == nullptr,
                       FetchHeapData(&cursor, buffer, 4), cursor == nullptr}),
              (results{0, 1, 0, 1}));  // the walk ends there
    EXPECT_EQ(t < 3 ? take(takers[t], &area).size() : FreeHeapArea(&area), 0u);
    EXPECT_EQ((results{area == nullptr, guard_in_table()}), (results{1, t == 0}));
  }
}

// Producers append while takers take from the back; a 40-byte sentinel, too
// large for the takers, keeps the area and its guard alive.
TEST_F(Heap, TakersAndProducersNeverLoseOrDuplicateARecord) {
  ASSERT_EQ(append(&area, std::string(40, 's')), 1u);
  std::atomic<int> failed{0}, taken{0};
  std::multiset<std::string> made, got[2];
  for (int i = 0; i < 240; ++i) made.insert(std::to_string(i));
  hostutil::test::on_threads(5, [&](int t) {  // three producers of 80 records, two takers
    for (int i = 0; t < 3 && i < 80; ++i) failed += append(&area, std::to_string(t * 80 + i)) != 1;
    while (t >= 3 && taken < 240) {
      const std::string s = take(FetchAndFreeHeapLastData, &area);
      if (s.empty()) std::this_thread::sleep_for(1ms);
      if (!s.empty() && ++taken) got[t - 3].insert(s);
    }
  });
  EXPECT_EQ(failed.load(), 0);
  got[0].insert(got[1].begin(), got[1].end());
  EXPECT_TRUE(got[0] == made) << got[0].size() << " taken of " << made.size();
  EXPECT_EQ(raw_records(area), strings{std::string(40, 's')});
}

strings registered() { return raw_records(allocation_registry()); }

bool has_semaphore(const void* block) {
  return SemaphoreIsExist(block_name(block).c_str(), 0) == 1;
}

TEST_F(Heap, BlocksAreZeroFilledRegisteredAndGivenASemaphore) {
  // Nothing is handed out before the table is set up, nor for a size of 0.
  SemaphoreControlEnd();
  for (uint32_t size : {1u, 100u, 2u << 20}) EXPECT_EQ(GlobalAllocEx(64, size), nullptr);
  EXPECT_EQ(GlobalAreaLumpFree(), 1u);
  SemaphoreControlBegin();
  EXPECT_EQ(GlobalAllocEx(64, 0), nullptr);
  EXPECT_EQ(allocation_registry(), nullptr);

  void* block = GlobalAllocEx(64, 100);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ((results{reinterpret_cast<uintptr_t>(block) % 16 == 0, has_semaphore(block)}),
            results(2, 1));
  void* second = HeapAllocExEx(64, 7);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(registered(), (strings{block_name(block), block_name(second)}));
  std::memset(block, 0x5A, 100);
  std::memset(second, 0x5A, 7);
  {
    heap_spy spy;
    EXPECT_EQ((results{GlobalFreeExEx(block), registered() == strings{block_name(second)},
                       HeapFreeExEx(second)}),
              (results{0, 1, 1}));
    // Each block after its registry record; the registry's head with the last one.
    EXPECT_EQ(spy.released_sizes, (sizes{36, 100, 36, 24, 7}));
    GlobalFreeExEx(GlobalAllocEx(0xFFFFFFFFu & ~HOSTUTIL_ZEROINIT, 8));  // only that flag counts
    EXPECT_EQ((std::pair<int, bool>{spy.dirty_releases, spy.zero_fill.at(0)}), std::pair(0, false));
  }
  EXPECT_EQ((results{allocation_registry() == nullptr, guard_in_table(), occupied_slots()}),
            (results{1, 0, 0}));
  // A freed block and a null one alike; a freed block is unknown to the heap.
  EXPECT_EQ((results{GlobalFreeExEx(block), GlobalFreeEx(block), HeapFreeExEx(block),
                     GlobalFreeEx(nullptr), GlobalFreeExEx(nullptr), HeapFreeExEx(nullptr),
                     os::heap_release(block)}),
            (results{0, 0, 1, 0, 0, 1, 0}));
}

TEST_F(Heap, ClaimsAreThisProcesssOwn) {
  hostutil::test::fake_semaphores fake;  // counts the pauses instead of sleeping them
  int local = 0;
  EXPECT_EQ((results{GlobalAreaEntry(nullptr), GlobalAreaIsEntry(nullptr), GlobalAreaEntry(&local),
                     GlobalAreaIsEntry(&local)}),
            (results{0, 0, 1, 0}));  // no registry: nothing to claim
  void* block = GlobalAllocEx(64, 16);
  ASSERT_NE(block, nullptr);
  // The holder's second claim fails after 60 attempts; the first still stands.
  EXPECT_EQ((results{GlobalAreaIsEntry(block), GlobalAreaEntry(block), GlobalAreaIsEntry(block),
                     SemaphoreIsEntry(block_name(block).c_str(), 0), GlobalAreaEntry(block),
                     GlobalAreaIsEntry(block)}),
            (results{0, 1, 1, 1, 0, 1}));
  EXPECT_EQ(fake.pauses, std::vector<std::uint32_t>(59, 500));
  GlobalAreaLeave(block);
  GlobalFreeExEx(block);
}

TEST_F(Heap, LumpFreeAndFailuresAlongTheWay) {
  EXPECT_EQ(GlobalAreaLumpFree(), 1u);  // no registry
  const auto allocate = [] { return GlobalAllocEx(64, 10); };
  EXPECT_EQ(with_failed_allocation(1, allocate), nullptr);  // the heap has no memory
  // The registry's head fails: the block is handed out all the same.
  void* const unregistered = with_failed_allocation(2, allocate);
  ASSERT_NE(unregistered, nullptr);
  EXPECT_EQ(allocation_registry(), nullptr);
  // Large blocks are fresh pages, zero whatever the flags, and go back whole.
  void* large = nullptr;
  for (uint32_t size : {1u, 40u, 3u << 20}) ASSERT_NE(large = GlobalAllocEx(0, size), nullptr);
  EXPECT_TRUE(std::string(static_cast<char*>(large), 3u << 20) == std::string(3u << 20, '\0'));
  {
    heap_spy spy;
    EXPECT_EQ((std::pair{GlobalAreaLumpFree(), spy.dirty_releases}), std::pair(1u, 0));
    EXPECT_EQ(spy.released_sizes, (sizes{36, 1, 36, 40, 36, 24, 3u << 20}));
  }
  // The unregistered block was not reached: its semaphore is the one left.
  EXPECT_EQ(
      (results{allocation_registry() == nullptr, occupied_slots(), has_semaphore(unregistered)}),
      (results{1, 1, 1}));
  GlobalFreeExEx(unregistered);
  EXPECT_FALSE(has_semaphore(unregistered));

  // A block the heap reports as 0 bytes long is only unregistered.
  auto* block = static_cast<unsigned char*>(GlobalAllocEx(64, 12));
  ASSERT_TRUE(block && registered() == strings{block_name(block)});  // the registry made afresh
  std::memset(block, 0x33, 12);
  {
    heap_spy spy;  // gives the registry's record and head back at the end
    spy.zero_sizes = true;
    EXPECT_EQ(GlobalFreeExEx(block), 0u);
    // Out of the registry; in the table still, and not cleared.
    EXPECT_EQ((results{allocation_registry() == nullptr, has_semaphore(block),
                       block[0] + block[11] + 0u}),
              (results{1, 1, 0x66}));
    spy.stranded.erase(std::find(spy.stranded.begin(), spy.stranded.end(), block));
  }
  GlobalFreeExEx(block);  // the heap knows it again: now it goes
  EXPECT_FALSE(has_semaphore(block));
}

// args: a block's registry text, folder. Holds the block's semaphore from
// another process for 200 ms, and notes that it leaves just before it does.
HOSTUTIL_CHILD_ROLE(hold_block) {
  SemaphoreControlBegin();
  const char* name = args.at(0).c_str();
  if (SemaphoreCreate(name, 0) != 1 || SemaphoreEntry(name, 0, 0) != 1) return 2;
  hostutil::test::touch(fs::path(args.at(1)) / "held");
  std::this_thread::sleep_for(200ms);
  hostutil::test::touch(fs::path(args.at(1)) / "left");
  SemaphoreLeave(name, 0);
  SemaphoreControlEnd();
  return 0;
}

TEST_F(Heap, FreeWaitsForAHolderInAnotherProcess) {
  void* block = GlobalAllocEx(64, 32);
  ASSERT_NE(block, nullptr);
  hostutil::test::child_process child("hold_block", {block_name(block), folder()});
  ASSERT_TRUE(hostutil::test::wait_for_file(path("held")));
  EXPECT_EQ(GlobalAreaIsEntry(block), 0u);  // held by the other process, not this one
  GlobalFreeExEx(block);
  EXPECT_TRUE(fs::exists(path("left")));
  EXPECT_EQ(child.wait(), 0);
}

}  // namespace
