// MakeCSVFile and MakeJBKFile: the records of a heap area joined into CR LF
// lines and written as a new file or added to an existing one. The whole text
// is built in one block of the kind's text limit, so nothing grows or moves.
#include <cstring>

#include "file/whole_file.h"
#include "hostutil.h"
#include "lock/named_guard.h"

namespace {

using hostutil::heap::scratch_block;

// The sizes of the two file kinds.
struct file_limits {
  std::uint32_t text;    // the whole file text and its NUL stay below this
  std::uint32_t record;  // a record of this length or more ends the walk
};
constexpr file_limits csv_limits{25'600'000u, 5'120u};
constexpr file_limits jbk_limits{270u * 1'048'576u, 30u * 1'048'576u};

// The joining of records into the text of a CSV or JBK file, in one block of
// the file's text limit: commas between the items of a line, CR LF carried by
// the record that starts the next line, and nothing ever past the block.
// Records bring no line end after them: a line ends with the CR LF that the
// next line's first record begins with, or with the final one.
class joined_text {
 public:
  // block: limit bytes, zero-filled, holding length bytes of an existing file.
  joined_text(char* block, std::uint32_t limit, std::uint32_t length)
      : text_(block), limit_(limit), length_(length) {}

  // A line end, when the text has none and there is room: after an existing
  // file's last line, so the records start a line of their own, and at the end.
  // The line end and the NUL behind it must stay inside the block.
  void end_line() {
    if (!ends_with_line_end() && std::uint64_t{length_} + 2 < limit_) put("\r\n", 2);
  }

  // Adds one record's text (n bytes up to its first NUL). False when it would
  // take the text to the limit: the walk ends there.
  bool add(const char* record, std::uint32_t n) {
    const bool new_line = n >= 2 && record[0] == '\r' && record[1] == '\n';
    if (new_line) line_start_ = true;
    // Room for the record, a comma before it and the NUL.
    if (std::uint64_t{length_} + n + 1 >= limit_) return false;
    if (n != 0 && record[0] == ',') {
      put(record, n);
      return true;
    }
    const bool comma =
        length_ != 0 && !new_line && !ends_with_line_end() && !(line_start_ && ends_with(','));
    if (comma) put(",", 1);
    if (!new_line) line_start_ = false;
    put(record, n);
    return true;
  }

  const char* data() const { return text_; }
  std::uint32_t length() const { return length_; }

 private:
  bool ends_with_line_end() const {
    return length_ >= 2 && text_[length_ - 2] == '\r' && text_[length_ - 1] == '\n';
  }
  bool ends_with(char c) const { return length_ != 0 && text_[length_ - 1] == c; }
  void put(const char* from, std::uint32_t n) {
    std::memcpy(text_ + length_, from, n);
    length_ += n;
  }

  char* text_;
  std::uint32_t limit_;
  std::uint32_t length_;
  bool line_start_ = true;
};

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
                   const file_limits& limits) {
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
  joined_text joined(text.get(), limits.text, size);
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
  return make_file(path, head, replace, csv_limits);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeJBKFile(const char* path, const HeapAreaHead* head,
                                                uint32_t replace) {
  return make_file(path, head, replace, jbk_limits);
}

}  // extern "C"
