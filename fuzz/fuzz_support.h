// What the fuzz targets share: a reader of the input's leading bytes, exact-size
// copies of texts (so AddressSanitizer sees a read past them), output buffers fenced
// by canary bytes that are checked when the buffer goes away, and scratch files.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "hostutil.h"

// Registered work areas need the semaphore table; the C locale makes ANSI text UTF-8.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("LC_ALL", "C", 1);
  SemaphoreControlBegin();
  return 0;
}

// A broken contract aborts, which the fuzzing engine and the replay both report.
inline void check(bool ok) {
  if (!ok) std::abort();
}

namespace fuzz {

// The input front to back: small numbers first, then texts, then the rest.
struct input {
  const std::uint8_t* data;
  std::size_t size;
  std::uint32_t byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
  std::uint32_t u16() { return byte() | byte() << 8; }
  std::uint32_t u32() { return u16() | u16() << 16; }
  // Up to most bytes, as many as a leading byte says, cut at a NUL.
  std::string text(std::size_t most) {
    std::string s = bytes(byte() % (most + 1));
    return s.substr(0, s.find('\0'));
  }
  std::string bytes(std::size_t n) {
    if (n > size) n = size;
    std::string s(reinterpret_cast<const char*>(data), n);
    data += n;
    size -= n;
    return s;
  }
  std::string rest() { return bytes(size); }
};

// The text with A to Z folded to a to z, and nothing else.
inline std::string folded(std::string s) {
  for (char& c : s) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c;
  return s;
}

// A heap copy of exactly the text and its NUL.
inline std::vector<char> exact(const std::string& text) {
  return std::vector<char>(text.c_str(), text.c_str() + text.size() + 1);
}

// An output buffer of size bytes filled with fill, between canaries of 16 bytes.
class fenced {
 public:
  explicit fenced(std::size_t size, char fill = 'Z')
      : bytes_((check(size < (std::size_t{1} << 30)), size + 2 * guard), canary), fill_(fill) {
    std::memset(data(), fill, this->size());
  }
  // No byte outside the buffer was written.
  ~fenced() {
    check(std::count(bytes_.begin(), bytes_.begin() + guard, canary) +
              std::count(bytes_.end() - guard, bytes_.end(), canary) ==
          2 * guard);
  }
  char* data() { return bytes_.data() + guard; }
  const char* data() const { return bytes_.data() + guard; }
  char& operator[](std::size_t i) { return data()[i]; }
  // The buffer as units of T (UTF-16 outputs).
  template <typename T>
  T* as() {
    return reinterpret_cast<T*>(data());
  }
  std::uint32_t size() const { return static_cast<std::uint32_t>(bytes_.size() - 2 * guard); }
  std::string all() const { return std::string(data(), size()); }
  // True when the buffer holds a NUL-ended text and zeros behind it.
  bool cleared_text() const {
    const std::size_t n = strnlen(data(), size());
    return n < size() && std::string(data() + n, size() - n) == std::string(size() - n, '\0');
  }
  // True when the buffer holds text and zeros behind it (none when text fills it).
  bool holds(const std::string& text) const {
    return text.size() <= size() && all() == text + std::string(size() - text.size(), '\0');
  }
  // True when every byte still holds the fill.
  bool untouched() const { return all() == std::string(size(), fill_); }

 private:
  static constexpr std::size_t guard = 16;
  static constexpr char canary = '\xA7';
  std::vector<char> bytes_;
  char fill_;
};

// Lines 1, 2, 3, ... of a text as GetFileOneLine gives them into a cleared buffer
// of line_size bytes, up to the first number it refuses or, to_empty, the first
// empty line.
inline std::vector<std::string> lines_by_number(const char* text, std::uint32_t length,
                                                std::uint32_t line_size, bool to_empty = false) {
  std::vector<std::string> lines;
  std::vector<char> line(line_size);
  for (std::uint32_t n = 1;; ++n) {
    std::fill(line.begin(), line.end(), '\0');
    if (GetFileOneLine(text, length, n, line.data(), line_size) == 0 ||
        (to_empty && line[0] == '\0'))
      return lines;
    lines.emplace_back(line.data());
  }
}

// A scratch folder of this process, removed at exit, and a path inside it.
inline std::string scratch(const std::string& name) {
  static const struct folder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("hostutil_fuzz." + std::to_string(::getpid()));
    folder() { std::filesystem::create_directories(path); }
    ~folder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  } folder;
  return (folder.path / name).string();
}

inline void put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace fuzz
