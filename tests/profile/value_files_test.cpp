// Value files beside the running program: the path is the program's folder and
// the bare name, the writer creates nothing, and numbers go through "%d".
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "hostutil.h"
#include "profile_fixture.h"

namespace {

using namespace std::string_literals;
using hostutil::test::read_bytes;
using hostutil::test::write_bytes;

std::string program_folder() {
  const std::string self = hostutil::test::self_path();
  return self.substr(0, self.find_last_of("/\\") + 1);
}

class ValueFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    SemaphoreControlBegin();
    name_ = "hostutil-values-" +
            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".ini";
    path_ = program_folder() + name_;
  }
  void TearDown() override {
    std::remove(path_.c_str());
    EXPECT_TRUE(hostutil::test::no_scratch_left());
    SemaphoreControlEnd();
  }
  std::string name_;
  std::string path_;
};

TEST_F(ValueFiles, ReadAndWriteBesideTheProgram) {
  write_bytes(path_, "[Setup]\r\nMode=fast\r\nCount=3\r\n");
  char buffer[32];
  EXPECT_EQ(GetFileValueString(name_.c_str(), "Setup", "Mode", "slow", buffer, sizeof buffer), 4u);
  EXPECT_STREQ(buffer, "fast");
  EXPECT_EQ(GetFileValueInt(name_.c_str(), "Setup", "Count", 0), 3u);

  EXPECT_EQ(WriteFileValueString(name_.c_str(), "Setup", "Mode", "safe"), 1u);
  EXPECT_EQ(WriteFileValueInt(name_.c_str(), "Setup", "Count", 7), 1u);
  EXPECT_EQ(WriteFileValueInt(name_.c_str(), "Setup", "Low", -5), 1u);
  EXPECT_EQ(read_bytes(path_), "[Setup]\r\nLow=-5\r\nMode=safe\r\nCount=7\r\n");
  EXPECT_EQ(GetFileValueInt(name_.c_str(), "Setup", "Count", 0), 7u);
  // The reader takes digits only.
  EXPECT_EQ(GetFileValueInt(name_.c_str(), "Setup", "Low", 42), 42u);
  // Refusals of the writer are not passed on. An absent section leaves the
  // lines as they were, but the file's last line loses its line end.
  EXPECT_EQ(WriteFileValueString(name_.c_str(), "", "k", "v"), 1u);
  EXPECT_EQ(read_bytes(path_), "[Setup]\r\nLow=-5\r\nMode=safe\r\nCount=7\r\n");
  EXPECT_EQ(WriteFileValueString(name_.c_str(), "Absent", "k", "v"), 1u);
  EXPECT_EQ(read_bytes(path_), "[Setup]\r\nLow=-5\r\nMode=safe\r\nCount=7");
}

TEST_F(ValueFiles, MissingFileIsNotCreatedNorNamed) {
  EXPECT_EQ(WriteFileValueString(name_.c_str(), "S", "k", "v"), 1u);
  EXPECT_EQ(read_bytes(path_), "<missing>");
  char buffer[8];
  EXPECT_EQ(GetFileValueString(name_.c_str(), "S", "k", "dflt", buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, "dflt");
  EXPECT_EQ(GetFileValueInt(name_.c_str(), "S", "k", 9), 9u);
  // No file name: the default only.
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(WriteFileValueString(nullptr, "S", "k", "v"), 0u);
  EXPECT_EQ(WriteFileValueInt(nullptr, "S", "k", 1), 0u);
  EXPECT_EQ(GetFileValueString(nullptr, "S", "k", "abc", buffer, sizeof buffer), 0u);
  EXPECT_EQ(std::string(buffer, sizeof buffer), "abc\0\0\0\0\0"s);
  EXPECT_EQ(GetFileValueString(nullptr, "S", "k", "abc", buffer, 3), 0u);
  EXPECT_EQ(std::string(buffer, 3), std::string(3, '\0'));
  EXPECT_EQ(GetFileValueString(nullptr, "S", "k", nullptr, buffer, sizeof buffer), 0u);
  EXPECT_EQ(GetFileValueString("x.ini", "S", "k", "abc", nullptr, 8), 0u);
  EXPECT_EQ(GetFileValueString("x.ini", "S", "k", "abc", buffer, 0), 0u);
  EXPECT_EQ(GetFileValueInt(nullptr, "S", "k", 11), 11u);
}

}  // namespace
