// The whole-file primitives on real files: sizes to the byte, attributes, finds,
// paths beside the program, folders; system failures injected one call at a
// time; and the sharing rules between threads and between processes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "hostutil.h"
#include "os/file.h"
#include "support/child.h"
#include "support/file_faults.h"
#include "support/scratch_files.h"
#include "support/stand_in.h"

namespace {

namespace fs = std::filesystem;
using hostutil::os::system_calls;
using namespace std::chrono_literals;
using namespace hostutil::test;
using namespace hostutil::test::files;

class FileOps : public scratch_test {};

TEST_F(FileOps, ReadWriteSizeAttributesAndDelete) {
  const std::string p = path("data.bin"), contents = pattern(100) + std::string("\0\r\n\xff", 4);
  put(p, contents);
  fs::create_directory(path("folder"));
  // Buffers one byte short of the file, exactly as large and larger: the fuzz
  // target's whole-or-nothing read, on kept inputs of this file's 104 bytes.
  std::vector<char> buffer(200, '#');
  // The find succeeds for a folder and for a pattern; the open does not.
  for (const std::string& bad : {path("missing"), path("folder"), path("*.bin")}) {
    EXPECT_EQ(FileRead(bad.c_str(), buffer.data(), 200) + FileSizeGet(bad.c_str()) +
                  FileDelete(bad.c_str()),
              0u)
        << bad;
  }
  EXPECT_EQ(FileAttributesGet(path("missing").c_str()), 0x80000000u);  // the top bit alone
  EXPECT_EQ(FileAttributesGet(path("folder").c_str()) & 0x10u, 0x10u);
  // Nothing to write leaves the file as it was; a write replaces it whole.
  EXPECT_EQ(FileWrite(p.c_str(), "new", 0), 0u);
  EXPECT_EQ(get(p), contents);
  EXPECT_EQ(FileWrite(p.c_str(), "new", 3), 3u);
  EXPECT_EQ(get(p), "new");
  // A read-only file cannot be deleted. (That it cannot be written either is
  // checked per platform: Wine run by the superuser lets the writer in.)
  const uint32_t plain = FileAttributesGet(p.c_str());
  ASSERT_NE(FileAttributesSet(p.c_str(), plain | 0x1), 0u);
  EXPECT_EQ(FileAttributesGet(p.c_str()) & 0x1u, 0x1u);
  EXPECT_EQ(FileDelete(p.c_str()), 0u);
  ASSERT_NE(FileAttributesSet(p.c_str(), plain & ~0x1u), 0u);
  EXPECT_EQ(FileAttributesGet(p.c_str()), plain);
  // A pattern's attributes are its first match's; the find's record may be left out.
  EXPECT_EQ(FileAttributesGet(path("*.bin").c_str()), plain);
  EXPECT_EQ(FindAndGetInformationOfFile(path("*.bin").c_str(), nullptr), 1u);
  EXPECT_TRUE(FileDelete(p.c_str()) != 0 && !fs::exists(p));
}

TEST_F(FileOps, PathsBesideTheProgramAndTheTemporaryFolder) {
  char buffer[260];
  {
    // A program elsewhere, with no file name; a buffer one byte short of the
    // joined path stays empty; no separator gives the path as it is.
    const std::string app = root() + "App", joined = app + sep() + "trace.txt";
    program_path fake(program_at(app + sep() + "prog.exe"));
    GetFilePath(nullptr, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer), app);
    GetFilePath("trace.txt", buffer, static_cast<uint32_t>(joined.size()));
    EXPECT_EQ(buffer[0], '\0');
    program_path bare(program_at("prog.exe"));
    GetFilePath("trace.txt", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "prog.exe");
  }
  ASSERT_EQ(GetTempDirPath(buffer, sizeof buffer), 1u);
  const std::string temp(buffer);
  EXPECT_EQ(temp.back(), sep()[0]);
  EXPECT_TRUE(fs::is_directory(temp));
  // Room for the path and its NUL is enough; one byte less is not.
  const auto n = static_cast<uint32_t>(temp.size());
  EXPECT_EQ(GetTempDirPath(buffer, n + 1) + 2 * GetTempDirPath(buffer, n), 1u);
  // No program path at all: the whole buffer cleared. No temporary folder: empty, and 1.
  fail_nth<&system_calls::program_path> no_program(1, 0u);
  std::memset(buffer, 'x', sizeof buffer);
  GetFilePath("trace.txt", buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '\0'));
  fail_nth<&system_calls::temp_folder> no_temp(1, 0u);
  EXPECT_EQ(GetTempDirPath(buffer, sizeof buffer), 1u);
  EXPECT_EQ(buffer[0], 0);
}

TEST_F(FileOps, CreateFolderOneLevel) {
  // A parent deep enough that a name reaching the limit is still a legal file name.
  const std::string bare = path(std::string(40, 'p')), parent = bare + sep();
  ASSERT_TRUE(fs::create_directory(bare));
  EXPECT_EQ(CreateFolder(bare.c_str(), "Logs"), 1u);
  EXPECT_TRUE(fs::is_directory(parent + "Logs"));
  EXPECT_EQ(CreateFolder(parent.c_str(), "Logs"), 1u);  // exists: 1 again
  EXPECT_EQ(CreateFolder((parent + "Missing" + sep() + "Deeper").c_str(), "Logs"), 0u);
  EXPECT_FALSE(fs::exists(parent + "Missing"));
  EXPECT_EQ(CreateFolder(nullptr, "x") + CreateFolder("", "x") + CreateFolder(bare.c_str(), ""),
            0u);
  // The joined path fits 247 bytes at most.
  const std::string at_limit(247 - parent.size(), 'n'), over(248 - parent.size(), 'm');
  EXPECT_EQ(CreateFolder(bare.c_str(), over.c_str()), 0u);
  EXPECT_FALSE(fs::exists(parent + over));
  EXPECT_EQ(CreateFolder(bare.c_str(), at_limit.c_str()), 1u);
  EXPECT_TRUE(fs::is_directory(parent + at_limit));
  fail_nth<&system_calls::create_folder> refused(1, hostutil::os::folder_result::failed);
  EXPECT_EQ(CreateFolder(bare.c_str(), "Refused"), 0u);
}

// The first call of one kind fails; the file is then as after says.
template <auto Entry, typename Failure>
void fail_first(const std::string& p, Failure failure, bool write, uint32_t result,
                const char* after, typename fail_nth<Entry>::when w = fail_nth<Entry>::instead) {
  put(p, "old contents");
  fail_nth<Entry> fault(1, failure, w);
  char buffer[64];
  EXPECT_EQ(write ? FileWrite(p.c_str(), "NEW", 3) : FileRead(p.c_str(), buffer, 64), result);
  EXPECT_EQ(get(p), after);
  EXPECT_EQ(fault.count(), 1);
}

TEST_F(FileOps, InjectedFailuresLoseNothingElse) {
  const std::string p = path("victim.txt");
  // A failed delete leaves the open that keeps an existing file to write over
  // it; a write or open that fails after the delete loses the old file; a close
  // that reports lost data is a failed write.
  fail_first<&system_calls::file_read>(p, false, false, 0, "old contents");
  fail_first<&system_calls::file_size>(p, false, false, 0, "old contents");
  fail_first<&system_calls::file_delete>(p, false, true, 3, "NEW contents");
  fail_first<&system_calls::file_write>(p, false, true, 0, "");
  fail_first<&system_calls::file_open_write>(p, nullptr, true, 0, "<missing>");
  fail_first<&system_calls::file_close>(p, false, true, 0, "NEW",
                                        fail_nth<&system_calls::file_close>::reached);
  fail_nth<&system_calls::find_first> fault(1, nullptr);
  EXPECT_EQ(FileSizeGet(p.c_str()), 0u);
  EXPECT_EQ(FileSizeGet(p.c_str()), 3u);
}

// args: path, folder. Holds the file open for reading until folder/release.
HOSTUTIL_CHILD_ROLE(hold_for_reading) {
  hostutil::os::file_handle reader(hostutil::os::calls().file_open_read(args.at(0).c_str()));
  if (!reader) return 2;
  touch(fs::path(args.at(1)) / "held");
  return wait_for_file(fs::path(args.at(1)) / "release", 60s) ? 0 : 3;
}

// Writers hold the file locked whole: while one has it open, nobody reads,
// sizes or writes it. A reader in another process keeps the writer out.
TEST_F(FileOps, AWriterKeepsEveryoneOutAndAReaderElsewhereKeepsTheWriterOut) {
  const std::string p = path("held.txt");
  put(p, "kept");
  char buffer[16];
  {
    hostutil::os::file_handle writer(hostutil::os::calls().file_open_write(p.c_str()));
    ASSERT_TRUE(writer);
    EXPECT_EQ(
        FileRead(p.c_str(), buffer, 16) + FileSizeGet(p.c_str()) + FileWrite(p.c_str(), "x", 1),
        0u);
  }
  child_process child("hold_for_reading", {p, folder()});
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(wait_for_file(path("held"), 30s));
  EXPECT_EQ(FileWrite(p.c_str(), "lost", 4) + FileDelete(p.c_str()), 0u);
  EXPECT_EQ(FileRead(p.c_str(), buffer, sizeof buffer), 4u);
  touch(path("release"));
  EXPECT_EQ(child.wait(), 0);
  EXPECT_EQ(get(p), "kept");
  EXPECT_EQ(FileWrite(p.c_str(), "free", 4), 4u);
}

}  // namespace
