// The CSV item functions on any line and item: answers inside the line, results
// in exact-size buffers that end in a NUL, items that come back as they went
// in, and the joining of records that never passes its block.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "csv/csv_join.h"
#include "hostutil.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

const char* const separators[] = {",", ";", "\t", "::", "\""};

// A buffer of exactly size bytes: the result ends in a NUL inside it and the
// bytes behind the result stay cleared.
void check_output(const std::vector<char>& buffer) {
  const size_t n = strnlen(buffer.data(), buffer.size());
  check(n < buffer.size());
  for (size_t i = n; i < buffer.size(); ++i) check(buffer[i] == '\0');
}

void walk(const std::string& line, uint32_t size, int variant, const char* sep) {
  const char* at = line.c_str();
  const char* end = line.c_str() + line.size();
  for (int items = 0; at != nullptr && items <= static_cast<int>(line.size()) + 1; ++items) {
    std::vector<char> buffer(size, 'x');
    const char* next = nullptr;
    switch (variant) {
      case 0:
        next = GetCSVOneItem(at, buffer.data(), size);
        break;
      case 1:
        next = GetCSVOneItem2(at, buffer.data(), size, sep);
        break;
      case 2:
        next = GetCSVOneItem3(at, buffer.data(), size, sep);
        break;
      default:
        next = GetCSVOneItemEx(at, buffer.data(), size, sep);
        break;
    }
    check_output(buffer);
    check(next == nullptr || (next > at && next <= end));
    at = next;
  }
  check(at == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Outputs above 512 bytes build quoted items in registered allocations.
  SemaphoreControlBegin();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint32_t buffer_size = 1 + (data[0] | (data[1] & 3) << 8);
  const char* sep = separators[data[2] % 5];
  const std::string text(reinterpret_cast<const char*>(data) + 3, size - 3);
  const std::string line = text.substr(0, text.find('\0'));

  for (int variant = 0; variant < 4; ++variant) walk(line, buffer_size, variant, sep);

  // Encoders: exact-size output, and the matching decoder gives the item back.
  std::vector<char> made(buffer_size, 'x');
  std::vector<char> back(line.size() + 1, 'x');
  if (MakeCSVOneItem(line.c_str(), made.data(), buffer_size) == 1) {
    check_output(made);
    check(GetCSVOneItem(made.data(), back.data(), static_cast<uint32_t>(back.size())) == nullptr);
    check(line == back.data());
  } else {
    check(made[0] == '\0');
  }
  made.assign(buffer_size, 'x');
  if (MakeCSVOneItem3(line.c_str(), made.data(), buffer_size, sep, 1) == 1) {
    check_output(made);
    // A quoted item's closing quote is followed by the NUL, an unquoted one
    // holds neither separator nor quote: either way it is a whole last item.
    back.assign(line.size() + 1, 'x');
    check(GetCSVOneItem3(made.data(), back.data(), static_cast<uint32_t>(back.size()), sep) ==
          nullptr);
    check(line == back.data());
  }
  made.assign(buffer_size, 'x');
  if (MakeCSVOneItem2(line.c_str(), made.data(), buffer_size, sep) == 1) check_output(made);

  // Records joined in a block of a small limit never pass it.
  const uint32_t limit = 1 + data[1] % 64;
  std::vector<char> block(limit, '\0');
  hostutil::csv::joined_text joined(block.data(), limit, 0);
  for (size_t at = 0; at < line.size();) {
    const size_t n = 1 + static_cast<uint8_t>(line[at]) % 5;
    const std::string record = line.substr(at, n);
    at += n;
    if (!joined.add(record.c_str(), static_cast<uint32_t>(strnlen(record.c_str(), n)))) break;
  }
  joined.finish();
  check(joined.length() < limit && block[joined.length()] == '\0');
  return 0;
}
