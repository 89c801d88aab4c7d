// ANSI to UTF-8 and back, chained through UTF-16. Short texts (up to 128 bytes)
// pass through a 512-byte scratch area on the stack; longer ones through a
// registered allocation, which is why these fail before SemaphoreControlBegin.
#include <cstring>

#include "heap/scratch_block.h"
#include "hostutil.h"

namespace {

constexpr uint32_t scratch_bytes = 512;

// The intermediate UTF-16 area: 4 bytes (2 units) per input byte, which holds any
// result since a byte never gives more than one unit.
class utf16_area {
 public:
  explicit utf16_area(uint32_t length) {
    const uint64_t bytes = 4ull * length;
    if (bytes <= scratch_bytes) {
      units_ = scratch_;
    } else if (bytes <= UINT32_MAX) {
      block_ = hostutil::heap::scratch_block(static_cast<uint32_t>(bytes));
      units_ = reinterpret_cast<hu_wchar*>(block_.get());
    }
    capacity_ = static_cast<uint32_t>(bytes / sizeof(hu_wchar));
  }
  utf16_area(const utf16_area&) = delete;
  utf16_area& operator=(const utf16_area&) = delete;

  hu_wchar* units() const { return units_; }  // null when the allocation failed
  uint32_t capacity() const { return capacity_; }

 private:
  hu_wchar scratch_[scratch_bytes / sizeof(hu_wchar)] = {};
  hostutil::heap::scratch_block block_;
  hu_wchar* units_ = nullptr;
  uint32_t capacity_ = 0;
};

// One text through UTF-16: in, into the area, then out of it.
int32_t through_utf16(decltype(&ChangeAnsiToUnicode) in, decltype(&ChangeUTF16ToUTF8) out,
                      const char* text, uint32_t length, char* output, uint32_t outputSize) {
  if (text == nullptr || length == 0 || output == nullptr || outputSize == 0) return 0;
  std::memset(output, 0, outputSize);
  utf16_area area(length);
  if (area.units() == nullptr) return 0;
  const int32_t n = in(text, length, area.units(), area.capacity());
  if (n <= 0) return 0;
  return out(area.units(), static_cast<uint32_t>(n), output, outputSize);
}

}  // namespace

extern "C" {

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAnsiToUTF8(const char* text, uint32_t length, char* output,
                                                    uint32_t outputSize) {
  return through_utf16(ChangeAnsiToUnicode, ChangeUTF16ToUTF8, text, length, output, outputSize);
}

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF8ToAnsi(const char* text, uint32_t length, char* output,
                                                    uint32_t outputSize) {
  return through_utf16(ChangeUTF8ToUTF16, ChangeUnicodeToAnsi, text, length, output, outputSize);
}

}  // extern "C"
