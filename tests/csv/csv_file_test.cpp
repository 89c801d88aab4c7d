// MakeCSVFile and MakeJBKFile: line ends within records, new files and
// additions, existing files without a final line end, both limits and refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "hostutil.h"
#include "support/scratch_files.h"

namespace {

using namespace hostutil::test::files;

class CsvFiles : public table_test {
 protected:
  void SetUp() override {
    table_test::SetUp();
    out_ = path("out.csv");
  }
  void TearDown() override {
    FreeHeapArea(&area_);
    table_test::TearDown();
  }
  // The records written by `make` to the file (which held `before` unless it
  // is null), and then the file's bytes; the area is only read.
  std::string made(const std::vector<std::string>& texts, const char* before = nullptr,
                   uint32_t replace = 1, decltype(&MakeCSVFile) make = MakeCSVFile) {
    if (before != nullptr) put(out_, before);
    for (const std::string& t : texts) {
      EXPECT_EQ(AllocHeapAreaAndSetData(&area_, t.data(), static_cast<uint32_t>(t.size())), 1u);
    }
    EXPECT_EQ(make(out_.c_str(), area_, replace), 1u);
    EXPECT_EQ(area_->recordCount, texts.size());
    FreeHeapArea(&area_);
    return get(out_);
  }
  std::string out_;
  HeapAreaHead* area_ = nullptr;
};

TEST_F(CsvFiles, LineEndsInRecordsAndAddingToAFile) {
  // A record of CR LF alone ends a line, and one that begins with it starts
  // one; an existing file without a final line end gets one; a new file.
  const std::pair<std::vector<std::string>, std::string> rows[] = {
      {{"a", "b", "\r\nc", "d"}, "a,b\r\nc,d\r\n"},
      {{"a", "b", "\r\n", "c"}, "a,b\r\nc\r\n"},
      {{"\r\na,", "b"}, "\r\na,b\r\n"}};
  for (const auto& [records, file] : rows) EXPECT_EQ(made(records), file);
  EXPECT_EQ(made({"a", "b"}, "x,y", 0), "x,y\r\na,b\r\n");
  std::filesystem::remove(out_);
  EXPECT_EQ(made({"a"}, nullptr, 0), "a\r\n");
}

TEST_F(CsvFiles, RecordAndTextLimits) {
  // A CSV walk ends at a record of 5,120 bytes; a JBK file takes it.
  const std::string fits(5119, 'r'), too_long(5120, 'R');
  EXPECT_EQ(made({"a", fits, "b"}), "a," + fits + ",b\r\n");
  EXPECT_EQ(made({"a", too_long, "b"}), "a\r\n");
  EXPECT_EQ(made({too_long, "b"}), "\r\n");
  EXPECT_EQ(made({"a", too_long, "b"}, nullptr, 1, MakeJBKFile), "a," + too_long + ",b\r\n");
  // An existing file at the text limit is not added to, and not touched;
  // replacing starts afresh.
  constexpr uint32_t limit = 25'600'000;
  put(out_, std::string(limit, 'f'));
  ASSERT_EQ(AllocHeapAreaAndSetData(&area_, "a", 1), 1u);
  EXPECT_EQ(MakeCSVFile(out_.c_str(), area_, 0), 0u);
  EXPECT_EQ(std::filesystem::file_size(out_), limit);
  FreeHeapArea(&area_);
  EXPECT_EQ(made({"a"}, nullptr, 1), "a\r\n");
  // Records stop where the next would reach the limit; what was joined is written.
  std::string nearly(limit - 6, 'n');
  nearly.replace(nearly.size() - 2, 2, "\r\n");
  const std::string written = made({"abc", "def"}, nearly.c_str(), 0);
  EXPECT_EQ(written.size(), limit - 1);
  EXPECT_EQ(written.substr(written.size() - 8), "n\r\nabc\r\n");
  // One byte below the limit and no line end: no room to end the line, and
  // the file is written back as it was.
  EXPECT_EQ(made({"a"}, std::string(limit - 1, 'l').c_str(), 0).size(), limit - 1);
}

TEST_F(CsvFiles, RefusalsLeaveTheFileAlone) {
  ASSERT_EQ(AllocHeapAreaAndSetData(&area_, "a", 1), 1u);
  const HeapAreaHead not_a_head{};
  EXPECT_EQ(MakeCSVFile(nullptr, area_, 1) + MakeCSVFile(out_.c_str(), nullptr, 1) +
                MakeCSVFile(out_.c_str(), &not_a_head, 1) +
                MakeJBKFile(out_.c_str(), &not_a_head, 1),
            0u);
  EXPECT_FALSE(std::filesystem::exists(out_));
  EXPECT_EQ(MakeCSVFile("", area_, 1), 1u);  // nothing can be written there, and that is not told
  // The scratch needs the semaphore table.
  put(out_, "old\r\n");
  SemaphoreControlEnd();
  EXPECT_EQ(MakeCSVFile(out_.c_str(), area_, 0) + MakeJBKFile(out_.c_str(), area_, 0), 0u);
  EXPECT_EQ(get(out_), "old\r\n");
  SemaphoreControlBegin();
}

}  // namespace
