// MakeCSVFile and MakeJBKFile: the joining rule byte for byte, new files and
// additions, existing files without a final line end, and both limits.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "csv/csv_join.h"
#include "hostutil.h"
#include "profile/profile_fixture.h"

namespace {

using hostutil::test::read_bytes;
using hostutil::test::write_bytes;

class CsvFiles : public hostutil::test::ScratchFiles {
 protected:
  void SetUp() override {
    ScratchFiles::SetUp();
    path_ = folder_ + "out.csv";
  }
  void TearDown() override {
    FreeHeapArea(&area_);
    ScratchFiles::TearDown();
  }

  void records(const std::vector<std::string>& texts) {
    for (const std::string& t : texts) {
      ASSERT_EQ(AllocHeapAreaAndSetData(&area_, t.data(), static_cast<uint32_t>(t.size())), 1u);
    }
  }
  // Writes the records as a new file (or added to before when given) and
  // answers the file's bytes.
  std::string made(const std::vector<std::string>& texts, const char* before = nullptr,
                   uint32_t replace = 1) {
    if (before != nullptr) write_bytes(path_, before);
    records(texts);
    EXPECT_EQ(MakeCSVFile(path_.c_str(), area_, replace), 1u);
    FreeHeapArea(&area_);
    return read_bytes(path_);
  }

  std::string path_;
  HeapAreaHead* area_ = nullptr;
};

TEST_F(CsvFiles, JoiningRule) {
  EXPECT_EQ(made({"a", "b", "\r\nc", "d"}), "a,b\r\nc,d\r\n");
  EXPECT_EQ(made({"a", "b", "\r\n", "c"}), "a,b\r\nc\r\n");
  EXPECT_EQ(made({"a", ",b"}), "a,b\r\n");
  EXPECT_EQ(made({"\r\na,", "b"}), "\r\na,b\r\n");
  EXPECT_EQ(made({"a,", "b"}), "a,,b\r\n");
  EXPECT_EQ(made({"a", std::string("\0z", 2)}), "a,\r\n");
  EXPECT_EQ(made({"a\r\n", "b"}), "a\r\nb\r\n");
  EXPECT_EQ(made({"\"x,y\"", "\r\n\"q\"\"\"", ",,", "z"}), "\"x,y\"\r\n\"q\"\"\",,z\r\n");
}

TEST_F(CsvFiles, AddingAndReplacing) {
  EXPECT_EQ(made({"a", "b"}, "x,y", 0), "x,y\r\na,b\r\n");
  EXPECT_EQ(made({"a", "b"}, "x,y", 1), "a,b\r\n");
  EXPECT_EQ(made({"a", "b"}, "x,y\r\n", 0), "x,y\r\na,b\r\n");
  EXPECT_EQ(made({"c"}, nullptr, 0), "x,y\r\na,b\r\nc\r\n");
  EXPECT_EQ(made({"a"}, "x", 0), "x\r\na\r\n");
  std::filesystem::remove(path_);
  EXPECT_EQ(made({"a"}, nullptr, 0), "a\r\n");
  // The area is only read.
  records({"p", "q"});
  ASSERT_EQ(MakeCSVFile(path_.c_str(), area_, 1), 1u);
  ASSERT_EQ(MakeJBKFile(path_.c_str(), area_, 0), 1u);
  EXPECT_EQ(read_bytes(path_), "p,q\r\np,q\r\n");
  EXPECT_EQ(area_->recordCount, 2u);
}

TEST_F(CsvFiles, RecordLimit) {
  const std::string fits(5119, 'r');
  const std::string too_long(5120, 'R');
  EXPECT_EQ(made({"a", fits, "b"}), "a," + fits + ",b\r\n");
  EXPECT_EQ(made({"a", too_long, "b"}), "a\r\n");
  EXPECT_EQ(made({too_long, "b"}), "\r\n");
  // A JBK file takes records far longer.
  records({"a", too_long, "b"});
  ASSERT_EQ(MakeJBKFile(path_.c_str(), area_, 1), 1u);
  EXPECT_EQ(read_bytes(path_), "a," + too_long + ",b\r\n");
}

TEST_F(CsvFiles, TextLimit) {
  constexpr uint32_t limit = 25'600'000;
  // An existing file at the limit is not added to, and not touched.
  const std::string full(limit, 'f');
  write_bytes(path_, full);
  records({"a"});
  EXPECT_EQ(MakeCSVFile(path_.c_str(), area_, 0), 0u);
  EXPECT_EQ(std::filesystem::file_size(path_), limit);
  // Replacing starts afresh.
  EXPECT_EQ(MakeCSVFile(path_.c_str(), area_, 1), 1u);
  EXPECT_EQ(read_bytes(path_), "a\r\n");
  FreeHeapArea(&area_);

  // Records stop where the next would reach the limit; what was joined is written.
  std::string nearly(limit - 6, 'n');
  nearly.replace(nearly.size() - 2, 2, "\r\n");
  write_bytes(path_, nearly);
  records({"abc", "def"});
  EXPECT_EQ(MakeCSVFile(path_.c_str(), area_, 0), 1u);
  std::string written = read_bytes(path_);
  EXPECT_EQ(written.size(), limit - 1);
  EXPECT_EQ(written.substr(written.size() - 8), "n\r\nabc\r\n");
  FreeHeapArea(&area_);

  // One byte below the limit and no line end: there is no room to end the
  // line, and the file is written back as it was.
  const std::string last(limit - 1, 'l');
  write_bytes(path_, last);
  records({"a"});
  EXPECT_EQ(MakeCSVFile(path_.c_str(), area_, 0), 1u);
  EXPECT_EQ(std::filesystem::file_size(path_), limit - 1);
}

TEST_F(CsvFiles, RefusalsLeaveTheFileAlone) {
  records({"a"});
  EXPECT_EQ(MakeCSVFile(nullptr, area_, 1), 0u);
  EXPECT_EQ(MakeCSVFile(path_.c_str(), nullptr, 1), 0u);
  const HeapAreaHead not_a_head{};
  EXPECT_EQ(MakeCSVFile(path_.c_str(), &not_a_head, 1), 0u);
  EXPECT_EQ(MakeJBKFile(path_.c_str(), &not_a_head, 1), 0u);
  EXPECT_EQ(read_bytes(path_), "<missing>");
  // Nothing can be written to an empty path, and that is not reported.
  EXPECT_EQ(MakeCSVFile("", area_, 1), 1u);
  // The scratch needs the semaphore table.
  write_bytes(path_, "old\r\n");
  SemaphoreControlEnd();
  EXPECT_EQ(MakeCSVFile(path_.c_str(), area_, 0), 0u);
  EXPECT_EQ(MakeJBKFile(path_.c_str(), area_, 0), 0u);
  EXPECT_EQ(read_bytes(path_), "old\r\n");
  SemaphoreControlBegin();
}

// The joining over a block of any limit, where the edges are cheap to reach.
TEST(JoinedText, NothingPastTheBlock) {
  for (uint32_t limit = 1; limit < 12; ++limit) {
    std::string block(limit + 4, '\0');
    block.replace(limit, 4, "ZZZZ");
    hostutil::csv::joined_text text(block.data(), limit, 0);
    for (const char* r : {"ab", "\r\nc", ",d", "e"}) {
      if (!text.add(r, static_cast<uint32_t>(std::strlen(r)))) break;
    }
    text.finish();
    EXPECT_LT(text.length(), limit);
    EXPECT_EQ(block.substr(limit), "ZZZZ") << limit;
    EXPECT_EQ(block[text.length()], '\0');
  }
  std::string block(16, '\0');
  hostutil::csv::joined_text text(block.data(), 7, 0);
  EXPECT_TRUE(text.add("abc", 3));   // 0 + 3 + 1 is below 7
  EXPECT_FALSE(text.add("def", 3));  // 3 + 3 + 1 reaches it
  EXPECT_TRUE(text.add(",", 1));     // 3 + 1 + 1 does not
  text.finish();                     // 4 + 2 is below 7
  EXPECT_EQ(std::string(text.data(), text.length()), "abc,\r\n");
}

}  // namespace
