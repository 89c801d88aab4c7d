// Heap areas: chains of variable-length records in the process heap behind a
// 24-byte head, appended at the end and taken from the front, the back or by
// content. Every call runs under "HEAP_SEMAPHORE_CONTROL", which all processes share.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "frame/text.h"
#include "hostutil.h"
#include "lock/named_guard.h"
#include "os/system_calls.h"

namespace {

using namespace hostutil;

constexpr const char* guard_name = lock::heap_semaphore;

static_assert(sizeof(void*) == 8, "records keep 8-byte addresses");
static_assert(offsetof(HeapAreaHead, recordCount) == 8 && offsetof(HeapAreaHead, reserved) == 12 &&
                  offsetof(HeapAreaHead, firstRecord) == 16,
              "the head's layout is part of the binary interface");

bool is_head(const void* p) {
  return CompareCaseN(static_cast<const char*>(p), HOSTUTIL_HEAP_SIGNATURE, 8) == 1;
}

// ---- records: packed, so every field past the length is reached bytewise ----

uint32_t length_of(const HeapAreaRecord* r) {
  uint32_t n;
  std::memcpy(&n, r, sizeof n);
  return n;
}

unsigned char* data_of(HeapAreaRecord* r) { return reinterpret_cast<unsigned char*>(r) + 4; }

HeapAreaRecordTail* tail_of(HeapAreaRecord* r) {
  return reinterpret_cast<HeapAreaRecordTail*>(data_of(r) + length_of(r));
}

HeapAreaRecord* next_of(HeapAreaRecord* r) {
  HeapAreaRecord* next;
  std::memcpy(&next, tail_of(r)->nextRecord, sizeof next);
  return next;
}

void set_next(HeapAreaRecord* r, HeapAreaRecord* next) {
  std::memcpy(tail_of(r)->nextRecord, &next, sizeof next);
}

bool marker_intact(HeapAreaRecord* r) {
  return CompareCaseN(tail_of(r)->marker, HOSTUTIL_HEAP_MARKER, 8) == 1;
}

// Copies the record's data when they fit; the length delivered, else 0.
uint32_t deliver(HeapAreaRecord* r, void* buffer, uint32_t bufferSize) {
  const uint32_t length = length_of(r);
  if (length > bufferSize) return 0;
  std::memcpy(buffer, data_of(r), length);
  return length;
}

// Zeroes a block for the size the heap reports and gives it back; a block the
// heap reports as 0 bytes long is left alone.
void free_block(void* block) {
  const os::system_calls& heap = os::calls();
  const std::size_t size = heap.heap_size(block);
  if (size == 0) return;
  heap.heap_scrub(block, size);
  heap.heap_release(block);
}

void free_head(HeapAreaHead** area) {
  free_block(*area);
  *area = nullptr;
}

// The area's head once the guard is held: another thread may have emptied the
// area while this one waited.
HeapAreaHead* head_under_guard(HeapAreaHead* const* area) {
  HeapAreaHead* head = *area;
  return head != nullptr && is_head(head) ? head : nullptr;
}

// The last record, reached in at most recordCount steps; before gets the one
// ahead of it (null when it is the first).
HeapAreaRecord* last_record(const HeapAreaHead* head, HeapAreaRecord** before) {
  HeapAreaRecord* previous = nullptr;
  HeapAreaRecord* r = head->firstRecord;
  for (uint32_t seen = 1; seen < head->recordCount; ++seen) {
    HeapAreaRecord* next = next_of(r);
    if (next == nullptr) break;
    previous = r;
    r = next;
  }
  *before = previous;
  return r;
}

// The argument checks shared by the functions that take an area pointer.
bool names_an_area(HeapAreaHead* const* area) {
  return area != nullptr && *area != nullptr && is_head(*area);
}

// Runs change(head) with the guard entered on the area's head, then takes the
// guard out of the table when the area has emptied. 0 when the guard or the
// head cannot be had.
template <typename Change>
uint32_t change_area(HeapAreaHead** area, Change change) {
  if (!names_an_area(area)) return 0;
  uint32_t result = 0;
  {
    lock::named_guard guard(guard_name);
    if (!guard.entered()) return 0;
    HeapAreaHead* head = head_under_guard(area);
    if (head == nullptr) return 0;
    result = change(head);
  }
  // After leaving: an area that has just become empty takes the guard out of the table.
  if (*area == nullptr) SemaphoreRelease(guard_name, 0);
  return result;
}

enum class chain_end { first, last };

// Takes the first or the last record out of the area into buffer. The head
// goes with the last record, and the guard leaves the table after it.
uint32_t take_record(HeapAreaHead** area, void* buffer, uint32_t bufferSize, chain_end end) {
  if (!clear_output(buffer, bufferSize)) return 0;
  return change_area(area, [&](HeapAreaHead* head) -> uint32_t {
    if (head->firstRecord == nullptr) {
      free_head(area);
      return 0;
    }
    HeapAreaRecord* before = nullptr;
    HeapAreaRecord* taken =
        end == chain_end::first ? head->firstRecord : last_record(head, &before);
    const uint32_t delivered = deliver(taken, buffer, bufferSize);
    if (delivered == 0) return 0;  // too large: nothing changes
    HeapAreaRecord* next = next_of(taken);
    free_block(taken);
    if (end == chain_end::first) {
      if (next != nullptr) {
        head->firstRecord = next;
        --head->recordCount;
      } else {
        free_head(area);
      }
    } else {
      --head->recordCount;
      if (head->recordCount == 0) {
        free_head(area);
      } else if (before != nullptr) {
        set_next(before, nullptr);
      }
    }
    return delivered;
  });
}

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL AllocHeapAreaAndSetData(HeapAreaHead** area, const void* data,
                                                            uint32_t dataLength) {
  if (area == nullptr || data == nullptr || dataLength == 0) return 0;
  // The record's size is 32-bit.
  if (dataLength > UINT32_MAX - HOSTUTIL_HEAP_RECORD_SIZE(0)) return 0;
  if (SemaphoreCreate(guard_name, 0) == 0) return 0;
  lock::named_guard guard(guard_name);
  if (!guard.entered()) return 0;
  const os::system_calls& heap = os::calls();

  if (*area == nullptr) {
    auto* fresh = static_cast<HeapAreaHead*>(heap.heap_allocate(sizeof(HeapAreaHead), true));
    if (fresh == nullptr) return 0;
    *area = fresh;
  }
  HeapAreaHead* head = *area;
  std::memcpy(head->signature, HOSTUTIL_HEAP_SIGNATURE, 8);

  // The link to fill: the head's firstRecord, or the last record's nextRecord.
  unsigned char* link = reinterpret_cast<unsigned char*>(&head->firstRecord);
  for (HeapAreaRecord* r = head->firstRecord; r != nullptr; r = next_of(r)) {
    if (!marker_intact(r)) return 0;
    link = tail_of(r)->nextRecord;
  }

  auto* record =
      static_cast<HeapAreaRecord*>(heap.heap_allocate(HOSTUTIL_HEAP_RECORD_SIZE(dataLength), true));
  if (record == nullptr) return 0;  // a head made above stays, without a record
  std::memcpy(record, &dataLength, sizeof dataLength);
  std::memcpy(data_of(record), data, dataLength);
  std::memcpy(tail_of(record)->marker, HOSTUTIL_HEAP_MARKER, 8);
  std::memcpy(link, &record, sizeof record);
  ++head->recordCount;
  return 1;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchHeapData(void** cursor, void* buffer,
                                                  uint32_t bufferSize) {
  if (cursor == nullptr || !clear_output(buffer, bufferSize)) return 0;
  if (*cursor == nullptr) return 0;
  lock::named_guard guard(guard_name);
  if (!guard.entered()) return 0;

  if (is_head(*cursor)) {
    // A head without a record ends the walk like the end of the chain.
    *cursor = static_cast<HeapAreaHead*>(*cursor)->firstRecord;
    if (*cursor == nullptr) return 0;
  }
  auto* record = static_cast<HeapAreaRecord*>(*cursor);
  const uint32_t delivered = deliver(record, buffer, bufferSize);
  if (delivered != 0) *cursor = next_of(record);
  return delivered;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchHeapLastData(HeapAreaHead** area, void* buffer,
                                                      uint32_t bufferSize) {
  if (!clear_output(buffer, bufferSize)) return 0;
  if (!names_an_area(area)) return 0;
  lock::named_guard guard(guard_name);
  if (!guard.entered()) return 0;
  HeapAreaHead* head = head_under_guard(area);
  if (head == nullptr) return 0;

  if (head->firstRecord == nullptr) {
    free_head(area);
    return 0;  // the guard stays in the table: this function only reads
  }
  HeapAreaRecord* before;
  return deliver(last_record(head, &before), buffer, bufferSize);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchAndFreeHeapData(HeapAreaHead** area, void* buffer,
                                                         uint32_t bufferSize) {
  return take_record(area, buffer, bufferSize, chain_end::first);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchAndFreeHeapLastData(HeapAreaHead** area, void* buffer,
                                                             uint32_t bufferSize) {
  return take_record(area, buffer, bufferSize, chain_end::last);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL SearchAndFreeHeapData(HeapAreaHead** area, const void* key,
                                                          uint32_t keyLength, void* buffer,
                                                          uint32_t bufferSize) {
  if (key == nullptr || keyLength == 0) return 0;
  return change_area(area, [&](HeapAreaHead* head) -> uint32_t {
    uint32_t delivered = 0;
    // The first record whose data are exactly the key, within recordCount records.
    HeapAreaRecord* before = nullptr;
    HeapAreaRecord* match = nullptr;
    HeapAreaRecord* r = head->firstRecord;
    for (uint32_t seen = 0; r != nullptr && seen < head->recordCount; ++seen) {
      if (length_of(r) == keyLength && std::memcmp(data_of(r), key, keyLength) == 0) {
        match = r;
        break;
      }
      before = r;
      r = next_of(r);
    }
    if (match == nullptr) return 0;

    if (buffer != nullptr && bufferSize >= keyLength) {
      std::memset(buffer, 0, bufferSize);
      delivered = deliver(match, buffer, bufferSize);
    }
    HeapAreaRecord* next = next_of(match);
    if (before == nullptr) {
      head->firstRecord = next;
    } else {
      set_next(before, next);
    }
    free_block(match);
    if (--head->recordCount == 0) free_head(area);
    return delivered;
  });
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL FreeHeapArea(HeapAreaHead** area) {
  return change_area(area, [&](HeapAreaHead* head) -> uint32_t {
    // Last to first: turn the chain round once, then free from its new front.
    HeapAreaRecord* reversed = nullptr;
    HeapAreaRecord* r = head->firstRecord;
    for (uint32_t i = 0; i < head->recordCount && r != nullptr; ++i) {
      HeapAreaRecord* next = next_of(r);
      set_next(r, reversed);
      reversed = r;
      r = next;
    }
    while (reversed != nullptr) {
      HeapAreaRecord* next = next_of(reversed);
      free_block(reversed);
      reversed = next;
    }
    free_head(area);
    return 0;
  });
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL IsHeapAddress(const void* head) {
  if (head == nullptr) return 0;
  lock::named_guard guard(guard_name);
  if (!guard.entered()) return 0;
  return is_head(head) ? 1 : 0;
}

}  // extern "C"
