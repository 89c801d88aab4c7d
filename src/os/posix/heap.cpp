// The heap facility on POSIX: small blocks from the C library's heap, large ones
// privately mapped pages. A 16-byte prefix before every block keeps its kind and
// the exact size asked for, which is the size the heap reports.
#include "os/heap.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "os/live_blocks.h"

namespace hostutil::os {
namespace {

constexpr std::uint32_t heap_kind = 0x50414548u;    // "HEAP": from malloc
constexpr std::uint32_t mapped_kind = 0x5050414Du;  // "MAPP": pages of its own

struct block_prefix {
  std::uint64_t size;    // 0: bytes asked for
  std::uint32_t kind;    // 8: heap_kind or mapped_kind
  std::uint32_t offset;  // 12: bytes from the start of the allocation to the block
};
static_assert(sizeof(block_prefix) == 16, "the prefix keeps blocks 16-byte aligned");
static_assert(alignof(std::max_align_t) >= 16, "malloc must align to 16 bytes");

block_prefix* prefix_of(void* block) { return static_cast<block_prefix*>(block) - 1; }

// Never destroyed: a block may be freed late in the process's exit.
live_blocks& live() {
  static live_blocks* blocks = new live_blocks;
  return *blocks;
}

std::size_t page_size() {
  static const std::size_t size = [] {
    const long n = ::sysconf(_SC_PAGESIZE);
    return n > 0 ? static_cast<std::size_t>(n) : std::size_t{4096};
  }();
  return size;
}

// The whole mapping of a mapped block: one page for the prefix, then the block.
std::size_t mapping_length(std::size_t size) {
  const std::size_t page = page_size();
  return page + (size + page - 1) / page * page;
}

void* take_block(std::size_t size, bool zero_fill) {
  if (size >= heap_mapped_threshold) {
    if (size > SIZE_MAX - 2 * page_size()) return nullptr;
    void* base = ::mmap(nullptr, mapping_length(size), PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) return nullptr;
    void* block = static_cast<unsigned char*>(base) + page_size();
    *prefix_of(block) = {size, mapped_kind, static_cast<std::uint32_t>(page_size())};
    return block;
  }
  const std::size_t total = size + sizeof(block_prefix);
  void* base = zero_fill ? std::calloc(1, total) : std::malloc(total);
  if (base == nullptr) return nullptr;
  auto* prefix = static_cast<block_prefix*>(base);
  *prefix = {size, heap_kind, sizeof(block_prefix)};
  return prefix + 1;
}

bool give_block(void* block) {
  block_prefix* p = prefix_of(block);
  void* base = static_cast<unsigned char*>(block) - p->offset;
  if (p->kind == mapped_kind) {
    return ::munmap(base, mapping_length(static_cast<std::size_t>(p->size))) == 0;
  }
  std::free(base);
  return true;
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
  return static_cast<std::size_t>(prefix_of(block)->size);
}

void heap_scrub(void* block, std::size_t size) {
  if (block == nullptr || !live().contains(block)) return;
  const block_prefix& p = *prefix_of(block);
  if (p.kind != heap_kind) return;
  std::memset(block, 0, size < p.size ? size : static_cast<std::size_t>(p.size));
}

bool heap_release(void* block) {
  // Out of the set first: the address may be handed out again at once.
  if (block == nullptr || !live().remove(block)) return false;
  return give_block(block);
}

}  // namespace hostutil::os
