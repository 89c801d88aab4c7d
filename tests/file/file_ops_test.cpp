// The whole-file primitives on real files, with injected system failures and
// the sharing rules between threads and processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "file_test_util.h"
#include "hostutil.h"
#include "os/file.h"
#include "support/child.h"
#include "support/file_faults.h"

namespace {

namespace fs = std::filesystem;
using hostutil::test::file_call;
using hostutil::test::file_fault;
using namespace std::chrono_literals;
using namespace hostutil::test::files;

class FileOps : public scratch_test {};

TEST_F(FileOps, ReadNeedsABufferAsLargeAsTheFile) {
  const std::string p = path("data.bin");
  const std::string contents = pattern(100);
  put(p, contents);
  std::vector<char> buffer(200, '#');
  // One byte short: refused, nothing read.
  EXPECT_EQ(FileRead(p.c_str(), buffer.data(), 99), 0u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(200, '#'));
  EXPECT_EQ(FileRead(p.c_str(), buffer.data(), 100), 100u);
  EXPECT_EQ(std::string(buffer.data(), 100), contents);
  EXPECT_EQ(buffer[100], '#');
  // Larger: the bytes behind the contents are neither cleared nor terminated.
  std::fill(buffer.begin(), buffer.end(), '#');
  EXPECT_EQ(FileRead(p.c_str(), buffer.data(), 200), 100u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), contents + std::string(100, '#'));

  EXPECT_EQ(FileRead(nullptr, buffer.data(), 200), 0u);
  EXPECT_EQ(FileRead("", buffer.data(), 200), 0u);
  EXPECT_EQ(FileRead(p.c_str(), nullptr, 200), 0u);
  EXPECT_EQ(FileRead(p.c_str(), buffer.data(), 0), 0u);
  EXPECT_EQ(FileRead(path("missing").c_str(), buffer.data(), 200), 0u);
  // The find succeeds for a folder and for a pattern; the open does not.
  EXPECT_EQ(FileRead(folder().c_str(), buffer.data(), 200), 0u);
  EXPECT_EQ(FileRead(path("*.bin").c_str(), buffer.data(), 200), 0u);
  EXPECT_EQ(FileSizeGet(path("*.bin").c_str()), 0u);
}

TEST_F(FileOps, WriteReplacesTheWholeFile) {
  const std::string p = path("out.txt");
  put(p, std::string(500, 'o'));
  // Nothing to write: the file is not touched, not even deleted.
  {
    file_fault counting(file_call::remove, 0);
    EXPECT_EQ(FileWrite(p.c_str(), "new", 0), 0u);
    EXPECT_EQ(FileWrite(p.c_str(), nullptr, 3), 0u);
    EXPECT_EQ(FileWrite("", "new", 3), 0u);
    EXPECT_EQ(FileWrite(nullptr, "new", 3), 0u);
    EXPECT_EQ(counting.seen(), 0);
  }
  EXPECT_EQ(get(p), std::string(500, 'o'));
  // A shorter write leaves exactly the new bytes.
  EXPECT_EQ(FileWrite(p.c_str(), "new", 3), 3u);
  EXPECT_EQ(get(p), "new");
  const std::string fresh = path("fresh.bin");
  const std::string bytes("\0\r\n\xff", 4);
  EXPECT_EQ(FileWrite(fresh.c_str(), bytes.data(), 4), 4u);
  EXPECT_EQ(get(fresh), bytes);
}

TEST_F(FileOps, SizeAndDelete) {
  const std::string empty = path("empty");
  put(empty, "");
  EXPECT_EQ(FileSizeGet(empty.c_str()), 0u);
  EXPECT_EQ(FileSizeGet(path("missing").c_str()), 0u);
  EXPECT_EQ(FileSizeGet(nullptr), 0u);
  EXPECT_EQ(FileSizeGet(""), 0u);
  EXPECT_EQ(FileSizeGet(folder().c_str()), 0u);
  const std::string p = path("sized");
  put(p, pattern(1234));
  EXPECT_EQ(FileSizeGet(p.c_str()), 1234u);

  EXPECT_EQ(FileDelete(nullptr), 0u);
  EXPECT_EQ(FileDelete(path("missing").c_str()), 0u);
  EXPECT_NE(FileDelete(p.c_str()), 0u);
  EXPECT_FALSE(fs::exists(p));
  // A folder is not a file.
  const std::string sub = path("sub");
  fs::create_directory(sub);
  EXPECT_EQ(FileDelete(sub.c_str()), 0u);
  EXPECT_TRUE(fs::is_directory(sub));
}

TEST_F(FileOps, AttributesOfMissingFilesFoldersAndReadOnlyFiles) {
  EXPECT_EQ(FileAttributesGet(nullptr), HOSTUTIL_FILE_MISSING);
  EXPECT_EQ(FileAttributesGet(path("missing").c_str()), 0x80000000u);  // the top bit alone
  EXPECT_EQ(FileAttributesGet(""), HOSTUTIL_FILE_MISSING);
  const std::string sub = path("sub");
  fs::create_directory(sub);
  EXPECT_EQ(FileAttributesGet(sub.c_str()) & 0x10u, 0x10u);

  const std::string p = path("ro.txt");
  put(p, "original");
  const uint32_t plain = FileAttributesGet(p.c_str());
  EXPECT_EQ(plain & 0x80000011u, 0u);
  EXPECT_EQ(FileAttributesSet(nullptr, 1), 0u);
  EXPECT_EQ(FileAttributesSet(path("missing").c_str(), 1), 0u);
  ASSERT_NE(FileAttributesSet(p.c_str(), plain | 0x1), 0u);
  EXPECT_EQ(FileAttributesGet(p.c_str()) & 0x1u, 0x1u);
  // A read-only file cannot be deleted. (That it cannot be written either is
  // checked per platform: Wine run by the superuser lets the writer in.)
  EXPECT_EQ(FileDelete(p.c_str()), 0u);
  EXPECT_EQ(get(p), "original");
  ASSERT_NE(FileAttributesSet(p.c_str(), plain & ~0x1u), 0u);
  EXPECT_EQ(FileAttributesGet(p.c_str()) & 0x1u, 0u);
  EXPECT_EQ(FileWrite(p.c_str(), "changed", 7), 7u);
  EXPECT_EQ(get(p), "changed");
}

TEST_F(FileOps, FindWithWildcards) {
  put(path("b.txt"), "bb");
  put(path("a.txt"), "a");
  put(path("c.log"), "ccc");
  fs::create_directory(path("folder"));
  hu_WIN32_FIND_DATAA record;
  std::memset(&record, 0x5A, sizeof record);
  ASSERT_EQ(FindAndGetInformationOfFile(path("*.txt").c_str(), &record), 1u);
  const std::string name = record.cFileName;
  EXPECT_TRUE(name == "a.txt" || name == "b.txt") << name;
  EXPECT_EQ(record.nFileSizeLow, name == "a.txt" ? 1u : 2u);
  EXPECT_EQ(record.nFileSizeHigh, 0u);
  EXPECT_EQ(record.dwFileAttributes & 0x10u, 0u);

  ASSERT_EQ(FindAndGetInformationOfFile(path("?.log").c_str(), &record), 1u);
  EXPECT_STREQ(record.cFileName, "c.log");
  EXPECT_EQ(record.nFileSizeLow, 3u);
  ASSERT_EQ(FindAndGetInformationOfFile(path("fold*").c_str(), &record), 1u);
  EXPECT_STREQ(record.cFileName, "folder");
  EXPECT_EQ(record.dwFileAttributes & 0x10u, 0x10u);
  // A plain path gives its bare name; the record may be left out.
  ASSERT_EQ(FindAndGetInformationOfFile(path("b.txt").c_str(), &record), 1u);
  EXPECT_STREQ(record.cFileName, "b.txt");
  EXPECT_EQ(FindAndGetInformationOfFile(path("c.*").c_str(), nullptr), 1u);
  EXPECT_EQ(FindAndGetInformationOfFile(nullptr, &record), 0u);

  // No match: 0, and the caller's record as it was.
  hu_WIN32_FIND_DATAA untouched;
  std::memset(&untouched, 0x5A, sizeof untouched);
  EXPECT_EQ(FindAndGetInformationOfFile(path("*.none").c_str(), &untouched), 0u);
  EXPECT_EQ(FindAndGetInformationOfFile(path("??.txt").c_str(), &untouched), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&untouched), sizeof untouched),
            std::string(sizeof untouched, '\x5A'));
  EXPECT_EQ(FileAttributesGet(path("*.txt").c_str()) & 0x10u, 0u);
  EXPECT_EQ(FileAttributesGet(path("*.none").c_str()), HOSTUTIL_FILE_MISSING);
}

TEST_F(FileOps, FilePathBesideTheProgram) {
  // The real program: the test program's own folder.
  char buffer[260];
  std::memset(buffer, 'x', sizeof buffer);
  GetFilePath("trace.txt", buffer, sizeof buffer);
  const fs::path self(hostutil::test::self_path());
  EXPECT_EQ(std::string(buffer), self.parent_path().string() + sep() + "trace.txt");
  GetFilePath(nullptr, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer), self.parent_path().string());
  {
    // A program elsewhere; a buffer too small for the joined path stays empty.
    const std::string app = root() + "App";
    hostutil::test::fake_program_path fake(app + sep() + "prog.exe");
    GetFilePath("trace.txt", buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer), app + sep() + "trace.txt");
    GetFilePath(nullptr, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer), app);
    const size_t joined = app.size() + std::strlen("/trace.txt");
    std::vector<char> exact(joined + 2, 'x');
    GetFilePath("trace.txt", exact.data(), static_cast<uint32_t>(joined + 1));
    EXPECT_EQ(std::string(exact.data()), app + sep() + "trace.txt");
    std::fill(exact.begin(), exact.end(), 'x');
    GetFilePath("trace.txt", exact.data(), static_cast<uint32_t>(joined));
    EXPECT_EQ(std::string(exact.data(), joined + 1), std::string(joined, '\0') + "x");
    // A program path cut by the buffer names no folder: empty as well.
    std::fill(exact.begin(), exact.end(), 'x');
    GetFilePath(nullptr, exact.data(), 5);
    EXPECT_EQ(std::string(exact.data(), 6), std::string(5, '\0') + "x");
    GetFilePath("x", nullptr, 260);
    GetFilePath("x", exact.data(), 0);
    EXPECT_EQ(exact[0], 0);
  }
  {
    // No separator in the program path: the path as it is.
    hostutil::test::fake_program_path fake("prog.exe");
    GetFilePath("trace.txt", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "prog.exe");
  }
  // No program path at all: the whole buffer cleared.
  file_fault fault(file_call::program_path, 1);
  std::memset(buffer, 'x', sizeof buffer);
  GetFilePath("trace.txt", buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '\0'));
}

TEST_F(FileOps, TemporaryFolder) {
  char buffer[1024];
  EXPECT_EQ(GetTempDirPath(nullptr, 10), 0u);
  ASSERT_EQ(GetTempDirPath(buffer, sizeof buffer), 1u);
  const std::string temp(buffer);
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), sep()[0]);
  EXPECT_TRUE(fs::is_directory(temp));
  char one[2] = {'x', 'x'};
  EXPECT_EQ(GetTempDirPath(one, 1), 0u);
  EXPECT_EQ(one[1], 'x');
  // Room for the path and its NUL is enough; one byte less is not.
  std::vector<char> exact(temp.size() + 2, 'x');
  EXPECT_EQ(GetTempDirPath(exact.data(), static_cast<uint32_t>(temp.size() + 1)), 1u);
  EXPECT_EQ(std::string(exact.data()), temp);
  EXPECT_EQ(GetTempDirPath(exact.data(), static_cast<uint32_t>(temp.size())), 0u);
  EXPECT_EQ(exact[temp.size() + 1], 'x');
  // No temporary folder at all: the buffer stays empty and the answer is 1.
  file_fault none(file_call::temp_folder, 1);
  EXPECT_EQ(GetTempDirPath(buffer, sizeof buffer), 1u);
  EXPECT_EQ(buffer[0], 0);
}

TEST_F(FileOps, CreateFolderOneLevel) {
  // A parent deep enough that a name reaching the limit is still a legal file name.
  const std::string bare = path(std::string(40, 'p'));
  ASSERT_TRUE(fs::create_directory(bare));
  const std::string parent = bare + sep();
  EXPECT_EQ(CreateFolder(bare.c_str(), "Logs"), 1u);
  EXPECT_TRUE(fs::is_directory(parent + "Logs"));
  EXPECT_EQ(CreateFolder(parent.c_str(), "Logs"), 1u);  // exists: 1 again
  EXPECT_EQ(CreateFolder(parent.c_str(), "Other"), 1u);
  EXPECT_TRUE(fs::is_directory(parent + "Other"));
  EXPECT_EQ(CreateFolder((parent + "Missing" + sep() + "Deeper").c_str(), "Logs"), 0u);
  EXPECT_FALSE(fs::exists(parent + "Missing"));
  EXPECT_EQ(CreateFolder(nullptr, "x"), 0u);
  EXPECT_EQ(CreateFolder(bare.c_str(), nullptr), 0u);
  EXPECT_EQ(CreateFolder("", "x"), 0u);
  EXPECT_EQ(CreateFolder(bare.c_str(), ""), 0u);
  // The joined path fits 247 bytes at most.
  const std::string at_limit(247 - parent.size(), 'n'), over(248 - parent.size(), 'm');
  EXPECT_EQ(CreateFolder(bare.c_str(), over.c_str()), 0u);
  EXPECT_FALSE(fs::exists(parent + over));
  EXPECT_EQ(CreateFolder(bare.c_str(), at_limit.c_str()), 1u);
  EXPECT_TRUE(fs::is_directory(parent + at_limit));
  file_fault refused(file_call::create_folder, 1);
  EXPECT_EQ(CreateFolder(bare.c_str(), "Refused"), 0u);
}

TEST_F(FileOps, InjectedFailuresLoseNothingElse) {
  const std::string p = path("victim.txt");
  put(p, "old contents");
  char buffer[64];
  {
    file_fault fault(file_call::read, 1);
    EXPECT_EQ(FileRead(p.c_str(), buffer, sizeof buffer), 0u);
  }
  {
    file_fault fault(file_call::size, 1);
    EXPECT_EQ(FileRead(p.c_str(), buffer, sizeof buffer), 0u);
  }
  {
    file_fault fault(file_call::find_first, 1);
    EXPECT_EQ(FileSizeGet(p.c_str()), 0u);
    EXPECT_EQ(FileSizeGet(p.c_str()), 12u);
  }
  // The delete fails: the open that keeps an existing file writes over it.
  {
    file_fault fault(file_call::remove, 1);
    EXPECT_EQ(FileWrite(p.c_str(), "NEW", 3), 3u);
    EXPECT_EQ(get(p), "NEW contents");
  }
  // The write fails after the old file was deleted: 0, and an empty new file.
  {
    file_fault fault(file_call::write, 1);
    EXPECT_EQ(FileWrite(p.c_str(), "newer", 5), 0u);
    EXPECT_EQ(FileSizeGet(p.c_str()), 0u);
  }
  // The open fails after the delete: the old file is gone, no new one.
  put(p, "old contents");
  {
    file_fault fault(file_call::open_write, 1);
    EXPECT_EQ(FileWrite(p.c_str(), "newer", 5), 0u);
    EXPECT_FALSE(fs::exists(p));
  }
  // A close that reports lost data is a failed write.
  {
    file_fault fault(file_call::close, 1);
    EXPECT_EQ(FileWrite(p.c_str(), "newest", 6), 0u);
    EXPECT_EQ(fault.seen(), 1);
  }
  EXPECT_EQ(FileWrite(p.c_str(), "newest", 6), 6u);
  EXPECT_EQ(get(p), "newest");
}

TEST_F(FileOps, SharingBetweenReaderAndWriterInOneProcess) {
  const std::string p = path("shared.txt");
  put(p, "before");
  auto& calls = hostutil::os::file_syscalls();
  char buffer[64] = {};
  {
    hostutil::os::file_handle writer(calls.open_write(p.c_str()));
    ASSERT_TRUE(writer);
    EXPECT_EQ(FileRead(p.c_str(), buffer, sizeof buffer), 0u);
    EXPECT_EQ(FileSizeGet(p.c_str()), 0u);
    EXPECT_EQ(FileWrite(p.c_str(), "other", 5), 0u);
  }
  {
    hostutil::os::file_handle reader(calls.open_read(p.c_str()));
    ASSERT_TRUE(reader);
    EXPECT_EQ(FileRead(p.c_str(), buffer, sizeof buffer), 6u);  // readers share
    EXPECT_EQ(FileWrite(p.c_str(), "after", 5), 0u);
    EXPECT_EQ(FileDelete(p.c_str()), 0u);
  }
  EXPECT_EQ(get(p), "before");
  EXPECT_EQ(FileWrite(p.c_str(), "after", 5), 5u);
  EXPECT_EQ(get(p), "after");
}

TEST_F(FileOps, ThreadsNeverSeeAHalfWrittenFile) {
  const std::string p = path("race.bin");
  constexpr uint32_t size = 8192;
  put(p, std::string(size, 'A'));
  std::atomic<bool> stop{false};
  std::atomic<int> complete_reads{0}, torn{0}, writes{0};
  std::vector<std::thread> threads;
  for (char fill : {'B', 'C'}) {
    threads.emplace_back([&, fill] {
      const std::string data(size, fill);
      while (!stop) writes += FileWrite(p.c_str(), data.data(), size) == size;
    });
    threads.emplace_back([&] {
      std::vector<char> buffer(size * 2);
      while (!stop) {
        const uint32_t n = FileRead(p.c_str(), buffer.data(), size * 2);
        if (n == 0) continue;
        const bool uniform = n == size && std::all_of(buffer.begin(), buffer.begin() + n,
                                                      [&](char c) { return c == buffer[0]; });
        ++(uniform ? complete_reads : torn);
      }
    });
  }
  std::this_thread::sleep_for(1500ms);
  stop = true;
  for (auto& t : threads) t.join();
  EXPECT_EQ(torn, 0);
  EXPECT_GT(writes, 0);
  EXPECT_GT(complete_reads, 0);
}

// args: path, folder. Holds the file open for reading until folder/release.
HOSTUTIL_CHILD_ROLE(hold_for_reading) {
  hostutil::os::file_handle reader(hostutil::os::file_syscalls().open_read(args.at(0).c_str()));
  if (!reader) return 2;
  const fs::path folder(args.at(1));
  std::ofstream(folder / "held") << "x";
  if (!wait_for(folder / "release", 60s)) return 3;
  return 0;
}

TEST_F(FileOps, AReaderInAnotherProcessKeepsTheWriterOut) {
  const std::string p = path("held.txt");
  put(p, "kept");
  hostutil::test::child_process child("hold_for_reading", {p, folder()});
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(wait_for(path("held"), 30s));
  EXPECT_EQ(FileWrite(p.c_str(), "lost", 4), 0u);
  EXPECT_EQ(FileDelete(p.c_str()), 0u);
  EXPECT_EQ(get(p), "kept");
  char buffer[16];
  EXPECT_EQ(FileRead(p.c_str(), buffer, sizeof buffer), 4u);
  std::ofstream(path("release")) << "x";
  EXPECT_EQ(child.wait(), 0);
  EXPECT_EQ(FileWrite(p.c_str(), "free", 4), 4u);
  EXPECT_EQ(get(p), "free");
}

}  // namespace
