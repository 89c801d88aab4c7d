// The joining of records into the text of a CSV or JBK file, in one block of
// the file's text limit: commas between the items of a line, CR LF carried by
// the record that starts the next line, and nothing ever past the block.
#pragma once

#include <cstdint>

namespace hostutil::csv {

// The sizes of the two file kinds.
struct file_limits {
  std::uint32_t text;    // the whole file text and its NUL stay below this
  std::uint32_t record;  // a record of this length or more ends the walk
};
constexpr file_limits csv_limits{25'600'000u, 5'120u};
constexpr file_limits jbk_limits{270u * 1'048'576u, 30u * 1'048'576u};

class joined_text {
 public:
  // block: limit bytes, zero-filled, holding length bytes of an existing file.
  joined_text(char* block, std::uint32_t limit, std::uint32_t length)
      : text_(block), limit_(limit), length_(length) {}

  // A line end, when the text has none and there is room: after an existing
  // file's last line, so the records start a line of their own, and at the end.
  void end_line();
  // Adds one record's text (n bytes up to its first NUL). False when it would
  // take the text to the limit: the walk ends there.
  bool add(const char* record, std::uint32_t n);

  const char* data() const { return text_; }
  std::uint32_t length() const { return length_; }

 private:
  bool ends_with_line_end() const;
  bool ends_with(char c) const { return length_ != 0 && text_[length_ - 1] == c; }
  void put(const char* from, std::uint32_t n);

  char* text_;
  std::uint32_t limit_;
  std::uint32_t length_;
  bool line_start_ = true;
};

}  // namespace hostutil::csv
