// The heap facility on Windows: small blocks from the process heap, large ones
// committed pages of their own. A 16-byte prefix before every block tells the
// two apart, so HeapSize and HeapFree only ever see the heap's own blocks.
#include "os/heap.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "os/live_blocks.h"

namespace hostutil::os {
namespace {

constexpr std::uint32_t heap_kind = 0x50414548u;    // "HEAP": from the process heap
constexpr std::uint32_t mapped_kind = 0x5050414Du;  // "MAPP": pages of its own

struct block_prefix {
  std::uint64_t size;    // 0: bytes asked for
  std::uint32_t kind;    // 8: heap_kind or mapped_kind
  std::uint32_t offset;  // 12: bytes from the start of the allocation to the block
};
static_assert(sizeof(block_prefix) == 16, "the prefix keeps blocks 16-byte aligned");

block_prefix* prefix_of(void* block) { return static_cast<block_prefix*>(block) - 1; }

// Never destroyed: a block may be freed late in the process's exit.
live_blocks& live() {
  static live_blocks* blocks = new live_blocks;
  return *blocks;
}

std::size_t page_size() {
  static const std::size_t size = [] {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize != 0 ? static_cast<std::size_t>(info.dwPageSize) : std::size_t{4096};
  }();
  return size;
}

void* take_block(std::size_t size, bool zero_fill) {
  if (size >= heap_mapped_threshold) {
    if (size > SIZE_MAX - page_size()) return nullptr;
    // Committed pages read as zero until written, and cost nothing until touched.
    void* base =
        VirtualAlloc(nullptr, page_size() + size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (base == nullptr) return nullptr;
    void* block = static_cast<unsigned char*>(base) + page_size();
    *prefix_of(block) = {size, mapped_kind, static_cast<std::uint32_t>(page_size())};
    return block;
  }
  void* base =
      HeapAlloc(GetProcessHeap(), zero_fill ? HEAP_ZERO_MEMORY : 0, size + sizeof(block_prefix));
  if (base == nullptr) return nullptr;
  auto* prefix = static_cast<block_prefix*>(base);
  *prefix = {size, heap_kind, sizeof(block_prefix)};
  return prefix + 1;
}

bool give_block(void* block) {
  block_prefix* p = prefix_of(block);
  if (p->kind == mapped_kind) {
    return VirtualFree(static_cast<unsigned char*>(block) - p->offset, 0, MEM_RELEASE) != 0;
  }
  return HeapFree(GetProcessHeap(), 0, p) != 0;
}

}  // namespace

void* heap_allocate(std::size_t size, bool zero_fill) {
  if (size == 0) return nullptr;
  void* block = take_block(size, zero_fill);
  if (block == nullptr) return nullptr;
  if (!live().add(block)) {
    give_block(block);
    return nullptr;
  }
  return block;
}

std::size_t heap_size(void* block) {
  if (block == nullptr || !live().contains(block)) return 0;
  const block_prefix& p = *prefix_of(block);
  if (p.kind == mapped_kind) return static_cast<std::size_t>(p.size);
  // Small blocks: what the process heap says, less the prefix.
  const SIZE_T n = HeapSize(GetProcessHeap(), 0, prefix_of(block));
  if (n == static_cast<SIZE_T>(-1) || n < sizeof(block_prefix)) return 0;
  return n - sizeof(block_prefix);
}

void heap_scrub(void* block, std::size_t size) {
  if (block == nullptr || !live().contains(block)) return;
  if (prefix_of(block)->kind != heap_kind) return;
  const std::size_t reported = heap_size(block);
  std::memset(block, 0, size < reported ? size : reported);
}

bool heap_release(void* block) {
  // Out of the set first: the address may be handed out again at once.
  if (block == nullptr || !live().remove(block)) return false;
  return give_block(block);
}

}  // namespace hostutil::os
