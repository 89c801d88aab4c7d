// FileMove: replacing a non-empty destination, failing on an empty one, folders,
// files held open, and what stays when a step of the move fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "hostutil.h"
#include "os/file.h"
#include "support/file_faults.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;
using namespace hostutil::test::files;
using hostutil::test::file_call;
using hostutil::test::file_fault;

class FileMoveTest : public scratch_test {};

TEST_F(FileMoveTest, ReplacesANonEmptyDestinationOnly) {
  put(path("src"), "moved contents");
  put(path("dst"), "old");
  EXPECT_NE(FileMove(path("src").c_str(), path("dst").c_str()), 0u);
  EXPECT_FALSE(fs::exists(path("src")));
  EXPECT_EQ(get(path("dst")), "moved contents");
  // An empty file is not deleted first, and the move does not replace it.
  put(path("src"), "second");
  put(path("empty"), "");
  EXPECT_EQ(FileMove(path("src").c_str(), path("empty").c_str()), 0u);
  EXPECT_EQ(get(path("src")), "second");
  EXPECT_TRUE(fs::exists(path("empty")));
  EXPECT_EQ(fs::file_size(path("empty")), 0u);
  // Nothing there: a plain move.
  EXPECT_NE(FileMove(path("src").c_str(), path("new").c_str()), 0u);
  EXPECT_EQ(get(path("new")), "second");
}

TEST_F(FileMoveTest, RefusalsAndFolders) {
  put(path("src"), "x");
  EXPECT_EQ(FileMove(nullptr, path("dst").c_str()), 0u);
  EXPECT_EQ(FileMove("", path("dst").c_str()), 0u);
  EXPECT_EQ(FileMove(path("src").c_str(), nullptr), 0u);
  EXPECT_EQ(FileMove(path("src").c_str(), ""), 0u);
  EXPECT_EQ(FileMove(path("missing").c_str(), path("dst").c_str()), 0u);
  EXPECT_EQ(get(path("src")), "x");
  fs::create_directory(path("folder"));
  put(path("folder") + sep() + "inside", "in");
  EXPECT_NE(FileMove(path("folder").c_str(), path("renamed").c_str()), 0u);
  EXPECT_EQ(get(path("renamed") + sep() + "inside"), "in");
  // A folder is no file to replace: its size is 0, so it is kept and the move fails.
  EXPECT_EQ(FileMove(path("src").c_str(), path("renamed").c_str()), 0u);
  EXPECT_EQ(get(path("src")), "x");
}

TEST_F(FileMoveTest, WhatStaysWhenAStepFails) {
  put(path("src"), "source");
  put(path("dst"), "destination");
  {
    // The destination cannot be deleted: the move does not replace it.
    file_fault fault(file_call::remove, 1);
    EXPECT_EQ(FileMove(path("src").c_str(), path("dst").c_str()), 0u);
    EXPECT_EQ(get(path("src")), "source");
    EXPECT_EQ(get(path("dst")), "destination");
  }
  {
    // The move itself fails after the destination went: the source stays.
    file_fault fault(file_call::move, 1);
    EXPECT_EQ(FileMove(path("src").c_str(), path("dst").c_str()), 0u);
    EXPECT_EQ(get(path("src")), "source");
    EXPECT_FALSE(fs::exists(path("dst")));
  }
}

TEST_F(FileMoveTest, FilesHeldOpenStay) {
  put(path("src"), "source");
  put(path("dst"), "destination");
  auto& calls = hostutil::os::file_syscalls();
  {
    hostutil::os::file_handle reader(calls.open_read(path("dst").c_str()));
    ASSERT_TRUE(reader);
    EXPECT_EQ(FileMove(path("src").c_str(), path("dst").c_str()), 0u);
  }
  EXPECT_EQ(get(path("dst")), "destination");
  {
    hostutil::os::file_handle reader(calls.open_read(path("src").c_str()));
    ASSERT_TRUE(reader);
    EXPECT_EQ(FileMove(path("src").c_str(), path("elsewhere").c_str()), 0u);
  }
  EXPECT_EQ(get(path("src")), "source");
  EXPECT_FALSE(fs::exists(path("elsewhere")));
}

}  // namespace
