// The encoding conversions: the single conversions into outputs exactly large
// enough or one unit short, ill-formed input, the chained ones and their
// 128-byte scratch, and the line-by-line ones with their size protocol and
// where they stop. Nothing is ever written past a buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "convert/encoding_samples.h"
#include "heap/registry.h"
#include "hostutil.h"

namespace {

using namespace std::string_literals;
using encoding_test::samples;
using encoding_test::to_u16;
using encoding_test::units;

constexpr hu_wchar unit_fence = 0x5A5A;
constexpr char byte_fence = 'Z';
std::vector<char> bytes(const std::string& s) { return {s.begin(), s.end()}; }
units wide(const std::u16string& s) { return {s.begin(), s.end()}; }

// Converts into capacities n - 1, n and 32 with a fence behind them: a text
// that fits is followed by zeros up to the capacity and has no terminator of
// its own; one unit short gives 0 and zeros only; nothing past the capacity changes.
template <typename In, typename Out>
void expect_capacities(int32_t(HOSTUTIL_CALL* convert)(const In*, uint32_t, Out*, uint32_t),
                       const std::vector<In>& text, const std::vector<Out>& want) {
  const auto n = static_cast<uint32_t>(want.size());
  const auto fence = static_cast<Out>(sizeof(Out) == 1 ? byte_fence : unit_fence);
  for (uint32_t capacity : {n - 1, n, 32u}) {
    std::vector<Out> out(capacity + 4, fence), expected(capacity, Out{0});
    const bool fits = capacity >= n;
    EXPECT_EQ(convert(text.data(), static_cast<uint32_t>(text.size()), out.data(), capacity),
              fits ? static_cast<int32_t>(n) : 0)
        << capacity;
    if (fits) std::copy(want.begin(), want.end(), expected.begin());
    expected.insert(expected.end(), 4, fence);
    EXPECT_EQ(out, expected) << capacity;
  }
}

TEST(Encoding, SingleConversionsExactToTheUnit) {
  for (const auto& s : samples) {
    SCOPED_TRACE(testing::PrintToString(s.bytes));
    expect_capacities(ChangeUTF8ToUTF16, bytes(s.bytes), wide(s.utf16));
    expect_capacities(ChangeUTF16ToUTF8, wide(s.utf16), bytes(s.bytes));
  }
  // NULs inside the length are converted; ASCII is the same in every ANSI code page.
  expect_capacities(ChangeAnsiToUnicode, bytes("x\0y, z"s), wide(u"x\0y, z"s));
  expect_capacities(ChangeUnicodeToAnsi, wide(u"x\0y, z"s), bytes("x\0y, z"s));
  // A 4-byte character is written whole or not at all.
  std::string narrow(5, byte_fence);
  EXPECT_EQ(ChangeUTF16ToUTF8(wide(u"\U0001F600").data(), 2, narrow.data(), 3), 0);
  EXPECT_EQ(narrow, "\0\0\0ZZ"s);
}

TEST(Encoding, LengthZeroAndMissingArguments) {
  // ChangeAnsiToUnicode alone takes length 0 as "up to the NUL".
  units out(4, unit_fence);
  EXPECT_EQ(ChangeAnsiToUnicode("abc", 0, out.data(), 4), 3);
  EXPECT_EQ(to_u16(out.data(), 4), u"abc\0"s);
  out.assign(4, unit_fence);
  std::string narrow(4, byte_fence);
  char* n = narrow.data();
  uint32_t size = 77;
  EXPECT_EQ(ChangeAnsiToUnicode("", 0, out.data(), 4) + ChangeUTF8ToUTF16("ab", 0, out.data(), 4) +
                ChangeUTF16ToUTF8(out.data(), 0, n, 4) + ChangeUnicodeToAnsi(out.data(), 0, n, 4) +
                ChangeAnsiToUTF8("abc", 0, n, 4) + ChangeUTF8ToAnsi("abc", 0, n, 4) +
                ChangeUTF8ToUTF16(nullptr, 2, out.data(), 4) +
                ChangeAnsiToUnicode("ab", 2, nullptr, 4) + ChangeUTF16ToUTF8(out.data(), 2, n, 0) +
                ChangeAnsiToUTF8(nullptr, 3, n, 4) +
                ChangeUTF8ToAnsi_MultiLine("abc", 0, n, &size) +
                ChangeAnsiToUTF8_MultiLine(nullptr, 4, n, &size),
            0);
  EXPECT_EQ(out, units(4, unit_fence));
  EXPECT_EQ(narrow, std::string(4, byte_fence));
  EXPECT_EQ(size, 77u);
}

TEST(Encoding, ChainedThroughUtf16) {
  // Up to 128 bytes the UTF-16 area is on the stack; above, a registered
  // allocation: before SemaphoreControlBegin the output is zero-filled, all of it.
  SemaphoreControlEnd();
  const std::vector<char> at_128(128, 'q'), at_129(129, 'q');
  expect_capacities(ChangeAnsiToUTF8, at_128, at_128);
  expect_capacities(ChangeUTF8ToAnsi, at_128, at_128);
  std::vector<char> out(140, byte_fence);
  EXPECT_EQ(ChangeAnsiToUTF8(at_129.data(), 129, out.data(), 140) +
                ChangeUTF8ToAnsi(at_129.data(), 129, out.data(), 140),
            0);
  EXPECT_EQ(out, std::vector<char>(140, '\0'));
  SemaphoreControlBegin();
  expect_capacities(ChangeAnsiToUTF8, at_129, at_129);
  expect_capacities(ChangeUTF8ToAnsi, at_129, at_129);
  EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr);  // every area given back
  SemaphoreControlEnd();
}

// The size protocol of one line-by-line conversion (null output, size L - 1,
// size L), checked to the unit; the text it gives.
template <typename In, typename Out>
std::vector<Out> lines(int32_t(HOSTUTIL_CALL* convert)(const In*, uint32_t, Out*, uint32_t*),
                       std::vector<In> text) {
  const auto fence = static_cast<Out>(sizeof(Out) == 1 ? byte_fence : unit_fence);
  const auto length = static_cast<uint32_t>(text.size());
  text.push_back(In{0});
  uint32_t size = 12345;
  EXPECT_EQ(convert(text.data(), length, nullptr, &size), 0);
  const uint32_t total = size;
  std::vector<Out> out(total + 4, fence), tail{Out{0}, fence, fence, fence};
  if (total > 0) {
    uint32_t one_short = total - 1;
    EXPECT_EQ(convert(text.data(), length, out.data(), &one_short), 0);
    EXPECT_EQ(one_short, total);
    EXPECT_EQ(out, std::vector<Out>(total + 4, fence));
  }
  uint32_t exact = total;
  EXPECT_EQ(convert(text.data(), length, out.data(), &exact), static_cast<int32_t>(total));
  EXPECT_EQ(exact, total);  // left as it was
  EXPECT_EQ(std::vector<Out>(out.begin() + total, out.end()), tail);
  out.resize(total);
  return out;
}

TEST(EncodingMultiLine, LinesUpToTheFirstEmptyOneEachEndingInCrLf) {
  // The line rules themselves are those of GetFileOneLine.
  const std::pair<std::string, std::string> rows[] = {{"a\r\nb", "a\r\nb\r\n"},
                                                      {"no line end", "no line end\r\n"},
                                                      {"a\r\n\r\nb", "a\r\n"},
                                                      {"\r\nabc", ""}};
  for (const auto& [text, want] : rows) {
    const units text16(text.begin(), text.end()), want16(want.begin(), want.end());
    SCOPED_TRACE(testing::PrintToString(text));
    EXPECT_EQ(lines(ChangeAnsiToUTF8_MultiLine, bytes(text)), bytes(want));
    EXPECT_EQ(lines(ChangeUTF8ToAnsi_MultiLine, bytes(text)), bytes(want));
    EXPECT_EQ(lines(ChangeUTF8ToUTF16_MultiLine, bytes(text)), want16);
    EXPECT_EQ(lines(ChangeUTF16ToUTF8_MultiLine, text16), bytes(want));
  }
  // A size above L: the output is zero-filled over the whole size.
  std::string out(16, byte_fence);
  uint32_t size = 12;
  EXPECT_EQ(ChangeAnsiToUTF8_MultiLine("a\r\nb", 4, out.data(), &size), 6);
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(out, "a\r\nb\r\n\0\0\0\0\0\0ZZZZ"s);
}

TEST(EncodingMultiLine, ShortInputsAndLongLinesBeforeSemaphoreControlBegin) {
  // Bytes whose conversion grows the most: each line is the single conversion
  // and CR LF, however the code page expands it.
  const auto byte_ways = {std::pair{&ChangeUTF8ToAnsi, &ChangeUTF8ToAnsi_MultiLine},
                          std::pair{&ChangeAnsiToUTF8, &ChangeAnsiToUTF8_MultiLine}};
  for (const std::string text : {"\xFF", "\x80", "\xC3\xA9", "a"}) {
    for (const auto& [single, multi] : byte_ways) {
      std::vector<char> want(16, '\0');
      want.resize(std::max(0, single(text.data(), uint32_t(text.size()), want.data(), 16)));
      want.insert(want.end(), {'\r', '\n'});
      EXPECT_EQ(lines(multi, bytes(text)), want) << testing::PrintToString(text);
    }
  }
  // Before the table is set up, a line above 128 bytes cannot have the chained
  // converter's registered allocation: it gives nothing but keeps its CR LF.
  SemaphoreControlEnd();
  const std::string text = std::string(129, 'w') + "\r\n" + std::string(128, 's');
  for (const auto& [single, multi] : byte_ways) {
    EXPECT_EQ(lines(multi, bytes(text)), bytes("\r\n" + std::string(128, 's') + "\r\n"));
  }
}

}  // namespace

namespace encoding_test {

std::string check_ansi_samples(const std::vector<sample>& texts) {
  std::string failed, ansi_lines, utf8_lines;
  auto expect = [&failed](bool held, const std::string& what) {
    failed += held ? "" : what + "\n";
  };
  for (const auto& s : texts) {
    const auto a = static_cast<uint32_t>(s.bytes.size()), n = static_cast<uint32_t>(s.utf16.size());
    const units source(s.utf16.begin(), s.utf16.end());
    units wide(n + 4, 0x5A5A);
    std::string utf8(3 * n, 'Z'), narrow(a + 4, 'Z'), tight(a, 'Z');
    utf8.resize(ChangeUTF16ToUTF8(source.data(), n, utf8.data(), 3 * n));
    const std::string what = "sample " + std::to_string(&s - texts.data()) + ": ";
    expect(ChangeAnsiToUnicode(s.bytes.data(), a, wide.data(), n + 4) == int32_t(n) &&
               to_u16(wide.data(), n) == s.utf16,
           what + "ANSI to UTF-16");
    expect(ChangeUnicodeToAnsi(source.data(), n, narrow.data(), a + 4) == int32_t(a) &&
               narrow.substr(0, a) == s.bytes,
           what + "UTF-16 to ANSI");
    expect(ChangeUnicodeToAnsi(source.data(), n, tight.data(), a - 1) == 0 && tight.back() == 'Z',
           what + "one byte short fails and writes nothing past its size");
    ansi_lines += s.bytes + "\r\n";
    utf8_lines += utf8 + "\r\n";
  }
  // The last CR LF left out of the inputs comes back.
  std::string out(ansi_lines.size() + utf8_lines.size(), 'Z');
  auto size = static_cast<uint32_t>(out.size());
  expect(ChangeUTF8ToAnsi_MultiLine(utf8_lines.c_str(), uint32_t(utf8_lines.size() - 2), out.data(),
                                    &size) == int32_t(ansi_lines.size()) &&
             out.c_str() == ansi_lines,
         "UTF-8 lines to ANSI");
  expect(ChangeAnsiToUTF8_MultiLine(ansi_lines.c_str(), uint32_t(ansi_lines.size() - 2), out.data(),
                                    &size) == int32_t(utf8_lines.size()) &&
             out.c_str() == utf8_lines,
         "ANSI lines to UTF-8");
  return failed;
}

}  // namespace encoding_test
