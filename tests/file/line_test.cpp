// Line splitting: the edges of GetFileOneLine, and the one-pass line iterator
// against line-by-number splitting on random texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "file/line_iterator.h"
#include "hostutil.h"

namespace {

// Line n of text (passed with textLength), or "<none>" when the answer is 0.
std::string line_of(const std::string& text, uint32_t textLength, uint32_t n,
                    uint32_t lineSize = 512) {
  std::vector<char> line(lineSize + 1, '#');
  if (GetFileOneLine(text.c_str(), textLength, n, line.data(), lineSize) == 0) {
    return "<none>";
  }
  EXPECT_EQ(line[lineSize], '#') << "written past lineSize";
  return std::string(line.data());
}

TEST(GetFileOneLine, Breaks) {
  std::string padded = "k=v\r\nlast";
  padded.resize(padded.size() + 256, '\0');  // zero-filled behind, as the profile reader passes
  const std::string q300 = std::string(300, 'q') + "\r\nnext";
  const struct {
    std::string text;
    uint32_t length, n, lineSize;  // length 0: the whole text
    std::string expected;
  } cases[] = {
      // A form feed right behind CR LF belongs to the break; only one, only there.
      {"a\r\n\fb\r\n", 0, 1, 512, "a"},
      {"a\r\n\fb\r\n", 0, 2, 512, "b"},
      {"a\r\n\fb\r\n", 0, 3, 512, "<none>"},
      {"a\r\n\f\fb", 0, 2, 512, "\fb"},
      {"a\fb\r\nc", 0, 1, 512, "a\fb"},
      // Empty lines; no empty last line after a final break, none in an empty text.
      {"x\r\n\r\ny", 0, 2, 512, ""},
      {"x\r\n\r\ny", 0, 3, 512, "y"},
      {"x\r\n\r\ny", 0, 4, 512, "<none>"},
      {"x\r\n", 0, 2, 512, "<none>"},
      {"x\r\n\f", 0, 2, 512, "<none>"},
      {"", 1, 1, 512, "<none>"},
      // A CR as the very last byte ends the text.
      {"x\r", 0, 1, 512, "x"},
      {"x\r", 0, 2, 512, "<none>"},
      // A lone LF stays inside the line; a lone CR swallows the next byte.
      {"a\nb\nc", 0, 1, 512, "a\nb\nc"},
      {"a\nb\nc", 0, 2, 512, "<none>"},
      {"one\rtwo\r\nthree", 0, 2, 512, "wo"},
      {"one\rtwo\r\nthree", 0, 3, 512, "three"},
      {"a\r\rb", 0, 2, 512, "b"},
      // The last line runs to textLength; nothing behind textLength is read.
      {padded, 0, 2, 512, "last"},
      {"abc\r\ndef", 3, 1, 512, "abc"},
      {"abc\r\ndef", 3, 2, 512, "<none>"},
      {"abc\r\ndef", 4, 2, 512, "<none>"},
      {"abc\r\ndef", 6, 2, 512, "d"},
      // Lines cut to lineSize - 1; one that fills it exactly keeps its NUL.
      {q300, 0, 1, 256, std::string(255, 'q')},
      {q300, 0, 2, 256, "next"},
      {q300, 0, 1, 1, ""},
      {"abcd\r\n", 0, 1, 5, "abcd"},
      {"abcd\r\n", 0, 1, 4, "abc"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text.substr(0, 20)) + " line " + std::to_string(c.n) +
                 " of " + std::to_string(c.length) + " into " + std::to_string(c.lineSize));
    const auto length = c.length != 0 ? c.length : static_cast<uint32_t>(c.text.size());
    EXPECT_EQ(line_of(c.text, length, c.n, c.lineSize), c.expected);
  }
}

TEST(GetFileOneLine, RawBytesAndRefusals) {
  // The bytes behind a NUL are copied raw as far as textLength reaches.
  const std::string tail("ab\0XY", 5);
  char line[16];
  std::memset(line, '#', sizeof line);
  ASSERT_EQ(GetFileOneLine(tail.data(), 5, 1, line, sizeof line), 1u);
  EXPECT_EQ(std::string(line, 7), std::string("ab\0XY\0\0", 7));

  std::memcpy(line, "keep me", 8);
  EXPECT_EQ(GetFileOneLine("a\r\nb", 4, 0, line, 8), 0u);
  EXPECT_EQ(GetFileOneLine(nullptr, 4, 1, line, 8), 0u);
  EXPECT_EQ(GetFileOneLine("a\r\nb", 0, 1, line, 8), 0u);
  EXPECT_EQ(GetFileOneLine("a\r\nb", 4, 1, nullptr, 8), 0u);
  EXPECT_EQ(GetFileOneLine("a\r\nb", 4, 1, line, 0), 0u);
  EXPECT_STREQ(line, "keep me");
  // A missing line clears the buffer all the same: the checks passed.
  EXPECT_EQ(GetFileOneLine("a\r\nb", 4, 9, line, 8), 0u);
  EXPECT_EQ(std::string(line, 8), std::string(8, '\0'));
}

// The splitting written out step by step as the applications know it, with
// the C string searches it has always used. Valid when a NUL ends the text at
// or before text[textLength].
uint32_t reference_line(const char* text, uint32_t textLength, uint32_t lineNumber, char* line,
                        uint32_t lineSize) {
  std::memset(line, 0, lineSize);
  const char* pos = text;
  for (uint32_t i = 1; i < lineNumber; ++i) {
    const char* cr = std::strchr(pos, '\r');
    if (cr == nullptr || cr[1] == '\0') return 0;
    pos = cr + 2;
    if (*pos == '\f') ++pos;
  }
  if (*pos == '\0') return 0;
  const char* cr = std::strchr(pos, '\r');
  const char* end = cr != nullptr ? cr : text + textLength;
  const size_t n = std::min<size_t>(static_cast<size_t>(end - pos), lineSize - 1);
  std::memcpy(line, pos, n);
  return 1;
}

// Line by number through GetFileOneLine, checked against the reference.
std::vector<std::string> by_number(const std::string& buffer, uint32_t textLength,
                                   uint32_t lineSize) {
  std::vector<std::string> lines;
  std::vector<char> line(lineSize), expected(lineSize);
  for (uint32_t n = 1;; ++n) {
    const uint32_t got = GetFileOneLine(buffer.data(), textLength, n, line.data(), lineSize);
    const uint32_t want = reference_line(buffer.c_str(), textLength, n, expected.data(), lineSize);
    EXPECT_EQ(got, want) << "line " << n;
    EXPECT_EQ(line, expected) << "line " << n;
    if (got == 0 || want == 0) break;
    lines.emplace_back(line.data(), lineSize);
  }
  return lines;
}

std::vector<std::string> by_iterator(const std::string& buffer, uint32_t textLength,
                                     uint32_t lineSize) {
  std::vector<std::string> lines;
  hostutil::file::line_iterator it(buffer.data(), textLength);
  hostutil::file::line_view view{};
  while (it.next(view)) {
    EXPECT_GE(view.data, buffer.data());
    EXPECT_LE(view.data + view.length, buffer.data() + textLength);
    std::string line(lineSize, '\0');
    std::memcpy(line.data(), view.data, std::min<uint32_t>(view.length, lineSize - 1));
    lines.push_back(line);
  }
  EXPECT_FALSE(it.next(view)) << "an ended iterator stays ended";
  return lines;
}

TEST(LineIterator, SameLinesAsLineByNumberOnRandomTexts) {
  std::mt19937 rng(20240611);
  // Few distinct bytes, so that every combination of breaks comes up often.
  const char alphabet[] = {'a', 'b', '\r', '\n', '\f', '\0', ' '};
  for (int round = 0; round < 3000; ++round) {
    const uint32_t length = 1 + rng() % 40;
    std::string buffer(length, '\0');
    for (auto& c : buffer) c = alphabet[rng() % sizeof alphabet];
    // Often a NUL inside the text; std::string keeps one behind it anyway.
    if (rng() % 2 != 0) buffer[rng() % length] = '\0';
    const uint32_t lineSize = 1 + rng() % 12;
    ASSERT_EQ(by_iterator(buffer, length, lineSize), by_number(buffer, length, lineSize))
        << "round " << round;
  }
}

TEST(LineIterator, NothingFromAnEmptyText) {
  hostutil::file::line_view view{};
  hostutil::file::line_iterator none(nullptr, 10);
  EXPECT_FALSE(none.next(view));
  hostutil::file::line_iterator zero("abc", 0);
  EXPECT_FALSE(zero.next(view));
}

}  // namespace
