// The tour's steps for heap areas (one used as a queue, then as a stack) and
// for registered scratch blocks (claimed, freed once the holder leaves, gone
// from the semaphore table afterwards).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/block_name.h"
#include "host.h"

namespace {

constexpr const char* heap_guard = "HEAP_SEMAPHORE_CONTROL";

bool append_all(HeapAreaHead** area, const std::vector<std::string>& items) {
  bool ok = true;
  for (const auto& s : items) {
    ok &= AllocHeapAreaAndSetData(area, s.data(), static_cast<uint32_t>(s.size())) == 1;
  }
  return ok;
}

// Takes every record with take and returns them in the order taken.
std::vector<std::string> drain(HeapAreaHead** area,
                               uint32_t(HOSTUTIL_CALL* take)(HeapAreaHead**, void*, uint32_t)) {
  std::vector<std::string> out;
  char buffer[32];
  while (uint32_t n = take(area, buffer, sizeof buffer)) out.emplace_back(buffer, n);
  return out;
}

std::string joined(const std::vector<std::string>& items) {
  std::string s;
  for (const auto& i : items) s += (s.empty() ? "" : ", ") + i;
  return s;
}

const bool area_step = host::add_tour_step(
    {30, "Heap areas: a queue and a stack", [](host::tour_context& t) {
       host::library_session session;
       const std::vector<std::string> items{"first", "second", "third"};
       HeapAreaHead* area = nullptr;
       bool ok = t.check(append_all(&area, items) && area != nullptr && area->recordCount == 3,
                         "three records appended behind one head");
       ok &= t.check(IsHeapAddress(area) == 1 && SemaphoreIsExist(heap_guard, 0) == 1,
                     "the head is signed; \"HEAP_SEMAPHORE_CONTROL\" is in the table");
       const auto queue = drain(&area, FetchAndFreeHeapData);
       t.say("taken from the front: " + joined(queue));
       ok &= t.check(queue == items, "as a queue, first in is first out");
       ok &= t.check(area == nullptr && SemaphoreIsExist(heap_guard, 0) == 0,
                     "emptied: the area pointer is null and the guard left the table");

       ok &= t.check(append_all(&area, items), "the same three appended again");
       char last[32];
       const uint32_t n = FetchHeapLastData(&area, last, sizeof last);
       t.say("the last record, read in place: " + std::string(last, n));
       const auto stack = drain(&area, FetchAndFreeHeapLastData);
       t.say("taken from the back: " + joined(stack));
       ok &= t.check(stack == std::vector<std::string>(items.rbegin(), items.rend()),
                     "as a stack, last in is first out");
       ok &= t.check(area == nullptr, "emptied again");
       return ok;
     }});

const bool block_step = host::add_tour_step(
    {30, "Registered scratch blocks", [](host::tour_context& t) {
       host::library_session session;
       auto* block = static_cast<unsigned char*>(GlobalAllocEx(HOSTUTIL_ZEROINIT, 4096));
       bool ok = t.check(block != nullptr && std::all_of(block, block + 4096,
                                                         [](unsigned char b) { return b == 0; }),
                         "a zero-filled 4096-byte block");
       if (block == nullptr) return false;
       const std::string text = hostutil::tools::block_name(block);
       ok &= t.check(SemaphoreIsExist(text.c_str(), 0) == 1,
                     "its registry text " + text + " names a semaphore in the table");

       // The holder notes, while it still holds the block, that it is about to
       // leave; a free that did not wait would return before the note.
       std::atomic<bool> leaving{false};
       std::thread holder([&] {
         GlobalAreaEntry(block);
         std::memset(block, 'h', 4096);
         std::this_thread::sleep_for(std::chrono::milliseconds(300));
         leaving = true;
         GlobalAreaLeave(block);
       });
       while (GlobalAreaIsEntry(block) == 0)
         std::this_thread::sleep_for(std::chrono::milliseconds(1));
       t.say("another thread claims it, writes to it, and leaves it after 300 ms");
       GlobalFreeExEx(block);
       const bool after_holder = leaving;
       holder.join();
       ok &= t.check(after_holder, "the free returned only after the holder had left");
       ok &= t.check(SemaphoreIsExist(text.c_str(), 0) == 0, "freed: its semaphore is gone");

       auto* large = static_cast<unsigned char*>(GlobalAllocEx(HOSTUTIL_ZEROINIT, 25600000));
       ok &= t.check(large != nullptr && large[0] == 0 && large[25599999] == 0,
                     "a 25,600,000-byte block, as a CSV writer takes one");
       void* small = GlobalAllocEx(HOSTUTIL_ZEROINIT, 100);
       ok &= t.check(GlobalAreaLumpFree() == 1 &&
                         SemaphoreIsExist(hostutil::tools::block_name(large).c_str(), 0) == 0 &&
                         SemaphoreIsExist(hostutil::tools::block_name(small).c_str(), 0) == 0 &&
                         SemaphoreIsExist(heap_guard, 0) == 0,
                     "GlobalAreaLumpFree frees both live blocks and the registry");
       return ok;
     }});

}  // namespace
