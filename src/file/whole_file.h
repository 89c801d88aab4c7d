// A file opened once to be read whole, as FileRead and FileSizeGet see it: the
// find first (a pattern or a folder passes it and then fails to open), then
// the open and the size. The profile functions, the write test and the CSV
// file writers take a file's text this way, with one open for size and text.
#pragma once

#include <cstdint>

#include "heap/scratch_block.h"
#include "os/system_calls.h"

namespace hostutil::file {

class whole_file {
 public:
  explicit whole_file(const char* path);
  whole_file(const whole_file&) = delete;
  whole_file& operator=(const whole_file&) = delete;

  explicit operator bool() const { return static_cast<bool>(handle_); }
  // The low 32 bits of the size, as the library has always read it; 0 when
  // the file could not be opened.
  std::uint32_t size() const { return size_; }
  // Reads the file into buffer when it fits; the bytes read, 0 on failure.
  std::uint32_t read_into(void* buffer, std::uint32_t buffer_size);
  // Its text in a new zero-filled block of capacity bytes, more than size, so
  // that the text is followed by zeros. An empty block when the block cannot
  // be had or the file does not read as size bytes (it changed since).
  heap::scratch_block read(std::uint32_t capacity);
  // Lets go of the file before it is deleted or written anew.
  void close() { handle_.close(); }

 private:
  os::file_handle handle_;
  std::uint32_t size_ = 0;
};

}  // namespace hostutil::file
