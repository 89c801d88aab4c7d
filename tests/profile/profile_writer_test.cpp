// The profile writer's whole-file rebuild, each effect checked by reading the
// file back byte for byte, and the cases where the file must stay untouched.
#include <gtest/gtest.h>

#include <string>

#include "hostutil.h"
#include "os/heap.h"
#include "profile_fixture.h"

namespace {

using hostutil::test::read_bytes;
using hostutil::test::ScratchFiles;

const std::string base = "[A]\r\nx=1\r\n[B]\r\ny=2";

class ProfileWriter : public ScratchFiles {
 protected:
  // Writes base (or the given text), sets the key and answers the file's bytes.
  std::string after(const char* section, const char* key, const char* value,
                    const std::string& before = base, uint32_t expected = 1) {
    const std::string path = file("w.ini", before);
    EXPECT_EQ(WritePrivateProfileStrEx(section, key, value, path.c_str()), expected);
    return read_bytes(path);
  }
};

TEST_F(ProfileWriter, ReplacesInPlaceAndAddsFirstInSection) {
  EXPECT_EQ(after("A", "x", "5"), "[A]\r\nx=5\r\n[B]\r\ny=2");
  EXPECT_EQ(after("a", "X", "5"), "[A]\r\nX=5\r\n[B]\r\ny=2");
  EXPECT_EQ(after("A", "z", "7"), "[A]\r\nz=7\r\nx=1\r\n[B]\r\ny=2");
  // The changed section ends with a line end, also at the end of the file.
  EXPECT_EQ(after("B", "y", nullptr), "[A]\r\nx=1\r\n[B]\r\ny\r\n");
  EXPECT_EQ(after("B", "w", "0"), "[A]\r\nx=1\r\n[B]\r\nw=0\r\ny=2\r\n");
  // Every matching line of the section is replaced, comments go through the
  // key test too, and other sections' lines are left.
  EXPECT_EQ(after("A", "x", "9", "[A]\r\nx=1\r\n//x=0\r\nX=2\r\n[B]\r\nx=3\r\n"),
            "[A]\r\nx=9\r\n//x=0\r\nx=9\r\n[B]\r\nx=3");
  EXPECT_EQ(after("A", "//x", "9", "[A]\r\nx=1\r\n//x=0\r\n"), "[A]\r\nx=1\r\n//x=9\r\n");
}

TEST_F(ProfileWriter, OnlyTheFirstOccurrenceOfTheSection) {
  const std::string twice = "[A]\r\na=1\r\n[B]\r\nb=1\r\n[A]\r\nc=1\r\n";
  const std::string path = file("twice.ini", twice);
  ASSERT_EQ(WritePrivateProfileStrEx("A", "c", "2", path.c_str()), 1u);
  // The last line of the file, outside the changed section, loses its line end.
  EXPECT_EQ(read_bytes(path), "[A]\r\nc=2\r\na=1\r\n[B]\r\nb=1\r\n[A]\r\nc=1");
  char value[8];
  GetPrivateProfileStrEx("A", "c", "", value, sizeof value, path.c_str());
  EXPECT_STREQ(value, "2");
}

TEST_F(ProfileWriter, SectionHeaderMustBeTheWholeLine) {
  // The reader takes "[A] " for section A; the writer does not.
  EXPECT_EQ(after("A", "x", "5", "[A] \r\nx=1\r\n"), "[A] \r\nx=1");
  EXPECT_EQ(after("C", "x", "5"), base);
  EXPECT_EQ(after("A", "x", "5", "[AB]\r\nx=1\r\n[A]\r\nx=1"), "[AB]\r\nx=1\r\n[A]\r\nx=5\r\n");
}

TEST_F(ProfileWriter, EmptyLines) {
  // Dropped at the top and between the changed header and its first line;
  // kept elsewhere.
  EXPECT_EQ(after("B", "y", "3", "\r\n\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"),
            "[A]\r\nx=1\r\n\r\n[B]\r\ny=3\r\n");
  EXPECT_EQ(after("A", "x", "2", "[A]\r\n\r\n\r\nx=1\r\n\r\nk=3\r\n\r\n[B]"),
            "[A]\r\nx=2\r\n\r\nk=3\r\n\r\n[B]");
  // The last empty line of a changed section at the end of the file is lost.
  EXPECT_EQ(after("A", "x", "2", "[A]\r\nx=1\r\n\r\n\r\n"), "[A]\r\nx=2\r\n\r\n");
  // Nothing but empty lines: nothing to write, the file stays.
  EXPECT_EQ(after("A", "x", "2", "\r\n\r\n", 0), "\r\n\r\n");
}

TEST_F(ProfileWriter, LinesAreWrittenBackAsRead) {
  // Long lines come back cut to 255 characters; a form feed after a line end
  // and a lone CR's next byte are gone.
  const std::string longer(300, 'L');
  EXPECT_EQ(after("A", "x", "2", "[A]\r\nx=1\r\n[B]\r\n" + longer + "\r\n\fq=1\rZr=2"),
            "[A]\r\nx=2\r\n[B]\r\n" + longer.substr(0, 255) + "\r\nq=1\r\nr=2");
}

// Section A with n bare keys k, before and after each gets the long value.
const std::string value(250, 'v');
std::pair<std::string, std::string> growing(int n) {
  std::string before = "[A]\r\n", expected = "[A]\r\n";
  for (int i = 0; i < n; ++i) {
    before += "k\r\n";
    expected += "k=" + value + "\r\n";
  }
  return {before, expected};
}

TEST_F(ProfileWriter, TextThatOutgrowsItsFirstBlock) {
  // Many short matching lines, each replaced by a long one: far more than the
  // file size plus 512 bytes.
  const auto [before, expected] = growing(200);
  EXPECT_EQ(after("A", "k", value.c_str(), before + "[B]\r\nb=1"), expected + "[B]\r\nb=1");
}

TEST_F(ProfileWriter, RefusalsLeaveTheFileUntouched) {
  const std::string path = file("keep.ini", base);
  const char* p = path.c_str();
  EXPECT_EQ(WritePrivateProfileStrEx("A", "x", "1", nullptr), 0u);
  EXPECT_EQ(WritePrivateProfileStrEx(nullptr, "x", "1", p), 0u);
  EXPECT_EQ(WritePrivateProfileStrEx("A", nullptr, "1", p), 0u);
  EXPECT_EQ(WritePrivateProfileStrEx("", "x", "1", p), 0u);
  EXPECT_EQ(WritePrivateProfileStrEx("A", "", "1", p), 0u);
  EXPECT_EQ(WritePrivateProfileStrEx(std::string(254, 's').c_str(), "x", "1", p), 0u);
  // Key, "=" and value take at most 255 characters.
  EXPECT_EQ(WritePrivateProfileStrEx("A", "x", std::string(254, 'v').c_str(), p), 0u);
  EXPECT_EQ(read_bytes(path), base);
  EXPECT_EQ(WritePrivateProfileStrEx("A", "x", std::string(253, 'v').c_str(), p), 1u);
  EXPECT_EQ(read_bytes(path), "[A]\r\nx=" + std::string(253, 'v') + "\r\n[B]\r\ny=2");

  // A missing or empty file is not created.
  const std::string gone = missing("gone.ini");
  EXPECT_EQ(WritePrivateProfileStrEx("A", "x", "1", gone.c_str()), 0u);
  EXPECT_EQ(read_bytes(gone), "<missing>");
  const std::string empty = file("empty.ini", "");
  EXPECT_EQ(WritePrivateProfileStrEx("A", "x", "1", empty.c_str()), 0u);
  EXPECT_EQ(read_bytes(empty), "");
}

TEST_F(ProfileWriter, IntegerFormats) {
  const std::string path = file("int.ini", "[N]\r\n");
  const char* p = path.c_str();
  ASSERT_EQ(WritePrivateProfileIntEx("N", "h", 31, p, 1), 1u);
  ASSERT_EQ(WritePrivateProfileIntEx("N", "d", 31, p, 0), 1u);
  ASSERT_EQ(WritePrivateProfileIntEx("N", "m", 4294967295u, p, 0), 1u);
  ASSERT_EQ(WritePrivateProfileIntEx("N", "x", 0xDEADBEEFu, p, 7), 1u);
  EXPECT_EQ(read_bytes(p), "[N]\r\nx=deadbeef\r\nm=-1\r\nd=31\r\nh=0000001f\r\n");
  EXPECT_EQ(GetPrivateProfileIntEx("N", "d", 5, p), 31u);
  EXPECT_EQ(GetPrivateProfileIntEx("N", "h", 5, p), 5u);
  EXPECT_EQ(GetPrivateProfileIntEx("N", "m", 5, p), 5u);
  EXPECT_EQ(WritePrivateProfileIntEx("N", "", 1, p, 0), 0u);
}

TEST_F(ProfileWriter, BareKeyIsListedButHasNoValue) {
  const std::string path = file("bare.ini", base);
  ASSERT_EQ(WritePrivateProfileStrEx("B", "y", nullptr, path.c_str()), 1u);
  char buffer[16];
  EXPECT_EQ(GetPrivateProfileStrEx("B", "y", "none", buffer, sizeof buffer, path.c_str()), 0u);
  EXPECT_STREQ(buffer, "none");
  EXPECT_EQ(GetPrivateProfileStrEx("B", nullptr, "", buffer, sizeof buffer, path.c_str()), 1u);
  EXPECT_EQ(std::string(buffer, 3), std::string("y\0\0", 3));
}

// Makes the heap allocation after the next n fail, once.
struct failing_heap {
  static inline int countdown = -1;
  static inline hostutil::os::heap_calls saved{};
  static void* allocate(std::size_t size, bool zero_fill) {
    if (countdown >= 0 && countdown-- == 0) return nullptr;
    return saved.allocate(size, zero_fill);
  }
  explicit failing_heap(int n) {
    saved = hostutil::os::heap_syscalls();
    countdown = n;
    hostutil::os::heap_syscalls().allocate = allocate;
  }
  ~failing_heap() { hostutil::os::heap_syscalls() = saved; }
};

TEST_F(ProfileWriter, FailedAllocationsLeaveTheFileWholeOrUntouched) {
  // The output moves to larger blocks several times on the way.
  const auto [before, expected] = growing(40);
  int refused = 0;
  int written = 0;
  for (int n = 0; n < 60; ++n) {
    const std::string path = file("fail.ini", before);
    uint32_t result;
    {
      failing_heap fail(n);
      result = WritePrivateProfileStrEx("A", "k", value.c_str(), path.c_str());
    }
    EXPECT_EQ(read_bytes(path), result == 1 ? expected : before) << n;
    EXPECT_TRUE(hostutil::test::no_scratch_left()) << n;
    ++(result == 1 ? written : refused);
  }
  EXPECT_GT(refused, 3);
  EXPECT_GT(written, 0);
}

TEST(ProfileUnset, ScratchNeedsTheSemaphoreTable) {
  SemaphoreControlEnd();
  const std::string folder = hostutil::test::scratch_folder("profile-unset");
  const std::string path = folder + "a.ini";
  hostutil::test::write_bytes(path, base);
  EXPECT_EQ(WritePrivateProfileStrEx("A", "x", "5", path.c_str()), 0u);
  EXPECT_EQ(read_bytes(path), base);
  char buffer[16];
  EXPECT_EQ(GetPrivateProfileStrEx("A", "x", "dflt", buffer, sizeof buffer, path.c_str()), 0u);
  EXPECT_STREQ(buffer, "dflt");
  EXPECT_EQ(GetPrivateProfileIntEx("A", "x", 3, path.c_str()), 3u);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

}  // namespace
