// The Windows build's drive roots, read-only files, and the double-byte-aware
// separator search of CreateFolder.
#include <windows.h>
// after windows.h
#include <gtest/gtest.h>
#include <mbctype.h>

#include <string>

#include "hostutil.h"
#include "os/file.h"
#include "support/file_faults.h"
#include "support/stand_in.h"
#include "support/scratch_files.h"

namespace {

using namespace hostutil::test::files;

class Win32Files : public scratch_test {};

TEST_F(Win32Files, DriveRootsReadOnlyFilesAndDoubleByteFolderNames) {
  hostutil::test::program_path fake(hostutil::test::program_at("C:\\App\\prog.exe"));
  char buffer[260];
  GetFilePath("trace.txt", buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "C:\\App\\trace.txt");
  // The find interface reports no root.
  EXPECT_EQ(FileAttributesGet("C:\\"), HOSTUTIL_FILE_MISSING);
  EXPECT_EQ(FindAndGetInformationOfFile("C:\\", nullptr), 0u);
  EXPECT_EQ(GetDriveTypeEx("C:\\"), 3u);
  // Wine run by the superuser lets writers into read-only files; elsewhere they stay out.
  const std::string p = path("readonly.txt");
  put(p, "original");
  ASSERT_NE(FileAttributesSet(p.c_str(), FILE_ATTRIBUTE_READONLY), 0u);
  HANDLE probe = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(probe == INVALID_HANDLE_VALUE ? FileWrite(p.c_str(), "changed", 7) : 0u, 0u);
  if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
  EXPECT_EQ(get(p), "original");
  ASSERT_NE(FileAttributesSet(p.c_str(), FILE_ATTRIBUTE_NORMAL), 0u);
  // Under code page 932 the trail byte 0x5C of a double-byte character is no backslash.
  const int saved = _getmbcp();
  if (_setmbcp(932) != 0) GTEST_SKIP() << "no code page 932 in this C runtime";
  static std::string created;
  hostutil::test::stand_in<&hostutil::os::system_calls::create_folder> recorded(
      [](const char* folder) {
        created = folder;
        return hostutil::os::folder_result::created;
      });
  const std::pair<const char*, const char*> rows[] = {
      {"C:\\Data\\\x95\x5C", "C:\\Data\\\x95\x5C\\Logs"},
      {"C:\\Data\\", "C:\\Data\\Logs"},
      {"C:", "C:\\Logs"}};
  for (const auto& [parent, made] : rows) {
    EXPECT_EQ(CreateFolder(parent, "Logs"), 1u);
    EXPECT_EQ(created, made);
  }
  _setmbcp(saved);
  EXPECT_EQ(CreateFolder("C:\\Data\\\x95\x5C", "Logs"), 1u);
  EXPECT_EQ(created, "C:\\Data\\\x95\x5CLogs");
}

}  // namespace
