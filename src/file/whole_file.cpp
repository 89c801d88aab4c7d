#include "file/whole_file.h"

namespace hostutil::file {

heap::scratch_block read_whole_file(const char* path, std::uint32_t size, std::uint32_t capacity) {
  heap::scratch_block text(capacity);
  if (text && FileRead(path, text.get(), capacity) != size) text.release();
  return text;
}

}  // namespace hostutil::file
