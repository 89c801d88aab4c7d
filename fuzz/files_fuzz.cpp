// Fuzzes GetFileOneLine, the line iterator and the dump text with exactly sized
// heap buffers, so a byte read or written past them is caught, and checks that
// lines lie in the text, both splittings agree and results end in a NUL.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "file/line_iterator.h"
#include "hostutil.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

std::uint32_t take(const std::uint8_t*& data, std::size_t& size, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes && size > 0; ++i, ++data, --size) v = (v << 8) | *data;
  return v;
}

void fuzz_lines(const std::uint8_t* data, std::size_t size, std::uint32_t lineNumber,
                std::uint32_t lineSize) {
  const auto textLength = static_cast<std::uint32_t>(size);
  // The text exactly as long as textLength, with or without a NUL inside.
  std::unique_ptr<char[]> text(new char[textLength == 0 ? 1 : textLength]);
  if (textLength != 0) std::memcpy(text.get(), data, textLength);
  std::unique_ptr<char[]> line(new char[lineSize]);
  std::memset(line.get(), 0x5A, lineSize);

  const std::uint32_t got =
      GetFileOneLine(text.get(), textLength, lineNumber, line.get(), lineSize);
  check(got <= 1);
  if (got == 1) check(std::memchr(line.get(), '\0', lineSize) != nullptr);

  // The iterator: every line inside the text, in order, and line lineNumber
  // the same as GetFileOneLine's.
  hostutil::file::line_iterator lines(text.get(), textLength);
  hostutil::file::line_view view{};
  const char* previous_end = text.get();
  std::uint32_t count = 0;
  bool matched = false;
  while (lines.next(view)) {
    ++count;
    check(view.data >= previous_end);
    check(view.data + view.length <= text.get() + textLength);
    previous_end = view.data + view.length;
    if (count == lineNumber) {
      matched = true;
      check(got == 1);
      const std::uint32_t n = view.length < lineSize - 1 ? view.length : lineSize - 1;
      check(std::memcmp(line.get(), view.data, n) == 0);
      for (std::uint32_t i = n; i < lineSize; ++i) check(line[i] == '\0');
    }
  }
  check(!lines.next(view));
  if (!matched && lineNumber != 0 && textLength != 0) check(got == 0);
}

void fuzz_dump(const std::uint8_t* data, std::size_t size, std::uint32_t bytesPerLine,
               std::int32_t slack) {
  const auto dataSize = static_cast<std::uint32_t>(size);
  const std::uint32_t reported = GetSizeOfBinDataDumpFile(dataSize, bytesPerLine);
  std::int64_t wanted = static_cast<std::int64_t>(reported) + slack;
  if (wanted < 1) wanted = 1;
  if (wanted > (1 << 22)) return;
  const auto bufferSize = static_cast<std::uint32_t>(wanted);
  std::unique_ptr<char[]> buffer(new char[bufferSize]);
  std::memset(buffer.get(), 0x5A, bufferSize);
  const std::uint32_t n =
      CreateBinDataDumpFile(data, dataSize, buffer.get(), bufferSize, bytesPerLine);
  if (n == 0) return;
  check(bufferSize >= reported);
  check(n < bufferSize);
  check(buffer[n] == '\0');
  check(std::strlen(buffer.get()) == n);
  const char header[] = "Addr +";
  check(std::memcmp(buffer.get(), header, n < 6 ? n : 6) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint32_t lineNumber = take(data, size, 1);
  const std::uint32_t lineSize = 1 + take(data, size, 1);
  const std::uint32_t bytesPerLine = take(data, size, 2) % 600;
  const auto slack = static_cast<std::int32_t>(take(data, size, 1) % 16) - 8;
  fuzz_lines(data, size, lineNumber, lineSize);
  if (bytesPerLine == 0) {
    check(GetSizeOfBinDataDumpFile(static_cast<std::uint32_t>(size), 0) == 0);
  } else if (size != 0) {
    fuzz_dump(data, size, bytesPerLine, slack);
  }
  return 0;
}
