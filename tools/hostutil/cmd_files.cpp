// hostutil dump / trace / filetime / writable, and the tour's step for files,
// file times, the trace log and dump text.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "host.h"

namespace {

// The dump text of bytes, whole: the reported size can fall short of the text
// by one character, and by one more per line whose offset has five digits.
std::string dump_text(const std::string& bytes, uint32_t width) {
  const auto size = static_cast<uint32_t>(bytes.size());
  const uint32_t lines = size / width + 1;
  std::vector<char> text(GetSizeOfBinDataDumpFile(size, width) + lines + 2);
  const uint32_t n = CreateBinDataDumpFile(bytes.data(), size, text.data(),
                                           static_cast<uint32_t>(text.size()), width);
  return std::string(text.data(), n);
}

int print_dump(const std::string& path, uint32_t width) {
  if (width == 0) return host::fail(2, "hostutil dump: the width must be at least 1");
  const auto bytes = host::read_file(path);
  if (!bytes || bytes->empty()) {
    return host::fail(1, "hostutil dump: cannot read " + path + " (missing, empty or in use)");
  }
  const std::string text = dump_text(*bytes, width);
  if (text.empty()) {
    return host::fail(1, "hostutil dump: the dump of " + std::to_string(bytes->size()) +
                             " bytes does not fit in memory");
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

int append_trace(const std::string& text, const std::string& value_text) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(value_text.c_str(), &end, 0);
  if (value_text.empty() || *end != '\0' || value > 0xFFFFFFFFull) {
    return host::fail(2,
                      "hostutil trace: VALUE must be a 32-bit number (decimal, or hex after 0x)");
  }
  char path[260];
  GetFilePath("trace.txt", path, sizeof path);
  const uint32_t written = Trace(text.c_str(), static_cast<uint32_t>(value));
  if (written == 0) {
    return host::fail(
        1, std::string("hostutil trace: cannot write ") + (path[0] ? path : "trace.txt"));
  }
  std::cout << path << ": " << written << " bytes\n";
  return 0;
}

std::string calendar_text(const hu_SYSTEMTIME& t) {
  char text[48];
  std::snprintf(text, sizeof text, "%04u/%02u/%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
  return text;
}

// A file time (UTC) as the local calendar time of that instant, by the C
// library's time-zone rules; the milliseconds come from the ticks.
std::string local_text(const hu_FILETIME& utc) {
  const uint64_t ticks = (uint64_t{utc.dwHighDateTime} << 32) | utc.dwLowDateTime;
  const auto seconds = static_cast<std::time_t>(ticks / 10000000 - 11644473600ull);
  const std::tm* local = std::localtime(&seconds);
  if (local == nullptr) return "(not a local time)";
  const auto field = [](auto value) { return static_cast<uint16_t>(value); };
  // Year, month, day of the week (not shown), day, hour, minute, second, millisecond.
  return calendar_text({field(local->tm_year + 1900), field(local->tm_mon + 1), 0,
                        field(local->tm_mday), field(local->tm_hour), field(local->tm_min),
                        field(local->tm_sec), field(ticks / 10000 % 1000)});
}

int print_file_times(const std::string& path) {
  hu_FILETIME created{}, accessed{}, written{};
  if (CreateFileTimeGet(path.c_str(), &created) == 0 ||
      LastAccessFileTimeGet(path.c_str(), &accessed) == 0 ||
      LastWriteFileTimeGet(path.c_str(), &written) == 0) {
    return host::fail(1, "hostutil filetime: no file matches " + path);
  }
  const struct {
    const char* name;
    const hu_FILETIME& time;
  } rows[] = {{"created", created}, {"accessed", accessed}, {"written", written}};
  for (const auto& row : rows) {
    hu_SYSTEMTIME utc{};
    CalculateFileTimeToSystemTime(&row.time, &utc);
    std::cout << row.name << std::string(10 - std::strlen(row.name), ' ') << local_text(row.time)
              << "  (UTC " << calendar_text(utc) << ")\n";
  }
  return 0;
}

// By code, HOSTUTIL_PREWRITE_OK (0) to HOSTUTIL_PREWRITE_FAILED_OTHER (9).
const char* const write_test_meanings[] = {
    "can be written (written back with its own contents)",
    "no path",
    "no such file",
    "not tested: a folder, or a system, temporary, compressed or similar file",
    "cannot be written (fixed disk)",
    "on a CD-ROM or DVD",
    "cannot be written (removable medium)",
    "cannot be written (RAM disk)",
    "cannot be written (network drive)",
    "cannot be written (unknown drive)",
};
static_assert(std::size(write_test_meanings) == HOSTUTIL_PREWRITE_FAILED_OTHER + 1);

const char* write_test_meaning(uint32_t code) {
  return code < std::size(write_test_meanings) ? write_test_meanings[code] : "unknown code";
}

// The write test takes its scratch memory from the registered allocations.
uint32_t write_test(const std::string& path) {
  host::library_session session;
  return PreFileWrite(path.c_str());
}

int print_write_test(const std::string& path) {
  const uint32_t code = write_test(path);
  std::cout << code << ": " << write_test_meaning(code) << "\n";
  return code == HOSTUTIL_PREWRITE_OK ? 0 : 1;
}

const bool commands = host::add_commands([](CLI::App& app) {
  auto* dump = app.add_subcommand("dump", "Print the hexadecimal dump text of a file");
  static std::string dump_file;
  static uint32_t width = 16;
  dump->add_option("FILE", dump_file, "file to dump")->required();
  dump->add_option("--width", width, "bytes per line")->capture_default_str();
  host::runs(dump, [] { return print_dump(dump_file, width); });

  auto* trace = app.add_subcommand(
      "trace", "Append a record to trace.txt beside the program (the library's trace log)");
  static std::string trace_text;
  static std::string trace_value = "0";
  trace->add_option("TEXT", trace_text, "message, cut to 86 characters")->required();
  trace->add_option("VALUE", trace_value, "32-bit value, decimal or 0x hex")->capture_default_str();
  host::runs(trace, [] { return append_trace(trace_text, trace_value); });

  auto* filetime = app.add_subcommand(
      "filetime", "Print a file's creation, last access and last write times (local time)");
  static std::string time_file;
  filetime->add_option("FILE", time_file, "file, folder or pattern")->required();
  host::runs(filetime, [] { return print_file_times(time_file); });

  auto* writable = app.add_subcommand(
      "writable", "Test whether a file can be written by writing it back unchanged");
  static std::string test_file;
  writable->add_option("FILE", test_file, "file to test")->required();
  host::runs(writable, [] { return print_write_test(test_file); });
});

const bool files_step = host::add_tour_step(
    {40, "Files, file times, the trace log and dump text", [](host::tour_context& t) {
       const std::string note = t.scratch + "note.txt";
       const std::string moved = t.scratch + "moved.txt";
       const std::string text = "first line\r\n\fsecond line\r\n";
       const auto size = static_cast<uint32_t>(text.size());
       bool ok = t.check(FileWrite(note.c_str(), text.data(), size) == size,
                         "wrote " + std::to_string(size) + " bytes to note.txt");
       std::vector<char> back(size);
       ok &= t.check(FileRead(note.c_str(), back.data(), size) == size &&
                         std::string(back.data(), size) == text,
                     "read them back with a buffer exactly as large as the file");
       char line[64];
       const bool got_line = GetFileOneLine(text.c_str(), size, 2, line, sizeof line) == 1;
       ok &=
           t.check(got_line && std::string(line) == "second line",
                   "line 2 is \"" + std::string(line) + "\" (the form feed belongs to the break)");

       hu_WIN32_FIND_DATAA found{};
       const std::string pattern = t.scratch + "*.txt";
       const bool listed = FindAndGetInformationOfFile(pattern.c_str(), &found) == 1;
       ok &= t.check(listed && std::string(found.cFileName) == "note.txt",
                     "*.txt lists " + std::string(found.cFileName));
       hu_FILETIME written{};
       hu_SYSTEMTIME utc{};
       const bool timed = LastWriteFileTimeGet(note.c_str(), &written) == 1 &&
                          CalculateFileTimeToSystemTime(&written, &utc) != 0;
       ok &= t.check(
           timed, "last written " + calendar_text(utc) + " UTC, " + local_text(written) + " local");
       char attributes[16];
       std::snprintf(attributes, sizeof attributes, "0x%" PRIx32, FileAttributesGet(note.c_str()));
       t.say(std::string("attributes ") + attributes);

       const bool moved_ok = FileMove(note.c_str(), moved.c_str()) != 0 &&
                             FileAttributesGet(note.c_str()) == HOSTUTIL_FILE_MISSING &&
                             FileSizeGet(moved.c_str()) == size;
       ok &= t.check(moved_ok, "moved note.txt to moved.txt");
       const uint32_t code = write_test(moved);
       ok &= t.check(
           code == HOSTUTIL_PREWRITE_OK,
           "write test of moved.txt: " + std::to_string(code) + ", " + write_test_meaning(code));

       const std::string dump = dump_text(text, 8);
       const std::string dump_path = t.scratch + "moved.dump";
       const bool dumped =
           !dump.empty() && FileWrite(dump_path.c_str(), dump.data(),
                                      static_cast<uint32_t>(dump.size())) == dump.size();
       ok &= t.check(dumped,
                     "dump text of " + std::to_string(size) + " bytes, 8 a line, in moved.dump:");
       for (size_t at = 0; at < dump.size();) {
         const size_t end = dump.find("\r\n", at);
         t.say("  " + dump.substr(at, end - at));
         at = end + 2;
       }
       return ok;
     }});

const bool trace_step = host::add_tour_step(
    {45, "The trace log beside the program",
     [](host::tour_context& t) {
       char trace_path[260];
       GetFilePath("trace.txt", trace_path, sizeof trace_path);
       const bool ok =
           t.check(Trace("hostutil tour", 40) == 20480, std::string("a record in ") + trace_path);
       const std::string log = host::read_file(trace_path).value_or("");
       const size_t last = log.rfind("hostutil tour");
       if (last != std::string::npos) t.say("  " + log.substr(last, 125));
       return ok & t.check(last != std::string::npos, "read back from the file");
     },
     true});

}  // namespace
