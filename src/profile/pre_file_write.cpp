// PreFileWrite: finds out whether a file can be written before it is changed,
// by writing it back with its own contents. The answer is a code; a failed
// test says only on what kind of drive it failed.
#include "file/whole_file.h"
#include "hostutil.h"
#include "os/system_calls.h"

namespace {

namespace attribute = hostutil::os::attribute;

constexpr uint32_t drive_removable = 2;
constexpr uint32_t drive_fixed = 3;
constexpr uint32_t drive_remote = 4;
constexpr uint32_t drive_cdrom = 5;
constexpr uint32_t drive_ramdisk = 6;
constexpr uint32_t read_slack = 256;  // read room beyond the file's size

// The attributes under which a file is not tested.
constexpr uint32_t untested = attribute::system_file | attribute::directory | attribute::encrypted |
                              attribute::temporary | attribute::sparse_file |
                              attribute::reparse_point | attribute::compressed |
                              attribute::offline | attribute::not_content_indexed;

uint32_t failure_code(uint32_t drive_type) {
  switch (drive_type) {
    case drive_removable:
      return HOSTUTIL_PREWRITE_FAILED_REMOVABLE;
    case drive_fixed:
      return HOSTUTIL_PREWRITE_FAILED_FIXED;
    case drive_remote:
      return HOSTUTIL_PREWRITE_FAILED_REMOTE;
    case drive_ramdisk:
      return HOSTUTIL_PREWRITE_FAILED_RAMDISK;
    default:
      return HOSTUTIL_PREWRITE_FAILED_OTHER;
  }
}

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL PreFileWrite(const char* path) {
  if (path == nullptr) return HOSTUTIL_PREWRITE_NO_PATH;
  char drive[3];
  const uint32_t type = GetDriveTypeEx(hostutil::os::drive_of(path, drive));
  if (type == drive_cdrom) return HOSTUTIL_PREWRITE_CDROM;
  const uint32_t failed = failure_code(type);

  const uint32_t attributes = FileAttributesGet(path);
  if (attributes & HOSTUTIL_FILE_MISSING) return HOSTUTIL_PREWRITE_NO_FILE;
  if (attributes & untested) return HOSTUTIL_PREWRITE_NOT_TESTED;
  // The read-only bit goes for good: the file is written anew below.
  if ((attributes & attribute::read_only) &&
      FileAttributesSet(path, attributes & ~attribute::read_only) == 0) {
    return failed;
  }

  hostutil::file::whole_file file(path);
  const uint32_t size = file.size();
  if (size == 0 || size > 0xFFFFFFFFu - read_slack) return failed;
  auto contents = file.read(size + read_slack);
  file.close();
  if (!contents) return failed;
  const uint32_t written = FileWrite(path, contents.get(), size);
  contents.release();
  return written == size ? HOSTUTIL_PREWRITE_OK : failed;
}

}  // extern "C"
