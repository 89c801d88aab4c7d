// The profile reader on real files: line classes, section and key matching,
// list mode, defaults, integers, and buffers that are too small.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "hostutil.h"
#include "profile_fixture.h"

namespace {

using hostutil::test::ScratchFiles;

struct answer {
  uint32_t count;
  std::string bytes;  // the whole caller buffer
  std::string text() const { return std::string(bytes.c_str()); }
};

// GetPrivateProfileStrEx into a buffer of size bytes followed by guard bytes
// that must stay as they were.
answer read_str(const char* section, const char* key, const char* fallback, const std::string& path,
                uint32_t size = 256) {
  std::string memory(size + 16, 'Z');
  const uint32_t count =
      GetPrivateProfileStrEx(section, key, fallback, memory.data(), size, path.c_str());
  EXPECT_EQ(memory.substr(size), std::string(16, 'Z')) << "written past the buffer";
  return {count, memory.substr(0, size)};
}

class ProfileReader : public ScratchFiles {};

TEST_F(ProfileReader, CaseAndLineClasses) {
  const std::string path = file("net.ini", "[Net]\r\nPort=25");
  const answer a = read_str("net", "PORT", "none", path);
  EXPECT_EQ(a.count, 2u);
  EXPECT_EQ(a.text(), "25");
  EXPECT_EQ(a.bytes.substr(2), std::string(254, '\0'));
  EXPECT_EQ(GetPrivateProfileIntEx("NET", "port", 7, path.c_str()), 25u);

  const std::string classes = file("classes.ini",
                                   "Top=0\r\n"          // above every header: never found
                                   "[Net] // main\r\n"  // a header compared as a prefix
                                   "//Port=1\r\n"       // a comment
                                   ";Port=2\r\n"        // a key line with key ;Port
                                   "\r\n"
                                   "Port = 25\r\n"  // key "Port ", value " 25"
                                   " [Other]\r\n"   // not a header: a key line
                                   "Host=a=b\r\n"
                                   "[Network]\r\n"  // another section
                                   "Deep=1\r\n");
  EXPECT_EQ(read_str("Net", "Top", "d", classes).text(), "d");
  EXPECT_EQ(read_str("Net", "Port", "d", classes).count, 0u);
  EXPECT_EQ(read_str("Net", "//Port", "d", classes).text(), "d");
  EXPECT_EQ(read_str("Net", ";Port", "d", classes).text(), "2");
  const answer blank = read_str("Net", "Port ", "d", classes);
  EXPECT_EQ(blank.count, 3u);
  EXPECT_EQ(blank.text(), " 25");
  EXPECT_EQ(GetPrivateProfileIntEx("Net", "Port ", 9, classes.c_str()), 9u);
  EXPECT_EQ(read_str("Net", "Host", "d", classes).text(), "a=b");
  EXPECT_EQ(read_str("Net", "Deep", "d", classes).text(), "d");
  EXPECT_EQ(read_str("Network", "Deep", "d", classes).text(), "1");
  // The key is compared over the longer length.
  EXPECT_EQ(read_str("Net", "Hos", "d", classes).text(), "d");
  EXPECT_EQ(read_str("Net", "Hosts", "d", classes).text(), "d");
  EXPECT_EQ(read_str("Other", "x", "d", classes).text(), "d");
}

TEST_F(ProfileReader, FirstMatchEndsTheSearch) {
  const std::string path = file("first.ini",
                                "[A]\r\nPort=1\r\nPort=2\r\n"
                                "[B]\r\nEmpty=\r\nBare\r\nBare=1\r\nEmpty=3\r\n");
  EXPECT_EQ(read_str("A", "Port", "d", path).text(), "1");
  const answer empty = read_str("B", "Empty", "dflt", path);
  EXPECT_EQ(empty.count, 0u);
  EXPECT_EQ(empty.text(), "dflt");
  EXPECT_EQ(read_str("B", "Bare", "dflt", path).text(), "dflt");
}

TEST_F(ProfileReader, RepeatedSectionsAndKeyLists) {
  const std::string path =
      file("list.ini", "[S]\r\nA=1\r\nB\r\nC=3=4\r\n[T]\r\nX=1\r\n[s]\r\nLate=5\r\nA=9");
  EXPECT_EQ(read_str("S", "Late", "d", path).text(), "5");
  EXPECT_EQ(read_str("S", "A", "d", path).text(), "1");
  const answer list = read_str("S", nullptr, "d", path, 32);
  EXPECT_EQ(list.count, 12u);
  EXPECT_EQ(list.bytes, std::string("A\0B\0C\0Late\0A\0", 13) + std::string(19, '\0'));

  const std::string small = file("small.ini", "[S]\r\nA=1\r\nB\r\nC=3=4\r\n");
  const answer three = read_str("S", nullptr, "d", small, 8);
  EXPECT_EQ(three.count, 5u);
  EXPECT_EQ(three.bytes, std::string("A\0B\0C\0\0\0", 8));
  // Exactly as large as the list: its last NUL is the buffer's last byte.
  const answer exact = read_str("S", nullptr, "d", small, 6);
  EXPECT_EQ(exact.count, 5u);
  EXPECT_EQ(exact.bytes, std::string("A\0B\0C\0", 6));
  // Smaller: cut, and the buffer still ends in a NUL.
  const answer cut = read_str("S", nullptr, "d", small, 4);
  EXPECT_EQ(cut.count, 3u);
  EXPECT_EQ(cut.bytes, std::string("A\0B\0", 4));
  const answer mid = read_str("S", nullptr, "d", file("long.ini", "[S]\r\nLongName=1\r\n"), 5);
  EXPECT_EQ(mid.count, 4u);
  EXPECT_EQ(mid.bytes, std::string("Long\0", 5));
  // A section without key lines gives the default.
  EXPECT_EQ(read_str("T2", nullptr, "none", path).text(), "none");
}

TEST_F(ProfileReader, DefaultTextAndValuesCutToTheBuffer) {
  const std::string gone = missing("absent.ini");
  answer a = read_str("S", "K", "abc", gone, 4);
  EXPECT_EQ(a.count, 0u);
  EXPECT_EQ(a.bytes, std::string("abc\0", 4));
  a = read_str("S", "K", "abc", gone, 3);
  EXPECT_EQ(a.bytes, std::string(3, '\0'));
  a = read_str("S", "K", nullptr, file("empty.ini", ""));
  EXPECT_EQ(a.count, 0u);
  EXPECT_EQ(a.bytes, std::string(256, '\0'));
  // A value is cut to the buffer.
  const std::string cut = file("cut.ini", "[A]\r\nk=abcdef\r\n");
  a = read_str("A", "k", "d", cut, 4);
  EXPECT_EQ(a.count, 3u);
  EXPECT_EQ(a.bytes, std::string("abc\0", 4));
  EXPECT_EQ(read_str("A", "k", "d", cut, 7).bytes, std::string("abcdef\0", 7));
}

TEST_F(ProfileReader, LineRules) {
  // Bare LF ends no line: the whole file is one header line.
  EXPECT_EQ(read_str("A", "k", "d", file("lf.ini", "[A]\nk=1\n")).text(), "d");
  // A form feed after CR LF belongs to the line end; a lone CR swallows a byte.
  EXPECT_EQ(read_str("A", "k", "d", file("ff.ini", "[A]\r\n\fk=1")).text(), "1");
  EXPECT_EQ(read_str("A", "k", "d", file("cr.ini", "[A]\rXk=2")).text(), "2");
  // A line is cut to 255 characters, its value with it.
  const std::string value(300, 'v');
  const answer cut = read_str("A", "k", "d", file("long.ini", "[A]\r\nk=" + value + "\r\n"));
  EXPECT_EQ(cut.count, 253u);
  EXPECT_EQ(cut.text(), value.substr(0, 253));
}

TEST_F(ProfileReader, BadArgumentsTouchNothing) {
  const std::string path = file("bad.ini", "[A]\r\nk=1\r\n");
  const std::string long_name(254, 'n');
  char buffer[8] = "xxxxxxx";
  const char* p = path.c_str();
  EXPECT_EQ(GetPrivateProfileStrEx("A", "k", "d", buffer, sizeof buffer, nullptr), 0u);
  EXPECT_EQ(GetPrivateProfileStrEx(nullptr, "k", "d", buffer, sizeof buffer, p), 0u);
  EXPECT_EQ(GetPrivateProfileStrEx("A", "k", "d", buffer, sizeof buffer, ""), 0u);
  EXPECT_EQ(GetPrivateProfileStrEx("", "k", "d", buffer, sizeof buffer, p), 0u);
  EXPECT_EQ(GetPrivateProfileStrEx("A", "", "d", buffer, sizeof buffer, p), 0u);
  EXPECT_EQ(GetPrivateProfileStrEx("A", "k", "d", buffer, 0, p), 0u);
  EXPECT_EQ(GetPrivateProfileStrEx(long_name.c_str(), "k", "d", buffer, sizeof buffer, p), 0u);
  EXPECT_STREQ(buffer, "xxxxxxx");
  EXPECT_EQ(GetPrivateProfileStrEx("A", "k", "d", nullptr, 8, p), 0u);
  // 253 characters is the longest name.
  const std::string longest(253, 'n');
  const std::string wide = file("wide.ini", "[" + longest + "]\r\nk=ok\r\n");
  EXPECT_EQ(read_str(longest.c_str(), "k", "d", wide).text(), "ok");
}

TEST_F(ProfileReader, Integers) {
  const std::string path = file("int.ini",
                                "[N]\r\nh1=0x1F\r\nh2=0X1f\r\nd=31\r\nneg=-5\r\ndef=DEFAULT\r\n"
                                "Def=Default\r\nx=0x\r\nz=0000001f\r\nmax=2147483647\r\n"
                                "over=2147483648\r\nsp= 1\r\nc=1 //\r\nzero=0\r\nbad=0xG\r\n");
  const char* p = path.c_str();
  // 77 is the default: only decimal digits and a 0x prefix, up to 2147483647.
  const struct {
    const char* key;
    uint32_t value;
  } cases[] = {{"h1", 31},  {"h2", 31}, {"d", 31},   {"neg", 77},          {"def", 77},
               {"Def", 77}, {"x", 77},  {"z", 77},   {"max", 2147483647u}, {"over", 77},
               {"sp", 77},  {"c", 77},  {"zero", 0}, {"bad", 77},          {"nokey", 77}};
  for (const auto& c : cases) {
    EXPECT_EQ(GetPrivateProfileIntEx("N", c.key, 77, p), c.value) << c.key;
  }
  EXPECT_EQ(GetPrivateProfileIntEx("N", "d", 5, missing("none.ini").c_str()), 5u);
  EXPECT_EQ(GetPrivateProfileIntEx("N", "", 5, p), 5u);
  EXPECT_EQ(GetPrivateProfileIntEx(nullptr, "d", 5, p), 5u);
  EXPECT_EQ(GetPrivateProfileIntEx("N", "d", 5, ""), 5u);
}

// Each call takes and frees scratch blocks of its own in the shared registry.
TEST_F(ProfileReader, ReadersOnSeveralThreads) {
  const std::string path = file("threads.ini", "[A]\r\nk=value\r\nn=0x10\r\n");
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 100; ++i) {
        char value[16];
        GetPrivateProfileStrEx("A", "k", "", value, sizeof value, path.c_str());
        if (std::string(value) != "value") ++wrong[t];
        if (GetPrivateProfileIntEx("A", "n", 0, path.c_str()) != 16) ++wrong[t];
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
