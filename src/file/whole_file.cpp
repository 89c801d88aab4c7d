#include "file/whole_file.h"

#include "frame/text.h"

namespace hostutil::file {
namespace {

os::file* open_found(const char* path) {
  if (empty(path) || FindAndGetInformationOfFile(path, nullptr) == 0) return nullptr;
  return os::calls().file_open_read(path);
}

}  // namespace

whole_file::whole_file(const char* path) : handle_(open_found(path)) {
  std::uint64_t size = 0;
  if (handle_ && !os::calls().file_size(handle_.get(), size)) handle_.close();
  size_ = static_cast<std::uint32_t>(size);
}

std::uint32_t whole_file::read_into(void* buffer, std::uint32_t buffer_size) {
  if (!handle_ || buffer == nullptr || buffer_size == 0 || size_ > buffer_size) return 0;
  std::uint32_t done = 0;
  if (!os::calls().file_read(handle_.get(), buffer, buffer_size, done)) return 0;
  return done;
}

heap::scratch_block whole_file::read(std::uint32_t capacity) {
  heap::scratch_block text(capacity);
  if (text && read_into(text.get(), capacity) != size_) text.release();
  return text;
}

}  // namespace hostutil::file
