// PreFileWrite and FileMove on real files, with stand-ins for the drive type and
// for the file calls that fail half-way.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/scratch_files.h"
#include "hostutil.h"
#include "support/stand_in.h"

namespace {

namespace fs = std::filesystem;
using namespace hostutil::test;
using namespace hostutil::test::files;
using hostutil::os::system_calls;
using drive_type = stand_in<&system_calls::drive_type>;

// The write test with its nth step failing on a fixed drive, and what it leaves.
template <auto Step>
void fail_write_test(const std::string& p, const std::string& left) {
  fail_nth<Step> fault(1, false);
  EXPECT_EQ(PreFileWrite(p.c_str()), HOSTUTIL_PREWRITE_FAILED_FIXED);
  EXPECT_EQ(get(p) + std::to_string(FileAttributesGet(p.c_str()) & 1), left);
}

class WriteMove : public table_test {};

// Written files, read-only ones among them, tested and read back: the fuzz target.
TEST_F(WriteMove, WriteTestCodesAndWhatFailedStepsLeave) {
  fs::create_directory(path("folder"));
  EXPECT_EQ((std::vector<uint32_t>{PreFileWrite(nullptr), PreFileWrite(path("missing").c_str()),
                                   PreFileWrite(path("folder").c_str())}),
            (std::vector<uint32_t>{1, 2, 3}));
  // An empty file answers its drive's code.
  put(path("empty"), "");
  const std::pair<uint32_t, uint32_t> codes[] = {{0, 9}, {2, 6}, {3, 4}, {4, 8}, {5, 5}, {6, 7}};
  for (const auto& [drive, code] : codes) {
    drive_type type([drive = drive](const char*) { return drive; });
    // A CD-ROM answers before the file is looked at.
    EXPECT_EQ(PreFileWrite(path(drive == 5 ? "missing" : "empty").c_str()), code) << drive;
  }
  // What a failed step leaves behind.
  const std::string p = path("victim.txt");
  put(p, "precious");
  ASSERT_NE(FileAttributesSet(p.c_str(), 0x1), 0u);
  drive_type fixed([](const char*) { return 3u; });
  fail_write_test<&system_calls::set_attributes>(p, "precious1");  // the bit stays: nothing changes
  fail_write_test<&system_calls::file_read>(p, "precious0");  // the bit is gone, the contents stay
  fail_write_test<&system_calls::file_write>(p, "0");  // after the delete: an empty new file
}

TEST_F(WriteMove, MoveReplacesANonEmptyDestinationOnly) {
  const std::string src = path("src"), dst = path("dst"), empty = path("empty");
  put(src, "moved");
  put(dst, "old");
  put(empty, "");
  fs::create_directory(path("folder"));
  EXPECT_NE(FileMove(src.c_str(), dst.c_str()), 0u);
  EXPECT_EQ(get(dst) + std::to_string(fs::exists(src)), "moved0");
  // Neither an empty file nor a folder is deleted first, and the move replaces nothing.
  EXPECT_EQ(FileMove(dst.c_str(), empty.c_str()) + FileMove(dst.c_str(), path("folder").c_str()),
            0u);
  {
    // Files held open stay where they are.
    put(src, "second");
    hostutil::os::file_handle a(hostutil::os::calls().file_open_read(src.c_str()));
    hostutil::os::file_handle b(hostutil::os::calls().file_open_read(dst.c_str()));
    EXPECT_EQ(FileMove(src.c_str(), dst.c_str()), 0u);
  }
  EXPECT_EQ(get(src) + get(dst) + get(empty), "secondmoved");
  EXPECT_EQ(FileMove(nullptr, dst.c_str()) + FileMove("", dst.c_str()) +
                FileMove(dst.c_str(), nullptr) + FileMove(dst.c_str(), "") +
                FileMove(path("missing").c_str(), dst.c_str()),
            0u);
  EXPECT_FALSE(fs::exists(dst));  // deleted first, though the move then failed
}

}  // namespace
