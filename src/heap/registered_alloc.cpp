// The library's scratch allocator: every block is registered by its address text
// in a heap area of the library's own and gets a semaphore of that name, so holders
// in any process can claim it; a free waits for them, then unregisters and zeroes it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "heap/registry.h"
#include "hostutil.h"
#include "lock/semaphore_table.h"
#include "os/system_calls.h"

namespace {

using namespace hostutil;

constexpr uint32_t claim_retries = 60;
constexpr uint32_t claim_pause_ms = 500;
constexpr uint32_t holder_pause_ms = 200;
constexpr uint32_t text_length = 16;  // a record holds the digits without a NUL
constexpr uint32_t text_buffer_size = 32;

// The allocation registry's area pointer: null until the first registration and
// again once the last registered block is gone.
HeapAreaHead* g_registry = nullptr;

// The heap guard leaves the semaphore table whenever any area of the process
// empties, and the registry's emptiness is checked before the guard is taken,
// so the guard alone cannot keep this process's threads apart on the registry.
// Never held while waiting for a block.
std::mutex g_registry_mutex;

// A block's registry text: 16 lowercase hex digits in a cleared 32-byte buffer.
struct registry_text {
  char chars[text_buffer_size] = {};

  explicit registry_text(const void* block) {
    char digits[17];
    lock::numbered_name(reinterpret_cast<std::uintptr_t>(block), digits);
    std::memcpy(chars, digits, text_length);
  }
};

uint64_t number_of(const void* block) { return reinterpret_cast<std::uintptr_t>(block); }

void unregister(const registry_text& text) {
  std::lock_guard lock(g_registry_mutex);
  if (g_registry != nullptr)
    SearchAndFreeHeapData(&g_registry, text.chars, text_length, nullptr, 0);
}

// Unregisters the block, zeroes it and gives it back with its semaphore. A block
// the heap reports as 0 bytes long is only unregistered.
void scrub_and_free(void* block, const registry_text& text) {
  unregister(text);
  const os::system_calls& heap = os::calls();
  const std::size_t size = heap.heap_size(block);
  if (size == 0) return;
  heap.heap_scrub(block, size);
  SemaphoreRelease(text.chars, 0);
  heap.heap_release(block);
}

// The text of the registry's first record; 0 when there is none.
uint32_t first_registered(char (&text)[text_buffer_size]) {
  std::lock_guard lock(g_registry_mutex);
  std::memset(text, 0, sizeof text);
  if (g_registry == nullptr) return 0;
  void* cursor = g_registry;
  return FetchHeapData(&cursor, text, sizeof text);
}

}  // namespace

namespace hostutil::heap {

HeapAreaHead* allocation_registry() {
  std::lock_guard lock(g_registry_mutex);
  return g_registry;
}

}  // namespace hostutil::heap

extern "C" {

HOSTUTIL_API void* HOSTUTIL_CALL GlobalAllocEx(uint32_t flags, uint32_t size) {
  if (size == 0) return nullptr;
  void* block = os::calls().heap_allocate(size, (flags & HOSTUTIL_ZEROINIT) != 0);
  if (block == nullptr) return nullptr;
  const registry_text text(block);
  {
    // A block that cannot be registered is still handed out, unregistered.
    std::lock_guard lock(g_registry_mutex);
    AllocHeapAreaAndSetData(&g_registry, text.chars, text_length);
  }
  if (SemaphoreCreate(text.chars, 0) == 0) {
    // Never handed out, so nobody can hold it: no claim to wait for (which,
    // with the table given up, would never come).
    scrub_and_free(block, text);
    return nullptr;
  }
  return block;
}

HOSTUTIL_API void* HOSTUTIL_CALL HeapAllocExEx(uint32_t flags, uint32_t size) {
  return GlobalAllocEx(flags, size);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalFreeEx(void* block) {
  if (block == nullptr) return 0;
  // Wait until no holder, here or in another process, has the block.
  while (GlobalAreaEntry(block) == 0) os::calls().pause_ms(claim_pause_ms);
  GlobalAreaLeave(block);
  scrub_and_free(block, registry_text(block));
  return 0;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalFreeExEx(void* block) {
  if (block == nullptr) return 0;
  while (GlobalAreaIsEntry(block) != 0) os::calls().pause_ms(holder_pause_ms);
  return GlobalFreeEx(block);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL HeapFreeExEx(void* block) {
  GlobalFreeExEx(block);
  return 1;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalAreaEntry(void* block) {
  if (block == nullptr) return 0;
  // Nothing registered, nothing to claim.
  if (heap::allocation_registry() == nullptr) return 1;
  return SemaphoreEntry(nullptr, number_of(block), claim_retries);
}

HOSTUTIL_API void HOSTUTIL_CALL GlobalAreaLeave(void* block) {
  if (block != nullptr) SemaphoreLeave(nullptr, number_of(block));
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalAreaIsEntry(void* block) {
  if (block == nullptr || heap::allocation_registry() == nullptr) return 0;
  return SemaphoreIsEntry(nullptr, number_of(block));
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalAreaLumpFree(void) {
  if (heap::allocation_registry() == nullptr) return 1;
  // Always the first record: freeing a block takes its record out, so this is
  // the walk from the front, and other threads' frees cannot strand a cursor.
  char text[text_buffer_size];
  char previous[text_buffer_size] = {};
  for (;;) {
    const uint32_t length = first_registered(text);
    if (length == 0) break;
    // The same text again means its free could not take the record out
    // (the guard was not had); the rest goes with the registry below.
    if (std::memcmp(text, previous, sizeof text) == 0) break;
    std::memcpy(previous, text, sizeof text);
    GlobalFreeEx(
        reinterpret_cast<void*>(static_cast<std::uintptr_t>(ChangeAsciiToPtr(text, length))));
  }
  {
    std::lock_guard lock(g_registry_mutex);
    FreeHeapArea(&g_registry);
  }
  return 1;
}

}  // extern "C"
