// The joining rule of the CSV and JBK writers. Records bring no line end after
// them: a line ends with the CR LF that the next line's first record begins
// with, or with the final one.
#include "csv/csv_join.h"

#include <cstring>

namespace hostutil::csv {
namespace {

bool begins_with_line_end(const char* record, std::uint32_t n) {
  return n >= 2 && record[0] == '\r' && record[1] == '\n';
}

}  // namespace

bool joined_text::ends_with_line_end() const {
  return length_ >= 2 && text_[length_ - 2] == '\r' && text_[length_ - 1] == '\n';
}

void joined_text::put(const char* from, std::uint32_t n) {
  std::memcpy(text_ + length_, from, n);
  length_ += n;
}

void joined_text::end_line() {
  // The line end and the NUL behind it must stay inside the block.
  if (!ends_with_line_end() && std::uint64_t{length_} + 2 < limit_) put("\r\n", 2);
}

bool joined_text::add(const char* record, std::uint32_t n) {
  const bool new_line = begins_with_line_end(record, n);
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

}  // namespace hostutil::csv
