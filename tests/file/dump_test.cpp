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
  std::string header = "Addr +";
  for (uint32_t i = 0; i < b; ++i) {
    std::snprintf(item, sizeof item, " %02x", i);
    header += item;
  }
  header += "\r\n";
  std::string text = header + std::string(header.size() - 1, '-') + "\r\n";
  for (size_t offset = 0; offset < data.size(); offset += b) {
    std::snprintf(item, sizeof item, "%04x :", static_cast<unsigned>(offset));
    text += item;
    for (size_t i = offset; i < data.size() && i < offset + b; ++i) {
      std::snprintf(item, sizeof item, " %02x", data[i]);
      text += item;
    }
    text += "\r\n";
  }
  return text;
}

// Runs the dump into a buffer of bufferSize bytes followed by guard bytes.
std::string dump(const std::vector<unsigned char>& data, uint32_t bufferSize, uint32_t b,
                 uint32_t* result = nullptr) {
  std::vector<char> buffer(bufferSize + 16, '#');
  const uint32_t n = CreateBinDataDumpFile(data.data(), static_cast<uint32_t>(data.size()),
                                           buffer.data(), bufferSize, b);
  EXPECT_EQ(std::string(buffer.begin() + bufferSize, buffer.end()), std::string(16, '#'))
      << "written past bufferSize";
  if (result != nullptr) *result = n;
  if (n == 0) return std::string();
  EXPECT_LT(n, bufferSize);
  if (n >= bufferSize) return "<overrun>";
  // NUL-terminated, and cleared up to bufferSize.
  EXPECT_EQ(std::strlen(buffer.data()), n);
  EXPECT_EQ(std::string(buffer.data() + n, bufferSize - n), std::string(bufferSize - n, '\0'));
  return std::string(buffer.data(), n);
}

TEST(DumpSize, ReportedSizes) {
  EXPECT_EQ(GetSizeOfBinDataDumpFile(0, 16), 112u);
  EXPECT_EQ(GetSizeOfBinDataDumpFile(17, 16), 224u);
  EXPECT_EQ(GetSizeOfBinDataDumpFile(256, 16), 1008u);
  EXPECT_EQ(GetSizeOfBinDataDumpFile(5, 4), 80u);
  EXPECT_EQ(GetSizeOfBinDataDumpFile(100, 0), 0u);
  // Unsigned 32-bit arithmetic, wrapping as it always has.
  EXPECT_EQ(GetSizeOfBinDataDumpFile(0xFFFFFFFFu, 1), 11u);
  EXPECT_EQ(GetSizeOfBinDataDumpFile(0xFFFFFFFFu, 2), 28u);
}

TEST(DumpText, TheExample) {
  const std::vector<unsigned char> data = {0x41, 0x42, 0x43, 0x44, 0x45};
  uint32_t n = 0;
  const std::string text = dump(data, GetSizeOfBinDataDumpFile(5, 4), 4, &n);
  EXPECT_EQ(n, 72u);
  EXPECT_EQ(text,
            "Addr + 00 01 02 03\r\n"
            "-------------------\r\n"
            "0000 : 41 42 43 44\r\n"
            "0004 : 45\r\n");
}

TEST(DumpText, RefusalsLeaveTheBufferAlone) {
  const std::vector<unsigned char> data(5, 0x41);
  std::vector<char> buffer(256, '#');
  const uint32_t size = GetSizeOfBinDataDumpFile(5, 4);
  EXPECT_EQ(CreateBinDataDumpFile(data.data(), 5, buffer.data(), size - 1, 4), 0u);
  EXPECT_EQ(CreateBinDataDumpFile(nullptr, 5, buffer.data(), 256, 4), 0u);
  EXPECT_EQ(CreateBinDataDumpFile(data.data(), 0, buffer.data(), 256, 4), 0u);
  EXPECT_EQ(CreateBinDataDumpFile(data.data(), 5, nullptr, 256, 4), 0u);
  EXPECT_EQ(CreateBinDataDumpFile(data.data(), 5, buffer.data(), 0, 4), 0u);
  EXPECT_EQ(CreateBinDataDumpFile(data.data(), 5, buffer.data(), 256, 0), 0u);
  for (char c : buffer) ASSERT_EQ(c, '#');
}

TEST(DumpText, LongerThanTheReportedSizeIsCutNeverOverrun) {
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
  // With an exactly sized heap buffer, as a sanitizer sees it.
  std::vector<char> exact(size);
  const uint32_t n = CreateBinDataDumpFile(data.data(), 256, exact.data(), size, 16);
  EXPECT_EQ(std::string(exact.data(), n), full.substr(0, size - 1));
}

TEST(DumpText, WideLines) {
  // Column numbers beyond 0xff take three digits in the header.
  const std::vector<unsigned char> one = {0x7F};
  const std::string wide = reference_dump(one, 257);
  EXPECT_NE(wide.find(" fe ff 100\r\n"), std::string::npos);
  const uint32_t wide_size = GetSizeOfBinDataDumpFile(1, 257);
  ASSERT_GT(wide_size, wide.size());  // a short last line leaves room
  EXPECT_EQ(dump(one, wide_size, 257), wide);
}

}  // namespace
