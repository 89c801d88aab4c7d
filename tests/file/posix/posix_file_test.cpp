// The POSIX port's mapping of the file facility: attributes from the file
// system, the find rules, exact time stamps, drive types from statfs, the
// temporary folder from TMPDIR, the program's own path and multi-byte paths.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../file_test_util.h"
#include "hostutil.h"
#include "os/file.h"

namespace {

using namespace hostutil::test::files;

class PosixFiles : public scratch_test {};

uint32_t attributes(const std::string& p) { return FileAttributesGet(p.c_str()); }

TEST_F(PosixFiles, AttributesFromTheFileSystem) {
  put(path("plain"), "x");
  put(path(".hidden"), "x");
  put(path("readonly"), "x");
  ASSERT_EQ(chmod(path("readonly").c_str(), 0444), 0);
  ASSERT_EQ(mkdir(path("dir").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(path(".dotdir").c_str(), 0755), 0);
  ASSERT_EQ(symlink("plain", path("to_file").c_str()), 0);
  ASSERT_EQ(symlink("dir", path("to_dir").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", path("dangling").c_str()), 0);
  ASSERT_EQ(mkfifo(path("fifo").c_str(), 0644), 0);

  EXPECT_EQ(attributes(path("plain")), 0x20u);
  EXPECT_EQ(attributes(path(".hidden")), 0x22u);
  EXPECT_EQ(attributes(path("readonly")), 0x21u);
  EXPECT_EQ(attributes(path("dir")), 0x10u);
  EXPECT_EQ(attributes(path(".dotdir")), 0x12u);
  EXPECT_EQ(attributes(path("to_file")), 0x420u);
  EXPECT_EQ(attributes(path("to_dir")), 0x410u);
  EXPECT_EQ(attributes(path("dangling")), 0x404u);
  EXPECT_EQ(attributes(path("fifo")), 0x4u);
  EXPECT_EQ(attributes("/dev/null"), 0x4u);
  hu_WIN32_FIND_DATAA record;
  ASSERT_EQ(FindAndGetInformationOfFile(path("to_file").c_str(), &record), 1u);
  EXPECT_EQ(record.dwReserved0, 0xA000000Cu);  // the symbolic link's reparse tag
  ASSERT_EQ(FindAndGetInformationOfFile(path("dir").c_str(), &record), 1u);
  EXPECT_EQ(record.nFileSizeLow, 0u);
  // A FIFO is found but never opened: no read blocks on it.
  char buffer[8];
  EXPECT_EQ(FileRead(path("fifo").c_str(), buffer, sizeof buffer), 0u);
  EXPECT_EQ(FileSizeGet(path("fifo").c_str()), 0u);
}

TEST_F(PosixFiles, ReadOnlyRefusesWritersTheSuperuserToo) {
  const std::string p = path("ro");
  put(p, "original");
  ASSERT_EQ(chmod(p.c_str(), 0444), 0);
  EXPECT_EQ(FileWrite(p.c_str(), "changed", 7), 0u);
  EXPECT_EQ(FileDelete(p.c_str()), 0u);
  EXPECT_EQ(get(p), "original");
  char buffer[16];
  EXPECT_EQ(FileRead(p.c_str(), buffer, sizeof buffer), 8u);
}

TEST(PosixCalendar, DaysWithinTheMonthAndTheLastYear) {
  const hu_SYSTEMTIME invalid[] = {
      {2023, 2, 0, 29, 0, 0, 0, 0},
      {2100, 2, 0, 29, 0, 0, 0, 0},
      {1900 + 300, 2, 0, 29, 0, 0, 0, 0},
      {30828, 1, 0, 1, 0, 0, 0, 0},
  };
  hu_FILETIME out{};
  for (const auto& c : invalid) EXPECT_EQ(CalculateSystemTimeToFileTime(&c, &out), 0u) << c.wYear;
  const hu_SYSTEMTIME leap{2000, 2, 0, 29, 0, 0, 0, 0};
  EXPECT_NE(CalculateSystemTimeToFileTime(&leap, &out), 0u);
}

TEST_F(PosixFiles, AttributesSetHonoursTheReadOnlyBitAlone) {
  const std::string p = path("file");
  put(p, "x");
  ASSERT_EQ(chmod(p.c_str(), 0664), 0);
  struct stat st;
  ASSERT_NE(FileAttributesSet(p.c_str(), 0x21), 0u);
  ASSERT_EQ(stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  // Clearing it gives the owner write permission back.
  ASSERT_NE(FileAttributesSet(p.c_str(), 0x20), 0u);
  ASSERT_EQ(stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  // Bits without a POSIX meaning are taken without effect.
  ASSERT_NE(FileAttributesSet(p.c_str(), 0x2 | 0x4 | 0x100), 0u);
  ASSERT_EQ(stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  EXPECT_EQ(attributes(p), 0x20u);
}

TEST_F(PosixFiles, FindRules) {
  for (const char* name : {"b.c", "Makefile", "a.c", "foo", ".rc"}) put(path(name), "x");
  hu_WIN32_FIND_DATAA record;
  auto first = [&](const std::string& pattern) -> std::string {
    if (FindAndGetInformationOfFile(pattern.c_str(), &record) == 0) return "<none>";
    return record.cFileName;
  };
  // Name order, byte by byte; "*.*" is everything and "foo.*" takes "foo".
  EXPECT_EQ(first(path("*")), ".rc");
  EXPECT_EQ(first(path("*.c")), "a.c");
  EXPECT_EQ(first(path("*.*")), ".rc");
  EXPECT_EQ(first(path("M*.*")), "Makefile");
  EXPECT_EQ(first(path("foo.*")), "foo");
  EXPECT_EQ(first(path("?.c")), "a.c");
  EXPECT_EQ(first(path("??.c")), "<none>");
  EXPECT_EQ(first(path("m*")), "<none>");  // case counts here
  // "." and ".." never match, nor does a root or a path ending in "/".
  EXPECT_EQ(first(path(".*")), ".rc");
  EXPECT_EQ(first(path(".")), "<none>");
  EXPECT_EQ(first(path("..")), "<none>");
  EXPECT_EQ(first(folder()), "<none>");
  EXPECT_EQ(first("/"), "<none>");
  EXPECT_EQ(attributes("/"), HOSTUTIL_FILE_MISSING);
  ASSERT_EQ(mkdir(path("empty").c_str(), 0755), 0);
  EXPECT_EQ(first(path("empty/*")), "<none>");
  EXPECT_EQ(first(path("missing/*")), "<none>");
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
  EXPECT_EQ((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime,
            epoch + 981173106ull * 10000000 + 7890123);
  ASSERT_EQ(LastWriteFileTimeGet(p.c_str(), &t), 1u);
  EXPECT_EQ((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime,
            epoch + 981173107ull * 10000000 + 1234567);
  // Creation: the birth time where kept, else the status change time.
  struct statx sx;
  ASSERT_EQ(statx(AT_FDCWD, p.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx), 0);
  const auto& born = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime;
  ASSERT_EQ(CreateFileTimeGet(p.c_str(), &t), 1u);
  EXPECT_EQ((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime,
            epoch + static_cast<uint64_t>(born.tv_sec) * 10000000 + born.tv_nsec / 100);
}

TEST_F(PosixFiles, DriveTypesFromStatfs) {
  EXPECT_EQ(GetDriveTypeEx(path("missing").c_str()), 1u);
  EXPECT_EQ(GetDriveTypeEx(""), 1u);
  EXPECT_EQ(GetDriveTypeEx("/proc"), 3u);  // neither network, disc nor memory
  struct statfs fs;
  if (statfs("/dev/shm", &fs) == 0 && fs.f_type == 0x01021994) {
    EXPECT_EQ(GetDriveTypeEx("/dev/shm"), 6u);
  }
  ASSERT_EQ(statfs(folder().c_str(), &fs), 0);
  const uint32_t here = GetDriveTypeEx(folder().c_str());
  if (fs.f_type == 0x01021994 || fs.f_type == 0x858458F6) {
    EXPECT_EQ(here, 6u);
  } else {
    EXPECT_TRUE(here == 2u || here == 3u || here == 4u) << here;
  }
}

class saved_tmpdir {
 public:
  saved_tmpdir() {
    const char* v = std::getenv("TMPDIR");
    had_ = v != nullptr;
    if (had_) value_ = v;
  }
  ~saved_tmpdir() {
    if (had_) {
      setenv("TMPDIR", value_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

 private:
  bool had_ = false;
  std::string value_;
};

std::string temp_dir() {
  char buffer[512];
  if (GetTempDirPath(buffer, sizeof buffer) != 1) return "<refused>";
  return buffer;
}

TEST(PosixTempDir, FromTmpdirElseTmp) {
  saved_tmpdir keep;
  setenv("TMPDIR", "/some/where", 1);
  EXPECT_EQ(temp_dir(), "/some/where/");
  setenv("TMPDIR", "/already/", 1);
  EXPECT_EQ(temp_dir(), "/already/");
  setenv("TMPDIR", "", 1);
  EXPECT_EQ(temp_dir(), "/tmp/");
  unsetenv("TMPDIR");
  EXPECT_EQ(temp_dir(), "/tmp/");
  char small[6];
  EXPECT_EQ(GetTempDirPath(small, 5), 0u);
  EXPECT_EQ(GetTempDirPath(small, 6), 1u);
  EXPECT_STREQ(small, "/tmp/");
}

TEST(PosixProgramPath, TheFolderOfProcSelfExe) {
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  exe[n] = '\0';
  std::string expected(exe);
  expected.resize(expected.rfind('/'));
  char buffer[4096];
  GetFilePath(nullptr, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer), expected);
  GetFilePath("value.ini", buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer), expected + "/value.ini");
}

class saved_locale {
 public:
  saved_locale() : name_(std::setlocale(LC_CTYPE, nullptr)) {}
  ~saved_locale() { std::setlocale(LC_CTYPE, name_.c_str()); }

 private:
  std::string name_;
};

TEST_F(PosixFiles, MultiByteFolderNames) {
  saved_locale keep;
  if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) GTEST_SKIP() << "no C.UTF-8 locale";
  const std::string utf8 = "dir/\xE6\x97\xA5\xE6\x9C\xAC/\xE8\xAA\x9E";
  EXPECT_EQ(hostutil::os::last_separator_multibyte(utf8.c_str()), utf8.c_str() + 10);
  // A byte that is no character of the set is taken alone.
  const std::string broken = "a\xFF/b\xC3";
  EXPECT_EQ(hostutil::os::last_separator_multibyte(broken.c_str()), broken.c_str() + 2);
  EXPECT_EQ(hostutil::os::last_separator_multibyte("none"), nullptr);
  const std::string parent = path("\xE6\x97\xA5\xE6\x9C\xAC");
  ASSERT_EQ(mkdir(parent.c_str(), 0755), 0);
  EXPECT_EQ(CreateFolder(parent.c_str(), "\xE8\xAA\x9E"), 1u);
  EXPECT_EQ(attributes(parent + "/\xE8\xAA\x9E"), 0x10u);
  if (std::setlocale(LC_CTYPE, "ja_JP.eucjp") != nullptr) {
    const std::string euc = "x/\xC6\xFC/\xCB\xDC";
    EXPECT_EQ(hostutil::os::last_separator_multibyte(euc.c_str()), euc.c_str() + 4);
  }
}

}  // namespace
