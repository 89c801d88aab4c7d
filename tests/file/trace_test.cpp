// The trace file byte for byte after a fresh start: the record's stamp, and the
// failures (the layout, the wrap after 161 records and files found in place:
// the fuzz target). The program seems to live in the scratch folder, so no
// trace file appears beside the test program.
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

  // Traces and checks the whole file, which starts afresh: the record (message,
  // value and a stamp taken between the local times just before and after the
  // call), then NULs.
  void trace_and_check(const char* text, uint32_t value) {
    hu_SYSTEMTIME before{}, after{};
    LocalTimeGet(&before);
    ASSERT_EQ(Trace(text, value), log_size);
    LocalTimeGet(&after);
    const std::string now = get(path("trace.txt")), stamp = now.substr(100, 23);
    EXPECT_TRUE(stamp >= stamp_text(before) && stamp <= stamp_text(after)) << stamp;
    char record[record_size + 1];
    std::snprintf(record, sizeof record, "%-86.86s : %08x <<%s>>\r\n", text,
                  static_cast<unsigned>(value), stamp.c_str());
    EXPECT_EQ(now, record + std::string(log_size - record_size, '\0'));
  }

 private:
  std::optional<program_path> program_;
};

// Messages cut and padded, values of eight digits, at most 161 records and
// then afresh, and the files found in place (shorter than the log with
// finished lines, larger than the log, empty, an unfinished last line short or
// long, full without a NUL or an LF, an LF as the very last byte) are the fuzz
// target's, against the appending rule, on kept inputs of those messages and
// files. Here the stamp, and the failures.
TEST_F(TraceLog, FailuresLoseTheLogButNothingElse) {
  ASSERT_EQ(Trace("one", 1), log_size);
  {
    // The new file cannot be made after the old one was deleted.
    fail_nth<&system_calls::file_open_write> fault(1, nullptr);
    EXPECT_EQ(Trace("two", 2), 0u);
    EXPECT_FALSE(std::filesystem::exists(path("trace.txt")));
  }
  trace_and_check("three", 3);
  {
    fail_nth<&system_calls::file_read> fault(1, false);  // a failed read starts afresh as well
    trace_and_check("four", 4);
  }
  // A folder that does not exist: no trace file comes into being.
  program_path elsewhere(program_at(path("missing") + sep() + "prog.exe"));
  EXPECT_EQ(Trace("nowhere", 5), 0u);
  EXPECT_FALSE(std::filesystem::exists(path("missing")));
}

}  // namespace
