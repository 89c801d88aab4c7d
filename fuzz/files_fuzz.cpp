// The file subsystem on any input: GetFileOneLine against the line rules written
// out plainly, with line buffers of every size; the dump text against its layout;
// real files written, read back, found, timed, tested and moved; the time
// conversions and differences. Every output buffer is fenced by canaries.
#include <cstdio>
#include <ctime>

#include "fuzz_support.h"

namespace {

// Line lineNumber of a text of textLength bytes, as the line rules give it;
// false when there is none. The search for CR stops at the text's NUL.
bool line_model(const std::string& text, std::uint32_t lineNumber, std::string& line) {
  const std::size_t end = std::min(text.find('\0'), text.size());
  std::size_t at = 0;
  for (std::uint32_t n = 1; n < lineNumber; ++n) {
    const std::size_t cr = text.find('\r', at);
    if (cr >= end || cr + 1 == end) return false;
    at = cr + 2;
    if (at < end && text[at] == '\x0C') ++at;
  }
  if (lineNumber == 0 || at >= end) return false;
  const std::size_t cr = text.find('\r', at);
  line = text.substr(at, (cr < end ? cr : text.size()) - at);
  return true;
}

void lines(const std::string& text, std::uint32_t lineNumber, std::uint32_t lineSize) {
  const std::vector<char> exact(text.begin(), text.end());  // no NUL behind it
  fuzz::fenced line(lineSize);
  const auto length = static_cast<std::uint32_t>(text.size());
  const std::uint32_t got = GetFileOneLine(exact.data(), length, lineNumber, line.data(), lineSize);
  std::string expected;  // cut to the buffer, zeros behind
  const bool exists = length != 0 && lineSize != 0 && line_model(text, lineNumber, expected);
  check(got == exists && (!exists || line.holds(expected.substr(0, lineSize - 1))));
}

std::string dump_model(const std::string& data, std::uint32_t b) {
  const auto hex = [](const char* format, std::size_t value) {
    char item[32];
    return std::string(item,
                       static_cast<std::size_t>(std::snprintf(item, sizeof item, format, value)));
  };
  std::string text = "Addr +";
  for (std::uint32_t i = 0; i < b; ++i) text += hex(" %02zx", i);
  text += "\r\n" + std::string(text.size() + 1, '-') + "\r\n";
  for (std::size_t at = 0; at < data.size(); at += b) {
    text += hex("%04zx :", at);
    for (std::size_t i = at; i < at + b && i < data.size(); ++i)
      text += hex(" %02zx", static_cast<unsigned char>(data[i]));
    text += "\r\n";
  }
  return text;
}

// Buffers around the reported size: below it nothing, above the whole text
// the whole text; in between, no more than the buffer holds.
void dump(const std::string& data, std::uint32_t b, std::int32_t slack) {
  const auto size = static_cast<std::uint32_t>(data.size());
  const std::uint32_t reported = GetSizeOfBinDataDumpFile(size, b);
  if (b == 0 || size == 0) return check(reported == 0 || b != 0);
  const std::string whole = dump_model(data, b);
  const auto buffer_size = static_cast<std::uint32_t>(std::max<std::int64_t>(0, reported + slack));
  fuzz::fenced buffer(buffer_size);
  const std::uint32_t n = CreateBinDataDumpFile(data.data(), size, buffer.data(), buffer_size, b);
  if (n == 0) {
    check(buffer_size < reported || buffer_size <= whole.size());
    return check(buffer.untouched());
  }
  check(buffer_size >= reported && buffer.cleared_text() && std::strlen(buffer.data()) == n);
  check(whole.compare(0, n, buffer.data()) == 0);
  check(n == whole.size() || buffer_size <= whole.size());
}

// 100-nanosecond ticks since 1601: of a file time, of the clock now.
std::uint64_t ticks_now() { return std::time(nullptr) * 10000000ull + 116444736000000000ull; }
std::uint64_t ticks(hu_FILETIME t) {
  return std::uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime;
}

// A file named from the input written, read back in buffers of any size, found,
// timed, its drive typed, tested, moved and deleted.
void files(std::string name, const std::string& bytes, std::uint32_t buffer_size,
           std::uint32_t flags) {
  std::replace_if(
      name.begin(), name.end(), [](char c) { return std::strchr("/*?[", c); }, '_');
  if (name.empty() || name == "." || name == "..") name = "f";
  const std::string path = fuzz::scratch(name);
  const char* const p = path.c_str();
  const std::string moved = fuzz::scratch(name + ".moved");
  const auto size = static_cast<std::uint32_t>(bytes.size());
  const std::uint64_t before = ticks_now();
  check(FileWrite(p, bytes.data(), size) == size);
  check(fuzz::get(path) == bytes && FileSizeGet(p) == size);
  check(GetDriveTypeEx(p) <= 6 && GetDriveTypeEx(name.c_str()) <= 6 &&
        GetDriveTypeEx(nullptr) == 0);
  if (size == 0) fuzz::put(path, "");  // nothing written, nothing created
  fuzz::fenced buffer(buffer_size);    // whole or nothing, and never cleared
  const std::uint32_t n = FileRead(p, buffer.data(), buffer_size);
  check(n == (size != 0 && buffer_size >= size ? size : 0));
  check(buffer.all() == bytes.substr(0, n) + std::string(buffer_size - n, 'Z'));
  fuzz::fenced found(sizeof(hu_WIN32_FIND_DATAA));
  check(FindAndGetInformationOfFile(p, found.as<hu_WIN32_FIND_DATAA>()) == 1);
  const hu_WIN32_FIND_DATAA& record = *found.as<hu_WIN32_FIND_DATAA>();
  check(record.nFileSizeLow == size && name == record.cFileName &&
        FileAttributesGet(p) == record.dwFileAttributes);
  fuzz::fenced times(3 * sizeof(hu_FILETIME));
  hu_FILETIME* t = times.as<hu_FILETIME>();
  check(CreateFileTimeGet(p, &t[0]) == 1 && LastAccessFileTimeGet(p, &t[1]) == 1 &&
        LastWriteFileTimeGet(p, &t[2]) == 1);
  check(ticks(t[2]) + 20000000 >= before && ticks(t[2]) <= ticks_now() + 20000000);

  if ((flags & 1) != 0) FileAttributesSet(p, 0x1);  // read-only: the test clears it
  const std::uint32_t test = PreFileWrite(p);
  check(size == 0 ? test >= 4 && test <= 9 : test == 0 && (FileAttributesGet(p) & 1) == 0);
  check(fuzz::get(path) == bytes);
  check(FileMove(p, moved.c_str()) != 0 && fuzz::get(moved) == bytes);
  check(FileAttributesGet(p) == HOSTUTIL_FILE_MISSING && CreateFileTimeGet(p, &t[0]) == 0);
  check(FileDelete(moved.c_str()) != 0 && FileSizeGet(moved.c_str()) == 0);
  check(CreateFolder(fuzz::scratch("").c_str(), name.c_str()) == 1 &&
        (FileAttributesGet(p) & 0x10) != 0);
  std::filesystem::remove(path);
}

// Calendar and file times both ways, and the differences in three units.
void times(hu_FILETIME later, hu_FILETIME earlier, const hu_SYSTEMTIME& calendar) {
  fuzz::fenced out(sizeof(hu_SYSTEMTIME) + sizeof(hu_FILETIME));
  auto* st = out.as<hu_SYSTEMTIME>();
  auto* ft = reinterpret_cast<hu_FILETIME*>(st + 1);
  if (CalculateFileTimeToSystemTime(&later, st) != 0) {
    check(st->wMonth >= 1 && st->wMonth <= 12 && st->wDay >= 1 && st->wDay <= 31 &&
          st->wHour < 24 && st->wMinute < 60 && st->wSecond < 60 && st->wMilliseconds < 1000 &&
          st->wDayOfWeek < 7);
    // Back to the millisecond; calendar times end with the year 30827.
    check(CalculateSystemTimeToFileTime(st, ft) == (st->wYear <= 30827) &&
          (st->wYear > 30827 || ticks(*ft) == ticks(later) - ticks(later) % 10000));
  }
  if (CalculateSystemTimeToFileTime(&calendar, ft) != 0) {
    check(CalculateFileTimeToSystemTime(ft, st) != 0);
    hu_SYSTEMTIME same = calendar;  // the day of the week is worked out
    same.wDayOfWeek = st->wDayOfWeek;
    check(std::memcmp(&same, st, sizeof same) == 0);
  }
  const double seconds = CalculateSubstructOfFILETIMEToSecond(later, earlier);
  check(seconds ==
        (static_cast<double>(ticks(later)) - static_cast<double>(ticks(earlier))) / 10000000.0);
  check(CalculateSubstructOfFILETIMEToMinute(later, earlier) == seconds / 60.0);
  check(CalculateSubstructOfFILETIMEToHour(later, earlier) == seconds / 60.0 / 60.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::input in{data, size};
  const std::uint32_t pick = in.byte();
  const std::uint32_t a = in.u16();
  const std::uint32_t b = in.u16();
  if (pick % 5 == 0) {
    lines(in.rest(), a % 64, b % 300);
  } else if (pick % 5 == 1) {
    dump(in.rest(), a % 600, static_cast<std::int32_t>(b % 32) - 16);
  } else if (pick % 5 == 2) {
    const std::string name = in.text(30);
    files(name, in.rest(), a % 300, b);
  } else {
    struct {
      hu_FILETIME later, earlier;
      hu_SYSTEMTIME calendar;
    } t;
    std::memcpy(&t, (in.bytes(sizeof t) + std::string(sizeof t, '\0')).data(), sizeof t);
    times(t.later, t.earlier, t.calendar);
  }
  return 0;
}
