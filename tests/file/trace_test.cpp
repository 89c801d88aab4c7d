// The trace file byte for byte: record layout, the 20,480-byte file, the wrap
// after 161 records and failures (files found in place: the fuzz target). The
// program seems to live in the scratch folder, so no trace file appears beside
// the test program.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "hostutil.h"
#include "support/file_faults.h"
#include "support/scratch_files.h"
#include "support/stand_in.h"

namespace {

using namespace hostutil::test;
using namespace hostutil::test::files;
using hostutil::os::system_calls;

constexpr size_t log_size = 20480, record_size = 127;

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
    program_.emplace(program_at(path("prog.exe")));
  }
  std::string log() const { return get(path("trace.txt")); }

  // Traces and checks the whole file: the bytes before offset as they were,
  // the record there (message, value and a stamp taken between the local times
  // just before and after the call), then NULs.
  void trace_and_check(const char* text, uint32_t value, size_t offset) {
    std::string want = log().substr(0, offset);
    want.resize(log_size, '\0');
    hu_SYSTEMTIME before{}, after{};
    LocalTimeGet(&before);
    ASSERT_EQ(Trace(text, value), log_size);
    LocalTimeGet(&after);
    const std::string now = log(), stamp = now.substr(offset + 100, 23);
    EXPECT_TRUE(stamp >= stamp_text(before) && stamp <= stamp_text(after)) << stamp;
    char record[record_size + 1];
    std::snprintf(record, sizeof record, "%-86.86s : %08x <<%s>>\r\n", text ? text : "",
                  static_cast<unsigned>(value), stamp.c_str());
    want.replace(offset, record_size, record);
    EXPECT_EQ(now, want);
  }

 private:
  std::optional<program_path> program_;
};

// Messages cut and padded, values of eight digits; at most 161 records, then afresh.
TEST_F(TraceLog, RecordsCutPaddedAndStartedAfreshAfter161) {
  trace_and_check(std::string(100, 'L').c_str(), 0xFFFFFFFFu, 0);
  trace_and_check(nullptr, 0, record_size);
  trace_and_check(std::string(86, 'x').c_str(), 0xABCu, 2 * record_size);
  for (uint32_t i = 3; i < 160; ++i) ASSERT_EQ(Trace("record", i), log_size);
  ASSERT_EQ(log().substr(159 * record_size + 89, 8), "0000009f");
  trace_and_check("the 161st", 160, 160 * record_size);  // the last at 20,320
  trace_and_check("the 162nd", 161, 0);
}

// Files found in place (shorter than the log with finished lines, larger than
// the log, empty, an unfinished last line short or long, full without a NUL or
// an LF, an LF as the very last byte) are the fuzz target's, against the
// appending rule, on kept inputs of those files.

TEST_F(TraceLog, FailuresLoseTheLogButNothingElse) {
  ASSERT_EQ(Trace("one", 1), log_size);
  {
    // The new file cannot be made after the old one was deleted.
    fail_nth<&system_calls::file_open_write> fault(1, nullptr);
    EXPECT_EQ(Trace("two", 2), 0u);
    EXPECT_FALSE(std::filesystem::exists(path("trace.txt")));
  }
  trace_and_check("three", 3, 0);
  {
    fail_nth<&system_calls::file_read> fault(1, false);  // a failed read starts afresh as well
    trace_and_check("four", 4, 0);
  }
  // A folder that does not exist: no trace file comes into being.
  program_path elsewhere(program_at(path("missing") + sep() + "prog.exe"));
  EXPECT_EQ(Trace("nowhere", 5), 0u);
  EXPECT_FALSE(std::filesystem::exists(path("missing")));
}

}  // namespace
