// One pass over the CR LF lines of a text in memory, with exactly the line
// rules of GetFileOneLine: the profile reader and the multi-line encodings walk
// a text once with it, where calling GetFileOneLine line by line is quadratic.
#pragma once

#include <cstdint>

namespace hostutil::file {

// The units of one line as GetFileOneLine would copy them before cutting: from
// the line's start up to its CR, or up to textLength when no CR follows (such
// a last line may then hold the text's NUL and the units behind it).
template <typename Unit>
struct basic_line_view {
  const Unit* data;
  std::uint32_t length;
};

// Lines end at CR; the unit after a CR is skipped whatever it is, and a form
// feed directly behind it too. The text ends at its first NUL or after
// textLength units, whichever comes first; nothing past textLength is read.
// Units are bytes, or UTF-16 code units for the UTF-16 encodings (char and
// hu_wchar are the two instantiated).
template <typename Unit>
class basic_line_iterator {
 public:
  basic_line_iterator(const Unit* text, std::uint32_t textLength);

  // The next line, the first one on the first call. False when there is none;
  // it stays false afterwards.
  bool next(basic_line_view<Unit>& line);

 private:
  const Unit* text_;
  std::uint32_t length_;  // textLength
  std::uint32_t end_;     // offset of the NUL, or textLength when there is none
  std::uint32_t start_ = 0;
  std::uint32_t cr_ = 0;  // the CR that ends the current line; end_ when none
  bool started_ = false;
  bool done_ = false;
};

using line_view = basic_line_view<char>;
using line_iterator = basic_line_iterator<char>;

}  // namespace hostutil::file
