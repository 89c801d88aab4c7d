// The dump text byte for byte, its reported size, and the rule that nothing
// is written past bufferSize when the text is longer than the reported size.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "hostutil.h"

namespace {

// The dump text built with the C library's formatting.
std::string reference_dump(const std::vector<unsigned char>& data, uint32_t b) {
  char item[32];
  std::string header = "Addr +", text;
  for (uint32_t i = 0; i < b; ++i) header += (std::snprintf(item, sizeof item, " %02x", i), item);
  for (size_t offset = 0; offset < data.size(); offset += b) {
    text += (std::snprintf(item, sizeof item, "%04x :", static_cast<unsigned>(offset)), item);
    for (size_t i = offset; i < data.size() && i < offset + b; ++i) {
      text += (std::snprintf(item, sizeof item, " %02x", data[i]), item);
    }
    text += "\r\n";
  }
  return header + "\r\n" + std::string(header.size() + 1, '-') + "\r\n" + text;
}

// The dump into a buffer of bufferSize bytes followed by guard bytes, which
// must stay; the text must end in a NUL with zeros up to bufferSize. "" for 0.
std::string dump(const std::vector<unsigned char>& data, uint32_t bufferSize, uint32_t b) {
  std::vector<char> buffer(bufferSize + 16, '#');
  const uint32_t n = CreateBinDataDumpFile(data.data(), static_cast<uint32_t>(data.size()),
                                           buffer.data(), bufferSize, b);
  EXPECT_EQ(std::string(buffer.begin() + bufferSize, buffer.end()), std::string(16, '#'));
  if (n == 0 || n >= bufferSize) return n == 0 ? "" : "<overrun>";
  EXPECT_EQ(std::string(buffer.data() + n, bufferSize - n), std::string(bufferSize - n, '\0'));
  return std::string(buffer.data(), n);
}

TEST(Dump, ReportedSizes) {
  // Unsigned 32-bit arithmetic, wrapping as it always has.
  const uint32_t rows[][3] = {{0, 16, 112}, {17, 16, 224},        {256, 16, 1008},     {5, 4, 80},
                              {100, 0, 0},  {0xFFFFFFFFu, 1, 11}, {0xFFFFFFFFu, 2, 28}};
  for (const auto& r : rows)
    EXPECT_EQ(GetSizeOfBinDataDumpFile(r[0], r[1]), r[2]) << r[0] << " " << r[1];
}

TEST(Dump, TheExampleAndRefusals) {
  const std::vector<unsigned char> data = {0x41, 0x42, 0x43, 0x44, 0x45};
  const uint32_t size = GetSizeOfBinDataDumpFile(5, 4);
  EXPECT_EQ(dump(data, size, 4),
            "Addr + 00 01 02 03\r\n"
            "-------------------\r\n"
            "0000 : 41 42 43 44\r\n"
            "0004 : 45\r\n");  // 72 characters
  std::vector<char> buffer(256, '#');
  EXPECT_EQ(CreateBinDataDumpFile(data.data(), 5, buffer.data(), size - 1, 4) +
                CreateBinDataDumpFile(nullptr, 5, buffer.data(), 256, 4) +
                CreateBinDataDumpFile(data.data(), 0, buffer.data(), 256, 4) +
                CreateBinDataDumpFile(data.data(), 5, nullptr, 256, 4) +
                CreateBinDataDumpFile(data.data(), 5, buffer.data(), 0, 4) +
                CreateBinDataDumpFile(data.data(), 5, buffer.data(), 256, 0),
            0u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(256, '#'));
}

TEST(Dump, LongerThanTheReportedSizeIsCutNeverOverrun) {
  // A full last line: the separator's extra dash makes the text one longer
  // than the reported size, and the NUL needs one more.
  std::vector<unsigned char> data(256);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i);
  const std::string full = reference_dump(data, 16);
  const uint32_t size = GetSizeOfBinDataDumpFile(256, 16);
  ASSERT_EQ(full.size(), size + 1u);
  EXPECT_EQ(dump(data, size, 16), full.substr(0, size - 1));
  EXPECT_EQ(dump(data, size + 1, 16), full.substr(0, size));
  EXPECT_EQ(dump(data, size + 2, 16), full);
  // Offsets from 0x10000 on take five digits: one more character per line.
  std::vector<unsigned char> big(0x10000 + 48, 0xA5);
  const std::string big_full = reference_dump(big, 16);
  const uint32_t big_size = GetSizeOfBinDataDumpFile(static_cast<uint32_t>(big.size()), 16);
  ASSERT_EQ(big_full.size(), big_size + 1u + 3u);
  EXPECT_NE(big_full.find("\r\n10000 : a5"), std::string::npos);
  EXPECT_EQ(dump(big, big_size, 16), big_full.substr(0, big_size - 1));
  EXPECT_EQ(dump(big, static_cast<uint32_t>(big_full.size() + 1), 16), big_full);
  // Column numbers beyond 0xff take three digits in the header; a short last
  // line leaves room.
  const std::string wide = reference_dump({0x7F}, 257);
  EXPECT_NE(wide.find(" fe ff 100\r\n"), std::string::npos);
  EXPECT_EQ(dump({0x7F}, GetSizeOfBinDataDumpFile(1, 257), 257), wide);
}

}  // namespace
