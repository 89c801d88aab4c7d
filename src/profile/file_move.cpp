// FileMove: a file's move to a new path that replaces a non-empty file there.
// The move itself never replaces anything, so an empty destination, which is
// not deleted first, makes the move fail.
#include "frame/text.h"
#include "hostutil.h"
#include "os/system_calls.h"

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL FileMove(const char* source, const char* destination) {
  if (hostutil::empty(source) || hostutil::empty(destination)) return 0;
  if (FileSizeGet(destination) != 0) FileDelete(destination);
  return hostutil::os::calls().move(source, destination) ? 1 : 0;
}

}  // extern "C"
