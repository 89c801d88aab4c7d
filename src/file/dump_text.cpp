// The hexadecimal dump text of a block of bytes. The reported size can fall
// short of the text, so the writer never passes the caller's buffer: a text that
// does not fit with its NUL is cut and stays NUL-terminated.
#include <charconv>
#include <cstring>

#include "frame/text.h"
#include "hostutil.h"

namespace {

// Appends to a cleared buffer, keeping its last byte for the NUL.
class bounded_text {
 public:
  bounded_text(char* buffer, uint32_t bufferSize) : out_(buffer), room_(bufferSize - 1) {}

  bool full() const { return length_ >= room_; }
  uint32_t length() const { return length_; }

  void put(char c) {
    if (length_ < room_) out_[length_++] = c;
  }
  void put_repeated(char c, uint32_t count) {
    const uint32_t n = count < room_ - length_ ? count : room_ - length_;
    std::memset(out_ + length_, c, n);
    length_ += n;
  }
  // value in lower-case hexadecimal, at least width digits.
  void put_hex(uint32_t value, int width) {
    char digits[8] = {};  // cleared: GCC cannot see that to_chars fills what is read
    const int n =
        static_cast<int>(std::to_chars(digits, digits + sizeof digits, value, 16).ptr - digits);
    for (int i = n; i < width; ++i) put('0');
    for (int i = 0; i < n; ++i) put(digits[i]);
  }
  void put_line_end() {
    put('\r');
    put('\n');
  }

 private:
  char* out_;
  uint32_t room_;
  uint32_t length_ = 0;
};

}  // namespace

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetSizeOfBinDataDumpFile(uint32_t dataSize,
                                                             uint32_t bytesPerLine) {
  if (bytesPerLine == 0) return 0;
  // Unsigned 32-bit throughout, wrapping as the callers' sizes always have.
  const uint32_t lines = (dataSize + bytesPerLine - 1) / bytesPerLine;
  const uint32_t line_length = 6 + 3 * bytesPerLine + 2;
  return line_length * 2 + line_length * lines;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL CreateBinDataDumpFile(const void* data, uint32_t dataSize,
                                                          char* buffer, uint32_t bufferSize,
                                                          uint32_t bytesPerLine) {
  if (data == nullptr || dataSize == 0 || bytesPerLine == 0 ||
      bufferSize < GetSizeOfBinDataDumpFile(dataSize, bytesPerLine) ||
      !hostutil::clear_output(buffer, bufferSize)) {
    return 0;
  }
  bounded_text text(buffer, bufferSize);

  for (const char* c = "Addr +"; *c != '\0'; ++c) text.put(*c);
  for (uint32_t column = 0; column < bytesPerLine && !text.full(); ++column) {
    text.put(' ');
    text.put_hex(column, 2);
  }
  text.put_line_end();
  if (text.full()) return text.length();
  // One dash fewer than the header with its line end.
  text.put_repeated('-', text.length() - 1);
  text.put_line_end();

  const auto* bytes = static_cast<const unsigned char*>(data);
  for (uint32_t offset = 0; offset < dataSize && !text.full();) {
    text.put_hex(offset, 4);
    text.put(' ');
    text.put(':');
    const uint32_t left = dataSize - offset;
    const uint32_t count = left < bytesPerLine ? left : bytesPerLine;
    for (uint32_t i = 0; i < count && !text.full(); ++i) {
      text.put(' ');
      text.put_hex(bytes[offset + i], 2);
    }
    text.put_line_end();
    offset += count;
  }
  return text.length();
}

}  // extern "C"
