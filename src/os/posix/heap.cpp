// The heap facility on POSIX: small blocks from the C library's heap, large ones
// privately mapped pages that no header touches, so they cost nothing until the
// caller writes to them. The live-block table keeps each size exactly as asked.
#include "os/heap.h"

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "os/live_blocks.h"

namespace hostutil::os {
namespace {

static_assert(alignof(std::max_align_t) >= 16, "malloc must align blocks to 16 bytes");

bool give_back(void* block, const live_block& info) {
  if (info.mapped) return ::munmap(block, info.size) == 0;
  std::free(block);
  return true;
}

}  // namespace

void* heap_allocate(std::size_t size, bool zero_fill) {
  if (size == 0) return nullptr;
  const live_block info{size, size >= heap_mapped_threshold};
  void* block;
  if (info.mapped) {
    block = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return nullptr;
  } else {
    block = zero_fill ? std::calloc(1, size) : std::malloc(size);
  }
  return admit(block, info, give_back);
}

std::size_t heap_size(void* block) {
  live_block info;
  return live().find(block, info) ? info.size : 0;
}

void heap_scrub(void* block, std::size_t size) {
  live_block info;
  if (!live().find(block, info) || info.mapped) return;
  std::memset(block, 0, size < info.size ? size : info.size);
}

bool heap_release(void* block) {
  // Out of the table first: the address may be handed out again at once.
  live_block info;
  return live().remove(block, info) && give_back(block, info);
}

}  // namespace hostutil::os
