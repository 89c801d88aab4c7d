// The trace file byte for byte: record layout, the 20,480-byte file, the wrap
// after 161 records, foreign files and failures. The program seems to live in
// the scratch folder, so no trace file appears beside the test program.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "file_test_util.h"
#include "hostutil.h"
#include "support/file_faults.h"

namespace {

using namespace hostutil::test::files;
using hostutil::test::file_call;
using hostutil::test::file_fault;

constexpr size_t log_size = 20480;
constexpr size_t record_size = 127;

std::string stamp_text(const hu_SYSTEMTIME& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d:%03d", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
  return text;
}

class TraceLog : public scratch_test {
 protected:
  void SetUp() override {
    scratch_test::SetUp();
    program_.emplace(path("prog.exe"));
  }
  std::string trace_file() const { return path("trace.txt"); }

  // Traces and checks the record at offset: message, value and a stamp
  // taken between the local times just before and just after the call.
  void trace_and_check(const char* text, uint32_t value, size_t offset) {
    hu_SYSTEMTIME before{}, after{};
    LocalTimeGet(&before);
    ASSERT_EQ(Trace(text, value), log_size);
    LocalTimeGet(&after);
    const std::string log = get(trace_file());
    ASSERT_EQ(log.size(), log_size);
    const std::string record = log.substr(offset, record_size);
    std::string message = text != nullptr ? std::string(text).substr(0, 86) : "";
    message.resize(86, ' ');
    EXPECT_EQ(record.substr(0, 86), message);
    char value_text[16];
    std::snprintf(value_text, sizeof value_text, "%08x", static_cast<unsigned>(value));
    EXPECT_EQ(record.substr(86, 14), std::string(" : ") + value_text + " <<");
    const std::string stamp = record.substr(100, 23);
    EXPECT_GE(stamp, stamp_text(before));
    EXPECT_LE(stamp, stamp_text(after));
    EXPECT_EQ(record.substr(123), ">>\r\n");
  }

  // Every byte from offset on is NUL.
  static void expect_nuls_from(const std::string& log, size_t offset) {
    ASSERT_EQ(log.size(), log_size);
    EXPECT_EQ(log.find_first_not_of('\0', offset), std::string::npos) << offset;
  }

 private:
  std::optional<hostutil::test::fake_program_path> program_;
};

TEST_F(TraceLog, MessagesAreCutAndPaddedValuesHaveEightDigits) {
  ASSERT_FALSE(std::filesystem::exists(trace_file()));
  trace_and_check(std::string(100, 'L').c_str(), 0xFFFFFFFFu, 0);
  expect_nuls_from(get(trace_file()), record_size);
  trace_and_check(nullptr, 0, record_size);
  trace_and_check("", 0xABCu, 2 * record_size);
  trace_and_check(std::string(86, 'x').c_str(), 1, 3 * record_size);
  const std::string log = get(trace_file());
  EXPECT_EQ(log.substr(0, 86), std::string(86, 'L'));
  EXPECT_EQ(log.substr(record_size, 86), std::string(86, ' '));
  expect_nuls_from(log, 4 * record_size);
}

TEST_F(TraceLog, HoldsAtMost161RecordsThenStartsAfresh) {
  for (uint32_t i = 0; i < 161; ++i) ASSERT_EQ(Trace("record", i), log_size);
  std::string log = get(trace_file());
  for (uint32_t i = 0; i < 161; ++i) {
    char value_text[16];
    std::snprintf(value_text, sizeof value_text, "%08x", i);
    ASSERT_EQ(log.substr(i * record_size + 89, 8), value_text) << i;
    ASSERT_EQ(log.substr(i * record_size + 125, 2), "\r\n") << i;
  }
  EXPECT_EQ(log.substr(160 * record_size, 6), "record");  // the last at 20,320
  expect_nuls_from(log, 161 * record_size);               // 20,447 onwards
  trace_and_check("the 162nd", 161, 0);
  expect_nuls_from(get(trace_file()), record_size);
}

TEST_F(TraceLog, FilesFoundInPlace) {
  std::string partial = "line one\r\npartial";
  partial.resize(log_size, '\0');
  const struct {
    std::string start;  // the file before the call
    size_t offset;      // where the record goes; the bytes before it stay
    std::string after;  // the bytes behind the record, NULs behind them
  } cases[] = {
      // Shorter than the log, two finished lines: appended behind them.
      {"a\r\nb\r\n", 6, ""},
      // Larger than the log, or empty: a fresh log.
      {std::string(log_size + 1, 'x'), 0, ""},
      {"", 0, ""},
      // An unfinished last line is overwritten; a long one keeps its tail.
      {partial, 10, ""},
      {"line\r\n" + std::string(200, 'z'), 6, std::string(200 - record_size, 'z')},
      // Full, no NUL and no LF: the record goes to the start, the rest stays.
      {std::string(log_size, 'q'), 0, std::string(log_size - record_size, 'q')},
      // Full, no NUL, an LF as the very last byte: no room behind it, a fresh log.
      {std::string(log_size - 1, 'q') + "\n", 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start.substr(0, 12));
    put(trace_file(), c.start);
    trace_and_check("found", 7, c.offset);
    const std::string log = get(trace_file());
    EXPECT_EQ(log.substr(0, c.offset), c.start.substr(0, c.offset));
    const size_t end = c.offset + record_size;
    EXPECT_EQ(log.substr(end, c.after.size()), c.after);
    expect_nuls_from(log, end + c.after.size());
  }
}

TEST_F(TraceLog, FailuresLoseTheLogButNothingElse) {
  ASSERT_EQ(Trace("one", 1), log_size);
  {
    // The new file cannot be made after the old one was deleted.
    file_fault fault(file_call::open_write, 1);
    EXPECT_EQ(Trace("two", 2), 0u);
    EXPECT_FALSE(std::filesystem::exists(trace_file()));
  }
  trace_and_check("three", 3, 0);
  expect_nuls_from(get(trace_file()), record_size);
  {
    // A failed read starts afresh as well.
    file_fault fault(file_call::read, 1);
    trace_and_check("four", 4, 0);
  }
  expect_nuls_from(get(trace_file()), record_size);
  // A folder that does not exist: no trace file comes into being.
  hostutil::test::fake_program_path elsewhere(path("missing") + sep() + "prog.exe");
  EXPECT_EQ(Trace("nowhere", 5), 0u);
  EXPECT_FALSE(std::filesystem::exists(path("missing")));
}

}  // namespace
