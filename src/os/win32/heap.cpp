// The heap facility on Windows: small blocks from the process heap, large ones
// committed pages of their own that cost nothing until written. The live-block
// table tells the two apart, so HeapSize and HeapFree only see heap blocks.
#include "os/heap.h"

#include <windows.h>

#include <cstddef>
#include <cstring>

#include "os/live_blocks.h"

namespace hostutil::os {
namespace {

bool give_back(void* block, const live_block& info) {
  if (info.mapped) return VirtualFree(block, 0, MEM_RELEASE) != 0;
  return HeapFree(GetProcessHeap(), 0, block) != 0;
}

std::size_t reported_size(void* block, const live_block& info) {
  if (info.mapped) return info.size;
  const SIZE_T n = HeapSize(GetProcessHeap(), 0, block);
  return n == static_cast<SIZE_T>(-1) ? 0 : static_cast<std::size_t>(n);
}

}  // namespace

void* heap_allocate(std::size_t size, bool zero_fill) {
  if (size == 0) return nullptr;
  const live_block info{size, size >= heap_mapped_threshold};
  void* block;
  if (info.mapped) {
    // Committed pages read as zero until written.
    block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  } else {
    block = HeapAlloc(GetProcessHeap(), zero_fill ? HEAP_ZERO_MEMORY : 0, size);
  }
  return admit(block, info, give_back);
}

std::size_t heap_size(void* block) {
  live_block info;
  return live().find(block, info) ? reported_size(block, info) : 0;
}

void heap_scrub(void* block, std::size_t size) {
  live_block info;
  if (!live().find(block, info) || info.mapped) return;
  const std::size_t reported = reported_size(block, info);
  std::memset(block, 0, size < reported ? size : reported);
}

bool heap_release(void* block) {
  // Out of the table first: the address may be handed out again at once.
  live_block info;
  if (!live().remove(block, info)) return false;
  if (give_back(block, info)) return true;
  live().add(block, info);  // still ours: keep it known
  return false;
}

}  // namespace hostutil::os
