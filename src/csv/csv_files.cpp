// MakeCSVFile and MakeJBKFile: the records of a heap area joined into CR LF
// lines and written as a new file or added to an existing one. The whole text
// is built in one block of the kind's text limit, so nothing grows or moves.
#include <cstring>

#include "csv/csv_join.h"
#include "file/whole_file.h"
#include "hostutil.h"
#include "lock/named_guard.h"

namespace {

namespace csv = hostutil::csv;
using hostutil::heap::scratch_block;

// Reads the records of a heap area front to back, as FetchHeapData does: one
// guarded step per record, so other threads may append meanwhile. Only a
// record's text is copied, not a cleared buffer of the record limit per record.
class record_walk {
 public:
  explicit record_walk(const HeapAreaHead* head) : cursor_(head) {}

  // The next record's text (up to its first NUL) into buffer. False at the end
  // of the chain, or at a record of limit bytes or more, which ends the walk.
  bool next(char* buffer, std::uint32_t limit, std::uint32_t& length) {
    if (cursor_ == nullptr) return false;
    const hostutil::lock::named_guard guard(hostutil::lock::heap_semaphore);
    if (!guard.entered()) return false;
    const unsigned char* at = static_cast<const unsigned char*>(cursor_);
    if (CompareCaseN(reinterpret_cast<const char*>(at), HOSTUTIL_HEAP_SIGNATURE, 8) != 0) {
      at = reinterpret_cast<const unsigned char*>(
          static_cast<const HeapAreaHead*>(cursor_)->firstRecord);
    }
    cursor_ = at;
    if (at == nullptr) return false;
    std::uint32_t record_length = 0;
    std::memcpy(&record_length, at, sizeof record_length);
    if (record_length == 0 || record_length >= limit) return false;
    const char* data = reinterpret_cast<const char*>(at + sizeof record_length);
    const void* nul = std::memchr(data, '\0', record_length);
    length = nul != nullptr ? static_cast<std::uint32_t>(static_cast<const char*>(nul) - data)
                            : record_length;
    std::memcpy(buffer, data, length);
    std::memcpy(&cursor_, data + record_length + sizeof(HeapAreaRecordTail::marker),
                sizeof cursor_);
    return true;
  }

 private:
  const void* cursor_;
};

uint32_t make_file(const char* path, const HeapAreaHead* head, uint32_t replace,
                   const csv::file_limits& limits) {
  if (path == nullptr || head == nullptr || IsHeapAddress(head) == 0) return 0;
  hostutil::file::whole_file file(path);
  std::uint32_t size = file.size();
  if (size > 0 && replace != 0) {
    file.close();
    FileDelete(path);
    size = 0;
  } else if (size >= limits.text) {
    return 0;
  }
  const scratch_block text = size > 0 ? file.read(limits.text) : scratch_block(limits.text);
  file.close();
  if (!text) return 0;
  csv::joined_text joined(text.get(), limits.text, size);
  if (size > 0) joined.end_line();
  scratch_block record(limits.record);
  if (!record) return 0;
  record_walk records(head);
  std::uint32_t length = 0;
  while (records.next(record.get(), limits.record, length)) {
    if (!joined.add(record.get(), length)) break;
  }
  joined.end_line();
  // A failed write is not reported: the records were walked.
  FileWrite(path, joined.data(), joined.length());
  return 1;
}

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVFile(const char* path, const HeapAreaHead* head,
                                                uint32_t replace) {
  return make_file(path, head, replace, csv::csv_limits);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeJBKFile(const char* path, const HeapAreaHead* head,
                                                uint32_t replace) {
  return make_file(path, head, replace, csv::jbk_limits);
}

}  // extern "C"
