// The profile reader and writer on real files, every case a row: line classes,
// section and key matching, key lists, defaults, buffers cut short and
// never overrun, whole files rebuilt and read back byte for byte; value files
// beside the program; failed allocations; readers on several threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "heap/registry.h"
#include "hostutil.h"
#include "support/fake_semaphores.h"
#include "support/scratch_files.h"

namespace {

using namespace std::string_literals;
using namespace hostutil::test::files;
using results = std::vector<uint32_t>;

class Profile : public table_test {};

// GetPrivateProfileStrEx into size bytes followed by guard bytes that must stay
// as they were: the count and the whole buffer.
std::pair<uint32_t, std::string> read_str(const char* section, const char* key,
                                          const char* fallback, const std::string& path,
                                          uint32_t size) {
  std::string memory(size + 16, 'Z');
  const uint32_t n =
      GetPrivateProfileStrEx(section, key, fallback, memory.data(), size, path.c_str());
  EXPECT_EQ(memory.substr(size), std::string(16, 'Z')) << "written past the buffer";
  return {n, memory.substr(0, size)};
}

TEST_F(Profile, ReaderLinesSectionsKeysAndLists) {
  // Line classes, headers compared as a prefix, keys with their blanks, the
  // first key winning, LF ending no line, values cut to the buffer: the fuzz
  // target's, against a walk by line number, on kept inputs of one file of
  // them all. Lines cut to 255 characters: the fuzz target. Here key lists and
  // a lookup in the second section of one name, which always end in a NUL.
  const std::string path =
      file("r.ini", "[S]\r\nA=1\r\nB\r\nC=3=4\r\n[A]\r\nx=1\r\n[s]\r\nLate=5\r\n");
  const struct {
    const char* key;
    uint32_t count;
    std::string text;  // the buffer holds it ("|" for a NUL), then zeros
    uint32_t size;
  } cases[] = {{"Late", 1, "5", 256}, {nullptr, 10, "A|B|C|Late|", 16}, {nullptr, 5, "A|B|C|", 6}};
  // Four readers at once, each call with scratch blocks of its own in the shared registry.
  hostutil::test::on_threads(4, [&](int) {
    for (const auto& c : cases) {
      const auto [count, bytes] = read_str("S", c.key, "d", path, c.size);
      EXPECT_EQ(count, c.count) << (c.key ? c.key : "(list)");
      std::string want = c.text + std::string(c.size - c.text.size(), '\0');
      std::replace(want.begin(), want.end(), '|', '\0');
      EXPECT_EQ(bytes, want) << c.key;
    }
  });
  // The numbers of Port=25 and Port = 25, a bare key, and the longest section
  // name (253 characters): the fuzz target, on kept inputs of those files.
  // A missing or empty file gives the default when it fits.
  EXPECT_EQ(read_str("S", "K", "abc", folder() + "absent.ini", 4), std::make_pair(0u, "abc\0"s));
  EXPECT_EQ(read_str("S", "K", "abc", folder() + "absent.ini", 3), std::make_pair(0u, "\0\0\0"s));

  // Bad arguments, a section name past 253 characters among them, touch nothing.
  char buffer[8] = "xxxxxxx";
  const char* p = path.c_str();
  const std::string too_long(254, 'n');
  EXPECT_EQ(GetPrivateProfileStrEx("A", "k", "d", buffer, 8, nullptr) +
                GetPrivateProfileStrEx(nullptr, "k", "d", buffer, 8, p) +
                GetPrivateProfileStrEx("A", "k", "d", buffer, 0, p) +
                GetPrivateProfileStrEx(too_long.c_str(), "k", "d", buffer, 8, p),
            0u);
  EXPECT_STREQ(buffer, "xxxxxxx");
}

const std::string base = "[A]\r\nx=1\r\n[B]\r\ny=2";  // the last line without a line end
const std::string long_value(250, 'v');

// Section A with n bare keys k, before and after each gets the long value.
std::pair<std::string, std::string> growing(int n) {
  std::string before = "[A]\r\n", after = "[A]\r\n";
  for (int i = 0; i < n; ++i) {
    before += "k\r\n";
    after += "k=" + long_value + "\r\n";
  }
  return {before + "[B]\r\nb=1", after + "[B]\r\nb=1"};
}

TEST_F(Profile, WriterRebuildsTheWholeFile) {
  const auto [unset, grown] = growing(200);  // far past the file size plus 512 bytes
  const std::string s254(254, 's'), v254(254, 'v');
  // The file before, section, key, value, the answer, the file after. Changed
  // and new keys, sections absent, doubled or headed by more than their name,
  // comment lines, empty lines and empty files: the fuzz target's rebuild, on
  // kept inputs of those files. Here what it cannot pass: no value, long
  // values, a long or empty section.
  const std::tuple<std::string, const char*, const char*, const char*, uint32_t, std::string>
      cases[] = {
          // the changed section ends in CR LF
          {base, "B", "y", nullptr, 1, "[A]\r\nx=1\r\n[B]\r\ny\r\n"},
          {unset, "A", "k", long_value.c_str(), 1, grown},
          // Refusals leave the file untouched; key, "=" and value take at most 255 characters.
          {base, "", "x", "1", 0, base},
          {base, s254.c_str(), "x", "1", 0, base},
          {base, "A", "x", v254.c_str(), 0, base},
      };
  for (const auto& [before, section, key, value, result, after] : cases) {
    const std::string path = file("w.ini", before);
    EXPECT_EQ(WritePrivateProfileStrEx(section, key, value, path.c_str()), result) << before;
    EXPECT_EQ(get(path), after) << before;
  }
  EXPECT_EQ(WritePrivateProfileStrEx("A", "x", "1", (folder() + "gone.ini").c_str()), 0u);
  EXPECT_EQ(get(folder() + "gone.ini"), "<missing>");
}

// Numbers written (by "%d", or "%08x" for a non-zero flag) and read (decimal
// digits, or hex digits after 0x; neither 0000001f, -1, DEFAULT nor 0x alone)
// are the fuzz target's, against the rebuild and the number parsers, on kept
// inputs of those files.

// A full semaphore table refuses every scratch block. Freed slot by slot, it
// lets the writer get further each time (the rebuilt text moves to larger
// blocks on the way), and the file is always left whole or untouched.
TEST_F(Profile, RefusedScratchBlocksLeaveTheFileWholeOrUntouched) {
  const auto [before, after] = growing(40);
  const std::string path = file("fail.ini", before);
  hostutil::test::fake_semaphores fake;
  for (uint64_t i = 0; i < 102400; ++i) SemaphoreCreate(nullptr, i);
  EXPECT_EQ(read_str("A", "k", "dflt", path, 8), std::make_pair(0u, "dflt\0\0\0\0"s));
  std::string answers;
  for (uint64_t n = 0; n < 7; ++n) {
    put(path, before);
    const uint32_t result = WritePrivateProfileStrEx("A", "k", long_value.c_str(), path.c_str());
    EXPECT_EQ(get(path), result == 1 ? after : before) << n;
    EXPECT_TRUE(hostutil::heap::allocation_registry() == nullptr) << n;
    answers += char('0' + result);
    SemaphoreRelease(nullptr, n);
  }
  EXPECT_EQ(answers, "0000011");
}

// Value files lie beside the running program; the writer creates none.
TEST_F(Profile, ValueFilesBesideTheProgram) {
  const std::string self = hostutil::test::self_path(), name = "hostutil-values.ini";
  const std::string path = self.substr(0, self.find_last_of("/\\") + 1) + name;
  const char* n = name.c_str();
  std::remove(path.c_str());
  char buffer[8];
  EXPECT_EQ((results{WriteFileValueString(n, "S", "k", "v"),  // no such file: none is made
                     GetFileValueString(n, "S", "k", "dflt", buffer, sizeof buffer)}),
            (results{1, 0}));
  EXPECT_EQ(buffer + get(path), "dflt<missing>");
  // The file found there (Count=3 read as 3, -5 written by "%d" and read back as
  // the default, 7 read back as 7): the fuzz target's value-file forms, on kept inputs.
  // No file name: the default only.
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ((results{GetFileValueInt(nullptr, "S", "k", 11),
                     GetFileValueString(nullptr, "S", "k", "abc", buffer, sizeof buffer)}),
            (results{11, 0}));
  EXPECT_EQ(std::string(buffer, sizeof buffer), "abc\0\0\0\0\0"s);
}

}  // namespace
