// The swappable table through which the file facility reaches the system. It
// starts out pointing at the platform's implementation.
#include "os/file.h"

namespace hostutil::os {

file_calls& file_syscalls() {
  static file_calls calls{file_open_read, file_open_write, file_size,   file_read,
                          file_write,     file_close,      file_delete, find_first,
                          set_attributes, create_folder,   drive_type,  move,
                          program_path,   temp_folder};
  return calls;
}

}  // namespace hostutil::os
