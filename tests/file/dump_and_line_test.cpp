// The dump text: its reported sizes, the example, a short buffer refused, and
// five-digit offsets; GetFileOneLine: the form feed behind a break, empty
// lines, cut lines and a refused line number. The rest of both is checked
// against a model by the fuzz target.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "hostutil.h"

namespace {

// The dump into a buffer of bufferSize bytes followed by guard bytes, which
// must stay. "" for the answer 0.
std::string dump(const std::vector<unsigned char>& data, uint32_t bufferSize, uint32_t b) {
  std::vector<char> buffer(bufferSize + 16, '#');
  const uint32_t n = CreateBinDataDumpFile(data.data(), static_cast<uint32_t>(data.size()),
                                           buffer.data(), bufferSize, b);
  EXPECT_EQ(std::string(buffer.begin() + bufferSize, buffer.end()), std::string(16, '#'));
  if (n == 0 || n >= bufferSize) return n == 0 ? "" : "<overrun>";
  return std::string(buffer.data(), n);
}

TEST(Dump, TheExampleSizesAShortBufferAndFiveDigitOffsets) {
  EXPECT_EQ(GetSizeOfBinDataDumpFile(0, 16), 112u);
  EXPECT_EQ(GetSizeOfBinDataDumpFile(17, 16), 224u);
  const std::vector<unsigned char> data = {0x41, 0x42, 0x43, 0x44, 0x45};
  const uint32_t size = GetSizeOfBinDataDumpFile(5, 4);
  EXPECT_EQ(dump(data, size, 4),
            "Addr + 00 01 02 03\r\n"
            "-------------------\r\n"
            "0000 : 41 42 43 44\r\n"
            "0004 : 45\r\n");  // 72 characters
  std::vector<char> buffer(256, '#');
  EXPECT_EQ(CreateBinDataDumpFile(data.data(), 5, buffer.data(), size - 1, 4), 0u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(256, '#'));
  // Offsets from 0x10000 take five digits, one more character on each such line
  // than the reported size allows for: the text is cut there, never overrun.
  const std::vector<unsigned char> many(0x10000 + 48, 0xA5);
  const uint32_t whole = GetSizeOfBinDataDumpFile(static_cast<uint32_t>(many.size()), 16);
  const std::string cut = dump(many, whole, 16), full = dump(many, whole + 16, 16);
  EXPECT_EQ(cut.size() + 1, whole);
  EXPECT_EQ(full.size(), whole + 4u);
  EXPECT_EQ(full.substr(0, cut.size()), cut);
  EXPECT_NE(full.find("\r\n10000 : a5"), std::string::npos);
}

// Line n of text into a buffer of lineSize bytes; "<none>" when the answer is 0.
std::string line_of(const std::string& text, uint32_t n, uint32_t lineSize) {
  std::vector<char> line(lineSize + 1, '#');
  const auto size = static_cast<uint32_t>(text.size());
  const bool found = GetFileOneLine(text.c_str(), size, n, line.data(), lineSize) != 0;
  EXPECT_EQ(line[lineSize], '#') << "written past lineSize";
  return found ? std::string(line.data()) : "<none>";
}

TEST(GetFileOneLine, Edges) {
  const std::tuple<std::string, uint32_t, uint32_t, std::string> rows[] = {
      {"a\r\n\fb\r\n", 1, 512, "a"}, {"a\r\n\fb\r\n", 2, 512, "b"},
      {"a\r\n\fb\r\n", 3, 512, "<none>"}, {"x\r\n\r\ny", 2, 512, ""}, {"x\r\n\r\ny", 3, 512, "y"},
      {std::string(300, 'q') + "\r\nnext", 1, 256, std::string(255, 'q')}};
  for (const auto& [text, n, size, want] : rows) EXPECT_EQ(line_of(text, n, size), want) << n;
  char line[8] = "keep me";
  EXPECT_EQ(GetFileOneLine("a\r\nb", 4, 0, line, 8), 0u);
  EXPECT_STREQ(line, "keep me");
}

}  // namespace
