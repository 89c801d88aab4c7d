// The line walk shared by GetFileOneLine and the one-pass readers of CR LF
// texts. Every rule here is observable to the applications, so it mirrors the
// line-by-number splitting step for step.
#include "file/line_iterator.h"

#include <algorithm>
#include <cstring>

#include "hostutil.h"

namespace hostutil::file {
namespace {

constexpr char cr = '\r';
constexpr char form_feed = '\f';

// Offset of the first `unit` in text[from, to), or `to`; bytes go through memchr.
template <typename Unit>
std::uint32_t find_unit(const Unit* text, std::uint32_t from, std::uint32_t to, Unit unit) {
  if constexpr (sizeof(Unit) == 1) {
    const void* found = std::memchr(text + from, unit, to - from);
    return found != nullptr ? static_cast<std::uint32_t>(static_cast<const Unit*>(found) - text)
                            : to;
  } else {
    return static_cast<std::uint32_t>(std::find(text + from, text + to, unit) - text);
  }
}

}  // namespace

template <typename Unit>
basic_line_iterator<Unit>::basic_line_iterator(const Unit* text, std::uint32_t textLength)
    : text_(text), length_(textLength) {
  end_ = text != nullptr ? find_unit(text, 0, textLength, Unit{0}) : textLength;
  done_ = text == nullptr || textLength == 0;
}

template <typename Unit>
bool basic_line_iterator<Unit>::next(basic_line_view<Unit>& line) {
  if (done_) return false;
  if (started_) {
    // Skip the CR that ended the previous line: the search for it ran from
    // that line's start, as the next skip would.
    if (cr_ >= end_ || cr_ + 1 >= end_) {
      done_ = true;
      return false;
    }
    start_ = cr_ + 2;
    if (start_ < end_ && text_[start_] == Unit{form_feed}) ++start_;
  }
  started_ = true;
  if (start_ >= end_) {
    done_ = true;
    return false;
  }
  cr_ = find_unit(text_, start_, end_, Unit{cr});
  const std::uint32_t stop = cr_ < end_ ? cr_ : length_;
  line.data = text_ + start_;
  line.length = stop - start_;
  return true;
}

template class basic_line_iterator<char>;
template class basic_line_iterator<hu_wchar>;

}  // namespace hostutil::file
