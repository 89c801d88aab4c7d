// Line splitting: the edges of GetFileOneLine (which walks the text with the
// one-pass line iterator), and the iterator on an empty text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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
      // A NUL inside the text ends it for the search of breaks.
      {std::string("a\0b\r\nc", 6), 0, 2, 512, "<none>"},
      {std::string("a\0\rb\r\nc", 7), 0, 2, 512, "<none>"},
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

TEST(LineIterator, NothingFromAnEmptyTextNorOnceEnded) {
  hostutil::file::line_view view{};
  hostutil::file::line_iterator two("a\r\nb", 4);
  EXPECT_TRUE(two.next(view) && two.next(view));
  EXPECT_EQ(std::string(view.data, view.length), "b");
  EXPECT_FALSE(two.next(view));
  EXPECT_FALSE(two.next(view));
  hostutil::file::line_iterator none(nullptr, 10);
  EXPECT_FALSE(none.next(view));
  hostutil::file::line_iterator zero("abc", 0);
  EXPECT_FALSE(zero.next(view));
}

}  // namespace
