// GetFileOneLine: where lines break, what a line holds, and its refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "hostutil.h"

namespace {

// text, textLength (0: the whole text), line number, lineSize; the line, or
// "<none>" when the answer is 0.
using line_row = std::tuple<std::string, uint32_t, uint32_t, uint32_t, std::string>;
line_row line_of(const std::string& text, uint32_t length, uint32_t n, uint32_t lineSize) {
  std::vector<char> line(lineSize + 1, '#');
  const uint32_t whole = length != 0 ? length : static_cast<uint32_t>(text.size());
  const bool found = GetFileOneLine(text.c_str(), whole, n, line.data(), lineSize) != 0;
  EXPECT_EQ(line[lineSize], '#') << "written past lineSize";
  return {text, length, n, lineSize, found ? std::string(line.data()) : "<none>"};
}

TEST(GetFileOneLine, Breaks) {
  std::string padded = "k=v\r\nlast";
  padded.resize(padded.size() + 256, '\0');  // zero-filled behind, as the profile reader passes
  const std::string q300 = std::string(300, 'q') + "\r\nnext";
  // A form feed right behind CR LF belongs to the break, only one and only
  // there. Empty lines count; no empty last line after a final break, none in
  // an empty text; a CR as the very last byte ends the text. A lone LF stays
  // inside the line; a lone CR swallows the next byte. The last line runs to
  // textLength, and nothing behind it is read; a NUL ends the text for the
  // search of breaks. Lines are cut to lineSize - 1.
  const line_row rows[] = {{"a\r\n\fb\r\n", 0, 1, 512, "a"},
                           {"a\r\n\fb\r\n", 0, 2, 512, "b"},
                           {"a\r\n\fb\r\n", 0, 3, 512, "<none>"},
                           {"a\r\n\f\fb", 0, 2, 512, "\fb"},
                           {"a\fb\r\nc", 0, 1, 512, "a\fb"},
                           {"x\r\n\r\ny", 0, 2, 512, ""},
                           {"x\r\n\r\ny", 0, 3, 512, "y"},
                           {"x\r\n", 0, 2, 512, "<none>"},
                           {"x\r\n\f", 0, 2, 512, "<none>"},
                           {"", 1, 1, 512, "<none>"},
                           {"x\r", 0, 1, 512, "x"},
                           {"a\nb\nc", 0, 1, 512, "a\nb\nc"},
                           {"one\rtwo\r\nthree", 0, 2, 512, "wo"},
                           {"a\r\rb", 0, 2, 512, "b"},
                           {padded, 0, 2, 512, "last"},
                           {"abc\r\ndef", 3, 1, 512, "abc"},
                           {"abc\r\ndef", 4, 2, 512, "<none>"},
                           {"abc\r\ndef", 6, 2, 512, "d"},
                           {std::string("a\0b\r\nc", 6), 0, 2, 512, "<none>"},
                           {std::string("a\0\rb\r\nc", 7), 0, 2, 512, "<none>"},
                           {q300, 0, 1, 256, std::string(255, 'q')},
                           {q300, 0, 2, 256, "next"},
                           {q300, 0, 1, 1, ""},
                           {"abcd\r\n", 0, 1, 5, "abcd"},
                           {"abcd\r\n", 0, 1, 4, "abc"}};
  for (const auto& [text, length, n, size, line] : rows) {
    EXPECT_EQ(line_of(text, length, n, size), std::tie(text, length, n, size, line));
  }
}

TEST(GetFileOneLine, RawBytesAndRefusals) {
  // The bytes behind a NUL are copied raw as far as textLength reaches.
  char line[16];
  std::memset(line, '#', sizeof line);
  ASSERT_EQ(GetFileOneLine("ab\0XY", 5, 1, line, sizeof line), 1u);
  EXPECT_EQ(std::string(line, 7), std::string("ab\0XY\0\0", 7));
  std::memcpy(line, "keep me", 8);
  EXPECT_EQ(GetFileOneLine("a\r\nb", 4, 0, line, 8) + GetFileOneLine(nullptr, 4, 1, line, 8) +
                GetFileOneLine("a\r\nb", 0, 1, line, 8) +
                GetFileOneLine("a\r\nb", 4, 1, nullptr, 8) +
                GetFileOneLine("a\r\nb", 4, 1, line, 0),
            0u);
  EXPECT_STREQ(line, "keep me");
  // A missing line clears the buffer all the same: the checks passed.
  EXPECT_EQ(GetFileOneLine("a\r\nb", 4, 9, line, 8), 0u);
  EXPECT_EQ(std::string(line, 8), std::string(8, '\0'));
}

}  // namespace
