// A file read whole into scratch memory: the profile functions, the write test
// and the CSV file writers all take a file's text this way.
#pragma once

#include <cstdint>

#include "heap/scratch_block.h"

namespace hostutil::file {

// Reads the file's size bytes (its size as FileSizeGet gave it) into a new
// zero-filled block of capacity bytes, more than size, so that the text is
// followed by zeros. An empty block when the block cannot be had or the file
// does not read as size bytes (it changed in between).
heap::scratch_block read_whole_file(const char* path, std::uint32_t size, std::uint32_t capacity);

}  // namespace hostutil::file
