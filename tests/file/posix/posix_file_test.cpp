// The POSIX port's file facility: attributes from the file system, the find
// rules, exact time stamps, drive types, TMPDIR and multi-byte paths.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "hostutil.h"
#include "support/scratch_files.h"

namespace {

using namespace hostutil::test::files;

class PosixFiles : public scratch_test {};

uint64_t ticks_of(const hu_FILETIME& t) {
  return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
}

TEST_F(PosixFiles, AttributesFromTheFileSystem) {
  put(path("plain"), "x");
  put(path(".hidden"), "x");
  put(path("readonly"), "x");
  ASSERT_EQ(chmod(path("readonly").c_str(), 0444), 0);
  ASSERT_EQ(mkdir(path("dir").c_str(), 0755) + mkdir(path(".dotdir").c_str(), 0755), 0);
  ASSERT_EQ(symlink("plain", path("to_file").c_str()) + symlink("dir", path("to_dir").c_str()) +
                symlink("nowhere", path("dangling").c_str()) + mkfifo(path("fifo").c_str(), 0644),
            0);
  const std::pair<std::string, uint32_t> expected[] = {
      {path("plain"), 0x20},   {path(".hidden"), 0x22},     {path("readonly"), 0x21},
      {path("dir"), 0x10},     {path(".dotdir"), 0x12},     {path("to_file"), 0x420},
      {path("to_dir"), 0x410}, {path("dangling"), 0x404},   {path("fifo"), 0x4},
      {"/dev/null", 0x4},      {"/", HOSTUTIL_FILE_MISSING}};
  for (const auto& [p, bits] : expected) EXPECT_EQ(FileAttributesGet(p.c_str()), bits) << p;
  // A FIFO is found but never opened, deleted or replaced: no read blocks on it.
  char buffer[8];
  EXPECT_EQ(FileDelete(path("fifo").c_str()) + FileRead(path("fifo").c_str(), buffer, 8) +
                FileSizeGet(path("fifo").c_str()),
            0u);
  EXPECT_EQ(FileAttributesGet(path("fifo").c_str()), 0x4u);
  hu_WIN32_FIND_DATAA record;
  ASSERT_EQ(FindAndGetInformationOfFile(path("to_file").c_str(), &record), 1u);
  EXPECT_EQ(record.dwReserved0, 0xA000000Cu);  // the symbolic link's reparse tag
  // The read-only bit alone is the owner's write permission, and keeps out the
  // superuser's writer too; bits without a POSIX meaning are taken without effect.
  const std::string p = path("file");
  put(p, "original");
  ASSERT_EQ(chmod(p.c_str(), 0664), 0);
  struct stat st;
  for (const auto& [bits, mode] : {std::pair{0x21u, 0444u}, {0x20u, 0644u}, {0x106u, 0644u}}) {
    ASSERT_NE(FileAttributesSet(p.c_str(), bits), 0u);
    ASSERT_EQ(stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode) << bits;
    EXPECT_EQ(FileWrite(p.c_str(), "original", 8), mode == 0444u ? 0u : 8u);
  }
  EXPECT_EQ(get(p), "original");
  EXPECT_EQ(FileAttributesGet(p.c_str()), 0x20u);
}

TEST_F(PosixFiles, FindRules) {
  for (const char* name : {"b.c", "Makefile", "a.c", "foo", ".rc"}) put(path(name), "x");
  ASSERT_EQ(mkdir(path("empty").c_str(), 0755), 0);
  // Name order, byte by byte; "*.*" is everything and "foo.*" takes "foo"; case
  // counts. "." and ".." find the folder they stand for; a root or a path ending in "/" nothing.
  // clang-format off
  const std::pair<std::string, const char*> first[] = {
      {path("*"), ".rc"}, {path("*.c"), "a.c"}, {path("*.*"), ".rc"}, {path("M*.*"), "Makefile"},
      {path("foo.*"), "foo"}, {path("m*"), ""}, {path(".*"), ".rc"}, {path("empty/."), "empty"},
      {path("empty/../empty/."), "empty"}, {folder(), ""}, {"/", ""}, {path("empty/*"), ""},
      {path("missing/*"), ""}};
  // clang-format on
  for (const auto& [pattern, name] : first) {
    hu_WIN32_FIND_DATAA record{};
    EXPECT_EQ(FindAndGetInformationOfFile(pattern.c_str(), &record), *name ? 1u : 0u) << pattern;
    EXPECT_STREQ(record.cFileName, name) << pattern;
  }
}

TEST_F(PosixFiles, ExactTimeStamps) {
  const std::string p = path("timed");
  put(p, "x");
  // 2001-02-03 04:05:06.789012345 UTC and a second later.
  const struct timespec times[2] = {{981173106, 789012345}, {981173107, 123456789}};
  ASSERT_EQ(utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
  const uint64_t epoch = 116444736000000000ull;
  hu_FILETIME t{};
  ASSERT_EQ(LastAccessFileTimeGet(p.c_str(), &t), 1u);
  EXPECT_EQ(ticks_of(t), epoch + 981173106ull * 10000000 + 7890123);
  ASSERT_EQ(LastWriteFileTimeGet(p.c_str(), &t), 1u);
  EXPECT_EQ(ticks_of(t), epoch + 981173107ull * 10000000 + 1234567);
  // Creation: the birth time where kept, else the status change time.
  struct statx sx;
  ASSERT_EQ(statx(AT_FDCWD, p.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx), 0);
  const auto& born = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime;
  ASSERT_EQ(CreateFileTimeGet(p.c_str(), &t), 1u);
  EXPECT_EQ(ticks_of(t),
            epoch + static_cast<uint64_t>(born.tv_sec) * 10000000 + born.tv_nsec / 100);
  // This port's calendar knows February 29 only in leap years (centuries leap
  // only by 400), and ends with the year 30827.
  const hu_SYSTEMTIME invalid[] = {{2023, 2, 0, 29, 0, 0, 0, 0}, {2100, 2, 0, 29, 0, 0, 0, 0},
                                   {2200, 2, 0, 29, 0, 0, 0, 0}, {30828, 1, 0, 1, 0, 0, 0, 0}};
  for (const auto& c : invalid) EXPECT_EQ(CalculateSystemTimeToFileTime(&c, &t), 0u) << c.wYear;
}

TEST_F(PosixFiles, DriveTypesTemporaryFolderAndMultiByteNames) {
  struct statfs fs;
  // A path not there yet lies on its nearest existing folder's file system (a
  // missing file of a disc is on the disc); an empty path is on none.
  EXPECT_EQ(GetDriveTypeEx(path("missing/deeper/file").c_str()), GetDriveTypeEx(folder().c_str()));
  EXPECT_EQ(GetDriveTypeEx(""), 1u);
  if (statfs("/dev/shm", &fs) == 0 && fs.f_type == 0x01021994) {
    EXPECT_EQ(GetDriveTypeEx("/dev/shm/missing/file"), 6u);
  }
  EXPECT_EQ(GetDriveTypeEx("/proc"), 3u);  // neither network, disc nor memory
  // TMPDIR with a separator added, else /tmp/.
  const char* saved = std::getenv("TMPDIR");
  const std::string saved_value = saved != nullptr ? saved : "";
  const std::pair<const char*, const char*> temps[] = {
      {"/some/where", "/some/where/"}, {"/already/", "/already/"}, {"", "/tmp/"}, {nullptr, "/tmp/"}};
  for (const auto& [value, expected] : temps) {
    value != nullptr ? setenv("TMPDIR", value, 1) : unsetenv("TMPDIR");
    char buffer[512];
    EXPECT_EQ(GetTempDirPath(buffer, sizeof buffer), 1u);
    EXPECT_STREQ(buffer, expected);
  }
  saved != nullptr ? setenv("TMPDIR", saved_value.c_str(), 1) : unsetenv("TMPDIR");
  // CreateFolder finds the last separator by characters of the locale's set.
  const std::string locale = std::setlocale(LC_CTYPE, nullptr);
  if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) GTEST_SKIP() << "no C.UTF-8 locale";
  const std::string parent = path("\xE6\x97\xA5\xE6\x9C\xAC");
  ASSERT_EQ(mkdir(parent.c_str(), 0755), 0);
  EXPECT_EQ(CreateFolder(parent.c_str(), "\xE8\xAA\x9E"), 1u);
  EXPECT_EQ(CreateFolder((parent + "/").c_str(), "x"), 1u);
  // A byte that is no character of the set is taken alone.
  ASSERT_EQ(mkdir(path("a\xFF").c_str(), 0755), 0);
  EXPECT_EQ(CreateFolder(path("a\xFF").c_str(), "b"), 1u);
  EXPECT_EQ(FileAttributesGet(path("a\xFF/b").c_str()), 0x10u);
  EXPECT_EQ(FileAttributesGet((parent + "/\xE8\xAA\x9E").c_str()) &
                FileAttributesGet((parent + "/x").c_str()),
            0x10u);
  std::setlocale(LC_CTYPE, locale.c_str());
}

}  // namespace
