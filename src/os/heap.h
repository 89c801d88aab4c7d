// The process heap as the heap areas and the scratch allocator use it. Small
// blocks live on the heap; blocks from 1 MiB up are pages of their own, taken
// from the system zero-filled and handed back to it whole when freed.
#pragma once

#include <cstddef>

namespace hostutil::os {

// Blocks of this size and more are mapped pages of their own.
inline constexpr std::size_t heap_mapped_threshold = std::size_t{1} << 20;

// A block of size bytes, aligned to 16 bytes; zero-filled when asked for
// (mapped blocks always are). Null for a size of 0 or when there is no memory.
void* heap_allocate(std::size_t size, bool zero_fill);

// The block's size as the heap reports it, which is the size it was asked
// for. 0 when the heap cannot tell.
std::size_t heap_size(void* block);

// Overwrites the first size bytes of the block with zeros before it is given
// back. Mapped blocks are left as they are: their pages leave the process when
// freed, and the system hands out only zeroed pages.
void heap_scrub(void* block, std::size_t size);

// Gives the block back. False when the system refused it.
bool heap_release(void* block);


}  // namespace hostutil::os
