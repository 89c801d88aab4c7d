// The Windows build's drive roots, read-only files, and the double-byte-aware
// separator search of CreateFolder.
#include <windows.h>
// after windows.h
#include <gtest/gtest.h>
#include <mbctype.h>

#include <string>

#include "../file_test_util.h"
#include "hostutil.h"
#include "os/file.h"
#include "support/file_faults.h"

namespace {

using namespace hostutil::test::files;

class Win32ScratchFiles : public scratch_test {};

TEST(Win32Files, ProgramPathAndDriveRoots) {
  hostutil::test::fake_program_path fake("C:\\App\\prog.exe");
  char buffer[260];
  GetFilePath("trace.txt", buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "C:\\App\\trace.txt");
  // The find interface reports no root.
  EXPECT_EQ(FileAttributesGet("C:\\"), HOSTUTIL_FILE_MISSING);
  EXPECT_EQ(FindAndGetInformationOfFile("C:\\", nullptr), 0u);
  EXPECT_EQ(GetDriveTypeEx("C:\\"), 3u);
}

TEST_F(Win32ScratchFiles, ReadOnlyFilesRefuseWriters) {
  const std::string p = path("readonly.txt");
  put(p, "original");
  ASSERT_NE(FileAttributesSet(p.c_str(), FILE_ATTRIBUTE_READONLY), 0u);
  HANDLE probe = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const bool enforced = probe == INVALID_HANDLE_VALUE;
  if (enforced) {
    EXPECT_EQ(FileWrite(p.c_str(), "changed", 7), 0u);
    EXPECT_EQ(get(p), "original");
  } else {
    CloseHandle(probe);
  }
  ASSERT_NE(FileAttributesSet(p.c_str(), FILE_ATTRIBUTE_NORMAL), 0u);
  if (!enforced) GTEST_SKIP() << "this system lets writers into read-only files (Wine as root)";
}

std::string& captured() {
  static std::string s;
  return s;
}

TEST(Win32Files, CreateFolderKnowsDoubleByteCharacters) {
  const int saved = _getmbcp();
  if (_setmbcp(932) != 0) GTEST_SKIP() << "no code page 932 in this C runtime";
  hostutil::test::file_calls_guard restore;
  hostutil::os::file_syscalls().create_folder = [](const char* p) {
    captured() = p;
    return hostutil::os::folder_result::created;
  };
  // The trail byte 0x5C of a double-byte character is no backslash.
  EXPECT_EQ(CreateFolder("C:\\Data\\\x95\x5C", "Logs"), 1u);
  EXPECT_EQ(captured(), "C:\\Data\\\x95\x5C\\Logs");
  EXPECT_EQ(CreateFolder("C:\\Data\\", "Logs"), 1u);
  EXPECT_EQ(captured(), "C:\\Data\\Logs");
  EXPECT_EQ(CreateFolder("C:", "Logs"), 1u);
  EXPECT_EQ(captured(), "C:\\Logs");
  _setmbcp(saved);
  EXPECT_EQ(CreateFolder("C:\\Data\\\x95\x5C", "Logs"), 1u);
  EXPECT_EQ(captured(), "C:\\Data\\\x95\x5CLogs");
}

}  // namespace
