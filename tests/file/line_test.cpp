// Line splitting: every edge of GetFileOneLine, and the one-pass line iterator
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

std::string line_of(const std::string& text, uint32_t n) {
  return line_of(text, static_cast<uint32_t>(text.size()), n);
}

TEST(GetFileOneLine, FormFeedAfterCrLfBelongsToTheBreak) {
  const std::string text = "a\r\n\fb\r\n";
  ASSERT_EQ(text.size(), 7u);
  EXPECT_EQ(line_of(text, 1), "a");
  EXPECT_EQ(line_of(text, 2), "b");
  EXPECT_EQ(line_of(text, 3), "<none>");
  // Only one form feed is skipped, and only right behind the break.
  EXPECT_EQ(line_of("a\r\n\f\fb", 2), "\fb");
  EXPECT_EQ(line_of("a\fb\r\nc", 1), "a\fb");
}

TEST(GetFileOneLine, EmptyLinesAndTheEnd) {
  const std::string text = "x\r\n\r\ny";
  EXPECT_EQ(line_of(text, 1), "x");
  EXPECT_EQ(line_of(text, 2), "");
  EXPECT_EQ(line_of(text, 3), "y");
  EXPECT_EQ(line_of(text, 4), "<none>");
  // No empty last line after a final CR LF, and no line in an empty text.
  EXPECT_EQ(line_of("x\r\n", 2), "<none>");
  EXPECT_EQ(line_of("x\r\n\f", 2), "<none>");
  EXPECT_EQ(line_of("", 1, 1), "<none>");
  // A CR as the very last byte: the text ends there, no further line.
  EXPECT_EQ(line_of("x\r", 1), "x");
  EXPECT_EQ(line_of("x\r", 2), "<none>");
}

TEST(GetFileOneLine, LoneCrAndLoneLf) {
  // A lone LF stays inside the line; a lone CR swallows the next byte.
  EXPECT_EQ(line_of("a\nb\nc", 1), "a\nb\nc");
  EXPECT_EQ(line_of("a\nb\nc", 2), "<none>");
  EXPECT_EQ(line_of("one\rtwo\r\nthree", 2), "wo");
  EXPECT_EQ(line_of("one\rtwo\r\nthree", 3), "three");
  EXPECT_EQ(line_of("a\r\rb", 2), "b");
}

TEST(GetFileOneLine, LastLineRunsToTheEndOfTheBuffer) {
  // Zero-filled buffer 256 bytes longer than the text, as the profile reader passes.
  std::string buffer = "k=v\r\nlast";
  const size_t contents = buffer.size();
  buffer.resize(contents + 256, '\0');
  EXPECT_EQ(line_of(buffer, static_cast<uint32_t>(buffer.size()), 2), "last");
  // The bytes behind the NUL are copied raw as far as textLength reaches.
  const std::string tail("ab\0XY", 5);
  char line[16];
  std::memset(line, '#', sizeof line);
  ASSERT_EQ(GetFileOneLine(tail.data(), 5, 1, line, sizeof line), 1u);
  EXPECT_EQ(std::string(line, 6), std::string("ab\0XY\0", 6));
  EXPECT_EQ(line[6], 0);
  // A textLength shorter than the text ends the text: nothing behind it is read.
  EXPECT_EQ(line_of("abc\r\ndef", 3, 1), "abc");
  EXPECT_EQ(line_of("abc\r\ndef", 3, 2), "<none>");
  EXPECT_EQ(line_of("abc\r\ndef", 4, 2), "<none>");
  EXPECT_EQ(line_of("abc\r\ndef", 6, 2), "d");
}

TEST(GetFileOneLine, CutLinesAndRefusals) {
  const std::string text = std::string(300, 'q') + "\r\nnext";
  EXPECT_EQ(line_of(text, static_cast<uint32_t>(text.size()), 1, 256), std::string(255, 'q'));
  EXPECT_EQ(line_of(text, static_cast<uint32_t>(text.size()), 2, 256), "next");
  EXPECT_EQ(line_of(text, static_cast<uint32_t>(text.size()), 1, 1), "");
  // A line that fills lineSize - 1 exactly keeps its NUL.
  EXPECT_EQ(line_of("abcd\r\n", 6, 1, 5), "abcd");
  EXPECT_EQ(line_of("abcd\r\n", 6, 1, 4), "abc");

  char line[8];
  std::memcpy(line, "keep me", 8);
  EXPECT_EQ(GetFileOneLine("a\r\nb", 4, 0, line, sizeof line), 0u);
  EXPECT_STREQ(line, "keep me");
  EXPECT_EQ(GetFileOneLine(nullptr, 4, 1, line, sizeof line), 0u);
  EXPECT_EQ(GetFileOneLine("a\r\nb", 0, 1, line, sizeof line), 0u);
  EXPECT_EQ(GetFileOneLine("a\r\nb", 4, 1, nullptr, 8), 0u);
  EXPECT_EQ(GetFileOneLine("a\r\nb", 4, 1, line, 0), 0u);
  EXPECT_STREQ(line, "keep me");
  // A missing line clears the buffer all the same: the checks passed.
  EXPECT_EQ(GetFileOneLine("a\r\nb", 4, 9, line, sizeof line), 0u);
  EXPECT_EQ(line[0], 0);
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
