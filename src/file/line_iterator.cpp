// The line walk shared by GetFileOneLine and the one-pass readers of CR LF
// texts. Every rule here is observable to the applications, so it mirrors the
// line-by-number splitting step for step.
#include "file/line_iterator.h"

#include <cstring>

namespace hostutil::file {
namespace {

constexpr char cr = '\r';
constexpr char form_feed = '\f';

}  // namespace

line_iterator::line_iterator(const char* text, std::uint32_t textLength)
    : text_(text), length_(textLength) {
  const void* nul = text != nullptr ? std::memchr(text, '\0', textLength) : nullptr;
  end_ = nul != nullptr ? static_cast<std::uint32_t>(static_cast<const char*>(nul) - text)
                        : textLength;
  done_ = text == nullptr || textLength == 0;
}

bool line_iterator::next(line_view& line) {
  if (done_) return false;
  if (started_) {
    // Skip the CR that ended the previous line: the search for it ran from
    // that line's start, as the next skip would.
    if (cr_ >= end_ || cr_ + 1 >= end_) {
      done_ = true;
      return false;
    }
    start_ = cr_ + 2;
    if (start_ < end_ && text_[start_] == form_feed) ++start_;
  }
  started_ = true;
  if (start_ >= end_) {
    done_ = true;
    return false;
  }
  const void* found = std::memchr(text_ + start_, cr, end_ - start_);
  cr_ =
      found != nullptr ? static_cast<std::uint32_t>(static_cast<const char*>(found) - text_) : end_;
  const std::uint32_t stop = found != nullptr ? cr_ : length_;
  line.data = text_ + start_;
  line.length = stop - start_;
  return true;
}

}  // namespace hostutil::file
