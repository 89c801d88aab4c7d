// ChangeAsciiToPtr on any bytes and any length: it reads nothing past the NUL
// (the copy is exactly as long as the text), and its value is the last 16
// digits of the text when every byte up to the end is a digit, else 0.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "hostutil.h"

namespace {

uint64_t reference(const char* text, uint32_t length) {
  uint64_t value = 0;
  for (uint32_t i = 0; i < length && text[i] != '\0'; ++i) {
    const char c = text[i];
    uint64_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint64_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<uint64_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<uint64_t>(c - 'A' + 10);
    } else {
      return 0;
    }
    value = value * 16 + digit;
  }
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  uint32_t length;
  std::memcpy(&length, data, 4);
  length %= 64;  // past the text's end is the interesting part
  const size_t text_size = size - 4;
  std::unique_ptr<char[]> text(new char[text_size + 1]);
  std::memcpy(text.get(), data + 4, text_size);
  text[text_size] = '\0';
  if (ChangeAsciiToPtr(text.get(), length) != reference(text.get(), length)) std::abort();
  return 0;
}
