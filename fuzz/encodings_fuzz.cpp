// libFuzzer target for the UTF-8 / UTF-16 codec and the line-by-line size
// protocol. Every output buffer is a heap block of exactly the size the call may
// use, so AddressSanitizer reports any write past it; results are checked against
// the contract: counts, round trips, terminators and a line-by-number model.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "hostutil.h"
#include "os/utf_codec.h"

namespace {

using hostutil::os::utf16_to_utf8;
using hostutil::os::utf8_to_utf16;
using hostutil::os::utf_overflow;

void require(bool ok) {
  if (!ok) std::abort();
}

// An exact-size heap copy, so that reading or writing one unit past it is caught.
template <typename T>
std::unique_ptr<T[]> exact(std::size_t n) {
  return std::unique_ptr<T[]>(new T[n == 0 ? 1 : n]());
}

bool well_formed_utf16(const hu_wchar* u, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (u[i] >= 0xD800 && u[i] <= 0xDBFF) {
      if (i + 1 == n || u[i + 1] < 0xDC00 || u[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (u[i] >= 0xDC00 && u[i] <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

void codec_from_utf8(const char* text, std::size_t size) {
  const std::size_t n = utf8_to_utf16(text, size, nullptr, 0);
  require(n <= size);
  auto wide = exact<hu_wchar>(n);
  require(utf8_to_utf16(text, size, wide.get(), n) == n);
  require(well_formed_utf16(wide.get(), n));
  if (n > 0) {
    auto short_by_one = exact<hu_wchar>(n - 1);
    require(utf8_to_utf16(text, size, short_by_one.get(), n - 1) == utf_overflow);
  }
  // Well-formed UTF-16 survives UTF-8 and back unchanged.
  const std::size_t m = utf16_to_utf8(wide.get(), n, nullptr, 0);
  auto narrow = exact<char>(m);
  require(utf16_to_utf8(wide.get(), n, narrow.get(), m) == m);
  auto again = exact<hu_wchar>(n);
  require(utf8_to_utf16(narrow.get(), m, again.get(), n) == n);
  require(std::memcmp(again.get(), wide.get(), n * sizeof(hu_wchar)) == 0);
  // Every public form agrees with the codec.
  if (size > 0 && size <= INT32_MAX && n > 0) {
    auto out = exact<hu_wchar>(n);
    require(ChangeUTF8ToUTF16(text, static_cast<uint32_t>(size), out.get(),
                              static_cast<uint32_t>(n)) == static_cast<int32_t>(n));
    require(std::memcmp(out.get(), wide.get(), n * sizeof(hu_wchar)) == 0);
  }
}

void codec_from_utf16(const hu_wchar* units, std::size_t n) {
  const std::size_t m = utf16_to_utf8(units, n, nullptr, 0);
  require(m <= 3 * n);
  auto narrow = exact<char>(m);
  require(utf16_to_utf8(units, n, narrow.get(), m) == m);
  if (m > 0) {
    auto short_by_one = exact<char>(m - 1);
    require(utf16_to_utf8(units, n, short_by_one.get(), m - 1) == utf_overflow);
  }
  // Back to UTF-16: the same units, each lone surrogate now U+FFFD.
  auto back = exact<hu_wchar>(n);
  require(utf8_to_utf16(narrow.get(), m, back.get(), n) == n);
  for (std::size_t i = 0; i < n; ++i) {
    const bool high = units[i] >= 0xD800 && units[i] <= 0xDBFF;
    if (high && i + 1 < n && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      require(back[i] == units[i] && back[i + 1] == units[i + 1]);
      ++i;
    } else if (units[i] >= 0xD800 && units[i] <= 0xDFFF) {
      require(back[i] == 0xFFFD);
    } else {
      require(back[i] == units[i]);
    }
  }
}

// The protocol of one multi-line function on one input: learn L, fill exactly
// L + 1 units, refuse L - 1. Returns the converted text.
template <typename In, typename Out>
std::vector<Out> size_protocol(int32_t(HOSTUTIL_CALL* convert)(const In*, uint32_t, Out*,
                                                               uint32_t*),
                               const In* text, uint32_t length) {
  uint32_t size = 0x7777;
  require(convert(text, length, nullptr, &size) == 0);
  const uint32_t total = size;
  auto output = exact<Out>(std::size_t{total} + 1);
  if (total > 0) {
    uint32_t small = total - 1;
    output[0] = Out{1};
    require(convert(text, length, output.get(), &small) == 0);
    require(small == total && output[0] == Out{1});
  }
  uint32_t exact_size = total;
  require(convert(text, length, output.get(), &exact_size) == static_cast<int32_t>(total));
  require(exact_size == total && output[total] == Out{0});
  std::vector<Out> text_out(output.get(), output.get() + total);
  // No NUL inside, and every line ends in CR LF.
  for (Out u : text_out) require(u != Out{0});
  if (total > 0)
    require(total >= 2 && text_out[total - 2] == Out{'\r'} && text_out[total - 1] == Out{'\n'});
  return text_out;
}

// The line-by-number model of UTF-8 to UTF-16: GetFileOneLine for 1, 2, 3, ...
std::vector<hu_wchar> utf8_to_utf16_by_number(const char* text, uint32_t length) {
  std::vector<hu_wchar> model;
  std::vector<char> line(std::size_t{length} + 1);
  for (uint32_t number = 1;; ++number) {
    std::fill(line.begin(), line.end(), '\0');
    if (GetFileOneLine(text, length, number, line.data(), length + 1) == 0) break;
    const std::size_t n = std::strlen(line.data());
    if (n == 0) break;
    std::vector<hu_wchar> wide(n);
    const std::size_t got = utf8_to_utf16(line.data(), n, wide.data(), n);
    model.insert(model.end(), wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(got));
    model.push_back('\r');
    model.push_back('\n');
  }
  return model;
}

void multi_line(const uint8_t* data, std::size_t size) {
  if (size == 0) return;  // a length of 0 touches nothing, not even the size
  // The text ends in a NUL just past its length, as callers hand it over.
  auto text = exact<char>(size + 1);
  std::memcpy(text.get(), data, size);
  const auto length = static_cast<uint32_t>(size);
  const std::vector<hu_wchar> wide = size_protocol(ChangeUTF8ToUTF16_MultiLine, text.get(), length);
  require(wide == utf8_to_utf16_by_number(text.get(), length));
  size_protocol(ChangeAnsiToUTF8_MultiLine, text.get(), length);
  size_protocol(ChangeUTF8ToAnsi_MultiLine, text.get(), length);

  // The UTF-16 result, read back line by line, gives the UTF-8 of the same lines
  // (unless a line begins with a form feed, which the read back would skip).
  if (!wide.empty()) {
    auto units = exact<hu_wchar>(wide.size() + 1);
    std::copy(wide.begin(), wide.end(), units.get());
    const std::vector<char> back =
        size_protocol(ChangeUTF16ToUTF8_MultiLine, units.get(), static_cast<uint32_t>(wide.size()));
    if (std::find(wide.begin(), wide.end(), hu_wchar{0x0C}) == wide.end()) {
      const std::size_t m = utf16_to_utf8(wide.data(), wide.size(), nullptr, 0);
      std::string expected(m, '\0');
      utf16_to_utf8(wide.data(), wide.size(), expected.data(), m);
      require(std::string(back.begin(), back.end()) == expected);
    }
  }

  // Without a NUL anywhere, nothing past the length is read.
  auto bare = exact<char>(size);
  std::memcpy(bare.get(), data, size);
  if (size > 0) size_protocol(ChangeUTF8ToUTF16_MultiLine, bare.get(), length);
  auto bare_units = exact<hu_wchar>(size / 2);
  std::memcpy(bare_units.get(), data, size / 2 * sizeof(hu_wchar));
  if (size >= 2) {
    size_protocol(ChangeUTF16ToUTF8_MultiLine, bare_units.get(), static_cast<uint32_t>(size / 2));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0 || size > 65536) return 0;
  const uint8_t mode = data[0] % 3;
  ++data;
  --size;
  if (mode == 0) {
    codec_from_utf8(reinterpret_cast<const char*>(data), size);
  } else if (mode == 1) {
    std::vector<hu_wchar> units(size / 2);
    if (!units.empty()) std::memcpy(units.data(), data, units.size() * sizeof(hu_wchar));
    codec_from_utf16(units.data(), units.size());
  } else {
    multi_line(data, size);
  }
  return 0;
}
