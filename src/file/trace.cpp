// The trace log: one 127-byte line per call appended to "trace.txt" beside the
// program. The file is always 20,480 bytes, records then NULs, and starts
// afresh when the next record would leave no NUL behind it.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "file/whole_file.h"
#include "hostutil.h"

namespace {

constexpr std::uint32_t log_size = 20480;
constexpr std::uint32_t record_room = 128;    // the work area: record and its NUL
constexpr std::uint32_t record_length = 127;  // what goes to the file
constexpr std::uint32_t message_width = 86;
constexpr std::uint32_t stamp_end = 125;  // the stamp fills 86 to 124
constexpr std::uint32_t path_size = 260;

void build_record(const char* text, uint32_t value, char (&record)[record_room]) {
  std::memset(record, ' ', sizeof record);
  if (text != nullptr) std::memcpy(record, text, strnlen(text, message_width));
  hu_SYSTEMTIME now{};
  LocalTimeGet(&now);
  char stamp[64];
  const int n = std::snprintf(stamp, sizeof stamp, " : %08x <<%04d/%02d/%02d %02d:%02d:%02d:%03d>>",
                              static_cast<unsigned>(value), now.wYear, now.wMonth, now.wDay,
                              now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  // The line end takes bytes 125 and 126 whatever the stamp's length.
  const int room = static_cast<int>(stamp_end - message_width);
  if (n > 0)
    std::memcpy(record + message_width, stamp, static_cast<std::size_t>(n < room ? n : room));
  record[stamp_end] = '\r';
  record[stamp_end + 1] = '\n';
  record[stamp_end + 2] = '\0';
}

// Just behind the last LF before the first NUL, or the start when there is none.
std::uint32_t append_position(const char* log) {
  const std::size_t lf = std::string_view(log, strnlen(log, log_size)).rfind('\n');
  return lf != std::string_view::npos ? static_cast<std::uint32_t>(lf + 1) : 0;
}

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL Trace(const char* text, uint32_t value) {
  char record[record_room];
  build_record(text, value, record);

  char path[path_size] = {};
  GetFilePath("trace.txt", path, sizeof path);

  // No heap: the whole log lives in this frame, about 21 KB.
  char log[log_size] = {};
  // A file larger than the log is not read, and the log starts afresh.
  hostutil::file::whole_file(path).read_into(log, log_size);
  std::uint32_t at = append_position(log);
  if (at + record_room > log_size) {
    std::memset(log, 0, sizeof log);
    at = 0;
  }
  std::memcpy(log + at, record, record_length);
  return FileWrite(path, log, log_size);
}

}  // extern "C"
