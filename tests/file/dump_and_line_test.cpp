// The dump text: its reported sizes and five-digit offsets; GetFileOneLine: a
// refused line number. The rest of both is checked against a model by the fuzz
// target (fuzz/files_fuzz.cpp).
#include <gtest/gtest.h>

#include <string>
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

// The example of five bytes by four, and its buffer one byte short refused and
// untouched: the fuzz target's dump model, on kept inputs of both.
TEST(Dump, SizesAndFiveDigitOffsets) {
  EXPECT_EQ(GetSizeOfBinDataDumpFile(0, 16), 112u);
  EXPECT_EQ(GetSizeOfBinDataDumpFile(17, 16), 224u);
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

// The form feed behind a break, empty lines and a line cut to lineSize - 1
// characters: the fuzz target's line model, on kept inputs of those texts.
TEST(GetFileOneLine, LineNumberZeroLeavesTheLineUntouched) {
  char line[8] = "keep me";
  EXPECT_EQ(GetFileOneLine("a\r\nb", 4, 0, line, 8), 0u);
  EXPECT_STREQ(line, "keep me");
}

}  // namespace
