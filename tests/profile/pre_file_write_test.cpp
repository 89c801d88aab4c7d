// PreFileWrite: the codes of a failed test on every drive type, the read-only
// bit, what a failed step leaves behind, and the scratch block given back.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "hostutil.h"
#include "lock/semaphore_table.h"
#include "support/file_faults.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;
using namespace hostutil::test::files;
using hostutil::test::fake_drive_type;
using hostutil::test::file_call;
using hostutil::test::file_fault;

class WriteTest : public scratch_test {
 protected:
  void SetUp() override {
    scratch_test::SetUp();
    SemaphoreControlBegin();
    slots_ = hostutil::lock::occupied_slots();
  }
  void TearDown() override {
    // Every path gives its registered block back: nothing is left in the table.
    EXPECT_EQ(hostutil::lock::occupied_slots(), slots_);
    SemaphoreControlEnd();
    scratch_test::TearDown();
  }
  bool read_only(const std::string& p) { return (FileAttributesGet(p.c_str()) & 0x1u) != 0; }

 private:
  uint32_t slots_ = 0;
};

TEST_F(WriteTest, CodesThatDoNotDependOnTheMachine) {
  EXPECT_EQ(PreFileWrite(nullptr), HOSTUTIL_PREWRITE_NO_PATH);
  EXPECT_EQ(PreFileWrite(path("missing").c_str()), HOSTUTIL_PREWRITE_NO_FILE);
  fs::create_directory(path("folder"));
  EXPECT_EQ(PreFileWrite(path("folder").c_str()), HOSTUTIL_PREWRITE_NOT_TESTED);
  // Hidden files are tested.
  put(path(".hidden"), "hidden contents");
  ASSERT_NE(FileAttributesSet(path(".hidden").c_str(), 0x2), 0u);
  EXPECT_EQ(PreFileWrite(path(".hidden").c_str()), HOSTUTIL_PREWRITE_OK);
  EXPECT_EQ(get(path(".hidden")), "hidden contents");
  // A writable file is written back unchanged.
  const std::string p = path("data.bin");
  const std::string contents = pattern(5000) + std::string("\0\r\n", 3);
  put(p, contents);
  EXPECT_EQ(PreFileWrite(p.c_str()), HOSTUTIL_PREWRITE_OK);
  EXPECT_EQ(get(p), contents);
}

TEST_F(WriteTest, TheReadOnlyBitIsClearedForGood) {
  const std::string p = path("ro.txt");
  put(p, "read only");
  ASSERT_NE(FileAttributesSet(p.c_str(), 0x1), 0u);
  ASSERT_TRUE(read_only(p));
  EXPECT_EQ(PreFileWrite(p.c_str()), HOSTUTIL_PREWRITE_OK);
  EXPECT_FALSE(read_only(p));
  EXPECT_EQ(get(p), "read only");
  // The bit cannot be cleared: the failure code, and the file as it was.
  ASSERT_NE(FileAttributesSet(p.c_str(), 0x1), 0u);
  {
    fake_drive_type fixed(3);
    file_fault fault(file_call::set_attributes, 1);
    EXPECT_EQ(PreFileWrite(p.c_str()), HOSTUTIL_PREWRITE_FAILED_FIXED);
  }
  EXPECT_TRUE(read_only(p));
  EXPECT_EQ(get(p), "read only");
}

TEST_F(WriteTest, FailureCodesFollowTheDriveType) {
  put(path("empty"), "");
  const struct {
    uint32_t drive;
    uint32_t code;
  } cases[] = {{0, 9}, {1, 9}, {2, 6}, {3, 4}, {4, 8}, {6, 7}, {7, 9}};
  for (const auto& c : cases) {
    fake_drive_type drive(c.drive);
    EXPECT_EQ(PreFileWrite(path("empty").c_str()), c.code) << "drive type " << c.drive;
  }
  // A CD-ROM answers before the file is looked at, even a missing one.
  fake_drive_type cdrom(5);
  EXPECT_EQ(PreFileWrite(path("empty").c_str()), HOSTUTIL_PREWRITE_CDROM);
  EXPECT_EQ(PreFileWrite(path("missing").c_str()), HOSTUTIL_PREWRITE_CDROM);
}

TEST_F(WriteTest, TheEmptyFileOfThisMachine) {
  put(path("empty"), "");
  const uint32_t type = GetDriveTypeEx(path("empty").c_str());
  const uint32_t code = PreFileWrite(path("empty").c_str());
  if (type == 3) {
    EXPECT_EQ(code, HOSTUTIL_PREWRITE_FAILED_FIXED);
  } else {
    EXPECT_TRUE(code >= 4 && code <= 9) << code;
  }
}

TEST_F(WriteTest, WhatAFailedStepLeavesBehind) {
  const std::string p = path("victim.txt");
  put(p, "precious");
  fake_drive_type fixed(3);
  {
    // The read fails: nothing was changed yet.
    file_fault fault(file_call::read, 1);
    EXPECT_EQ(PreFileWrite(p.c_str()), HOSTUTIL_PREWRITE_FAILED_FIXED);
    EXPECT_EQ(get(p), "precious");
  }
  {
    // The write fails after the delete: an empty new file.
    file_fault fault(file_call::write, 1);
    EXPECT_EQ(PreFileWrite(p.c_str()), HOSTUTIL_PREWRITE_FAILED_FIXED);
    EXPECT_EQ(FileSizeGet(p.c_str()), 0u);
  }
  put(p, "precious");
  {
    // The new file cannot be made after the delete: the file is gone.
    file_fault fault(file_call::open_write, 1);
    EXPECT_EQ(PreFileWrite(p.c_str()), HOSTUTIL_PREWRITE_FAILED_FIXED);
    EXPECT_FALSE(fs::exists(p));
  }
}

TEST_F(WriteTest, NoScratchMemoryBeforeTheTableIsSetUp) {
  const std::string p = path("ro.txt");
  put(p, "contents");
  ASSERT_NE(FileAttributesSet(p.c_str(), 0x1), 0u);
  SemaphoreControlEnd();
  fake_drive_type fixed(3);
  // The read-only bit is cleared before the allocation fails, and stays cleared.
  EXPECT_EQ(PreFileWrite(p.c_str()), HOSTUTIL_PREWRITE_FAILED_FIXED);
  EXPECT_FALSE(read_only(p));
  EXPECT_EQ(get(p), "contents");
  SemaphoreControlBegin();
}

}  // namespace
