// The four line-by-line conversions: the lines up to the first empty one, each
// converted and followed by CR LF, handed back through the two-call size
// protocol. Lines are walked once with the shared line iterator.
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

#include "file/line_iterator.h"
#include "hostutil.h"
#include "os/system_calls.h"

namespace {

using hostutil::os::code_page;

// A zero-filled block of the system's global memory, released on every path.
struct free_work_block {
  void operator()(void* block) const { hostutil::os::calls().free_zeroed_block(block); }
};
using work_block = std::unique_ptr<void, free_work_block>;

// What the accumulator keeps free behind each converted line: its CR LF and,
// after the last, the terminator.
constexpr std::size_t reserved_units = 3;

// The accumulator is counted in output units and sized for the worst case of its
// conversion (at most `growth` output units per input unit, CR LF per line, the
// terminator), never below `minimum` units. Refused (0) when the accumulated
// length could pass what the signed result can report.
std::size_t accumulator_units(uint32_t length, std::size_t growth, std::size_t minimum) {
  const std::size_t units = std::max(growth * length + reserved_units, minimum);
  return units <= INT32_MAX ? units : 0;
}

// The byte-to-byte lines go through the exported chained conversion, with its
// scratch rules: a line above 128 bytes needs a registered allocation, so before
// SemaphoreControlBegin it gives nothing (and still gets its CR LF).
template <int32_t (*chained)(const char*, uint32_t, char*, uint32_t)>
uint32_t through_chained(const char* line, uint32_t length, char* out, uint32_t room) {
  const int32_t n = chained(line, length, out, room);
  return n > 0 ? static_cast<uint32_t>(n) : 0;
}

// How the line's text ends for the converter: at its first NUL, as a text would.
template <typename Unit>
uint32_t text_length(const Unit* data, uint32_t length) {
  return static_cast<uint32_t>(std::find(data, data + length, Unit{0}) - data);
}

// convert takes one line into at most room units of its output and gives the
// units written, 0 when the line gives nothing.
template <typename In, typename Out, typename Converter>
int32_t convert_lines(const In* text, uint32_t length, Out* output, uint32_t* outputSize,
                      std::size_t accumulator_size, Converter convert) {
  if (text == nullptr || length == 0 || accumulator_size == 0) return 0;
  const work_block accumulator(hostutil::os::calls().zeroed_block(accumulator_size * sizeof(Out)));
  Out* const acc = static_cast<Out*>(accumulator.get());
  if (acc == nullptr) return 0;

  std::size_t used = 0;
  hostutil::file::basic_line_iterator<In> lines(text, length);
  hostutil::file::basic_line_view<In> line;
  while (lines.next(line)) {
    const uint32_t n = text_length(line.data, line.length);
    if (n == 0) break;  // the first empty line ends the text
    const std::size_t room = accumulator_size - used - reserved_units;
    used += convert(line.data, n, acc + used, static_cast<uint32_t>(room));
    acc[used++] = Out{'\r'};
    acc[used++] = Out{'\n'};
  }
  const auto total = static_cast<uint32_t>(used);

  if (output == nullptr || *outputSize < total) {
    *outputSize = total;
    return 0;
  }
  std::memset(output, 0, std::size_t{*outputSize} * sizeof(Out));
  std::memcpy(output, acc, used * sizeof(Out));
  output[used] = Out{0};
  return static_cast<int32_t>(total);
}

}  // namespace

extern "C" {

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeAnsiToUTF8_MultiLine(const char* text, uint32_t length,
                                                              char* output, uint32_t* outputSize) {
  // Up to 3 bytes for an ANSI byte (a euro sign from 0x80, say).
  return convert_lines(text, length, output, outputSize,
                       accumulator_units(length, 3, 4 * std::size_t{length}),
                       through_chained<ChangeAnsiToUTF8>);
}

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF8ToAnsi_MultiLine(const char* text, uint32_t length,
                                                              char* output, uint32_t* outputSize) {
  // An ill-formed byte is U+FFFD, 3 bytes in a UTF-8 and 4 in a GB18030 locale.
  return convert_lines(text, length, output, outputSize,
                       accumulator_units(length, 4, 2 * std::size_t{length}),
                       through_chained<ChangeUTF8ToAnsi>);
}

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF8ToUTF16_MultiLine(const char* text, uint32_t length,
                                                               hu_wchar* output,
                                                               uint32_t* outputSize) {
  return convert_lines(text, length, output, outputSize,
                       accumulator_units(length, 1, std::size_t{length}),
                       std::bind_front(hostutil::os::calls().to_utf16, code_page::utf8));
}

HOSTUTIL_API int32_t HOSTUTIL_CALL ChangeUTF16ToUTF8_MultiLine(const hu_wchar* text,
                                                               uint32_t length, char* output,
                                                               uint32_t* outputSize) {
  // A lone surrogate is U+FFFD, 3 bytes.
  return convert_lines(text, length, output, outputSize,
                       accumulator_units(length, 3, 4 * std::size_t{length}),
                       std::bind_front(hostutil::os::calls().from_utf16, code_page::utf8));
}

}  // extern "C"
