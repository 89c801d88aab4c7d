// libFuzzer target for the UTF-8 / UTF-16 codec, the single and chained
// conversions through their exported names and the line-by-line size protocol.
// Inputs are exact-size heap blocks, outputs lie between canaries; results are
// checked against the contract: counts, round trips, terminators, zeros behind
// the text and a line-by-number model. The C locale makes ANSI text UTF-8.
#include "fuzz_support.h"
#include "os/utf_codec.h"

namespace {

using hostutil::os::utf16_to_utf8;
using hostutil::os::utf8_to_utf16;

template <typename From, typename To>
std::vector<To> codec(std::size_t (*convert)(const From*, std::size_t, To*, std::size_t),
                      const From* text, std::size_t length) {
  std::vector<To> out(convert(text, length, nullptr, 0));
  convert(text, length, out.data(), out.size());
  return out;
}

// The protocol of one multi-line function on one input: learn L, fill exactly
// L + 1 units, refuse L - 1. Returns the converted text.
template <typename In, typename Out>
std::vector<Out> size_protocol(int32_t(HOSTUTIL_CALL* convert)(const In*, uint32_t, Out*,
                                                               uint32_t*),
                               const In* text, uint32_t length) {
  uint32_t size = 0x7777;
  check(convert(text, length, nullptr, &size) == 0);
  const uint32_t total = size;
  fuzz::fenced buffer((std::size_t{total} + 1) * sizeof(Out));
  Out* output = buffer.as<Out>();
  if (total > 0) {
    uint32_t small = total - 1;
    output[0] = Out{1};
    check(convert(text, length, output, &small) == 0);
    check(small == total && output[0] == Out{1});
  }
  check(convert(text, length, output, &size) == static_cast<int32_t>(total));
  check(size == total && output[total] == Out{0});
  std::vector<Out> text_out(output, output + total);
  // No NUL inside, and every line ends in CR LF.
  for (Out u : text_out) check(u != Out{0});
  if (total > 0)
    check(total >= 2 && text_out[total - 2] == Out{'\r'} && text_out[total - 1] == Out{'\n'});
  return text_out;
}

// The line-by-number model of UTF-8 to UTF-16: GetFileOneLine for 1, 2, 3, ...
std::vector<hu_wchar> utf8_to_utf16_by_number(const char* text, uint32_t length) {
  std::vector<hu_wchar> model;
  for (const std::string& line : fuzz::lines_by_number(text, length, length + 1, true)) {
    const std::vector<hu_wchar> wide = codec(utf8_to_utf16, line.data(), line.size());
    model.insert(model.end(), wide.begin(), wide.end());
    model.insert(model.end(), {'\r', '\n'});
  }
  return model;
}

void multi_line(const uint8_t* data, std::size_t size) {
  if (size == 0) return;  // a length of 0 touches nothing, not even the size
  // The text ends in a NUL just past its length, as callers hand it over.
  const std::vector<char> text =
      fuzz::exact(std::string(reinterpret_cast<const char*>(data), size));
  const auto length = static_cast<uint32_t>(size);
  const std::vector<hu_wchar> wide =
      size_protocol(ChangeUTF8ToUTF16_MultiLine, text.data(), length);
  check(wide == utf8_to_utf16_by_number(text.data(), length));
  // ANSI is UTF-8 here: both chained forms give the UTF-8 of those lines.
  const std::vector<char> narrow = codec(utf16_to_utf8, wide.data(), wide.size());
  check(size_protocol(ChangeAnsiToUTF8_MultiLine, text.data(), length) == narrow);
  check(size_protocol(ChangeUTF8ToAnsi_MultiLine, text.data(), length) == narrow);

  // The UTF-16 result, read back line by line, gives the UTF-8 of the same lines
  // (unless a line begins with a form feed, which the read back would skip).
  if (!wide.empty()) {
    std::vector<hu_wchar> units = wide;
    units.push_back(0);
    const std::vector<char> back = size_protocol(ChangeUTF16ToUTF8_MultiLine, units.data(),
                                                 static_cast<uint32_t>(wide.size()));
    if (std::find(wide.begin(), wide.end(), hu_wchar{0x0C}) == wide.end()) check(back == narrow);
  }
}

// Both conversions of a pair into an output of room units, where the codec's
// result is expected: that result and zeros behind it when it fits, else the
// answer 0.
template <typename In, typename Out>
void expect(
    std::initializer_list<int32_t(HOSTUTIL_CALL*)(const In*, uint32_t, Out*, uint32_t)> pair,
    const In* text, uint32_t length, uint32_t room, const std::vector<Out>& expected) {
  for (auto* convert : pair) {
    fuzz::fenced out(std::size_t{room} * sizeof(Out));
    const int32_t got = convert(text, length, out.as<Out>(), room);
    const bool fits = room != 0 && !expected.empty() && expected.size() <= room;
    check(got == (fits ? static_cast<int32_t>(expected.size()) : 0));
    std::vector<Out> units = expected;  // and zeros behind
    units.resize(room);
    check(!fits || std::memcmp(units.data(), out.data(), out.size()) == 0);
  }
}

void whole_texts(const uint8_t* data, std::size_t size) {
  fuzz::input in{data, size};
  const uint32_t room = in.u16() % 700;
  const std::string bytes = in.rest();
  const std::vector<char> text = fuzz::exact(bytes);
  const auto length = static_cast<uint32_t>(bytes.size());
  std::vector<hu_wchar> units(bytes.size() / 2 + 1);
  std::memcpy(units.data(), bytes.data(), bytes.size() / 2 * 2);
  const auto unit_count = static_cast<uint32_t>(units.size() - 1);

  const std::vector<hu_wchar> wide = codec(utf8_to_utf16, text.data(), length);
  expect({ChangeUTF8ToUTF16, ChangeAnsiToUnicode}, text.data(), length, room, wide);
  expect({ChangeUTF16ToUTF8, ChangeUnicodeToAnsi}, units.data(), unit_count, room,
         codec(utf16_to_utf8, units.data(), unit_count));
  // UTF-8 gives well-formed UTF-16, which survives the way back.
  const std::vector<char> chained = codec(utf16_to_utf8, wide.data(), wide.size());
  check(codec(utf8_to_utf16, chained.data(), chained.size()) == wide);
  // The chained pair through UTF-16, longer texts through a registered area.
  expect({ChangeAnsiToUTF8, ChangeUTF8ToAnsi}, text.data(), length, room, chained);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0 || size > 65536) return 0;
  if (data[0] % 2 == 0) {
    whole_texts(data + 1, size - 1);
  } else {
    multi_line(data + 1, size - 1);
  }
  return 0;
}
