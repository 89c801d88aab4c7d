// One CSV item made and taken apart in every variant: quoting, answers that
// point into the line, items that do not fit, and the scratch of long ones (in
// the tables a ' stands for the quote character, both ways). Then MakeCSVFile
// and MakeJBKFile: line ends within records, new files and additions, existing
// files without a final line end, both limits and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "hostutil.h"
#include "support/scratch_files.h"

namespace {

// The variants by their number: MakeCSVOneItem, 2, 3 (doubling quotes or
// keeping them); GetCSVOneItem, 2, 3, Ex.
using encoder = uint32_t (*)(const char*, char*, uint32_t, const char*);
using decoder = char* (*)(const char*, char*, uint32_t, const char*);
auto m1(const char* i, char* b, uint32_t n, const char*) { return MakeCSVOneItem(i, b, n); }
const encoder m3 = [](auto... a) { return MakeCSVOneItem3(a..., 1); };
const encoder m3k = [](auto... a) { return MakeCSVOneItem3(a..., 0); };
auto g1(const char* line, char* b, uint32_t n, const char*) { return GetCSVOneItem(line, b, n); }
const encoder m2 = MakeCSVOneItem2;
const decoder g2 = GetCSVOneItem2, g3 = GetCSVOneItem3;

std::string swapped(std::string s, char from, char to) {
  std::replace(s.begin(), s.end(), from, to);
  return s;
}

// One item made into size bytes with guard bytes behind them: "result:item".
std::string make(encoder e, const char* sep, const std::string& text, uint32_t size = 256) {
  std::string memory(size + 8, 'Z');
  const uint32_t r = e(swapped(text, '\'', '"').c_str(), memory.data(), size, sep);
  EXPECT_EQ(memory.substr(size), std::string(8, 'Z')) << "written past the buffer";
  return std::to_string(r) + ":" + swapped(memory.c_str(), '"', '\'');
}

// One item taken from line + offset into size bytes: "item|where the next
// begins in the line" (-1 for none). The item ends in a NUL, the rest of the
// buffer stays cleared, nothing is written past it and the answer is inside the line.
std::string take(decoder d, const char* sep, const std::string& text, uint32_t size,
                 size_t at = 0) {
  const std::string line = swapped(text, '\'', '"');
  std::string memory(size + 8, 'Z');
  const char* next = d(line.c_str() + at, memory.data(), size, sep);
  const std::string item = memory.c_str();
  EXPECT_EQ(memory.substr(item.size()), std::string(size - item.size(), '\0') + "ZZZZZZZZ");
  EXPECT_TRUE(next == nullptr || (next >= line.c_str() && next <= line.c_str() + line.size()));
  return swapped(item, '"', '\'') + "|" +
         std::to_string(next == nullptr ? -1 : next - line.c_str());
}

using CsvItems = hostutil::test::fresh_table;

TEST_F(CsvItems, Encoding) {
  // Exactly room for the item and its NUL; one byte less fails, leaving it empty.
  const struct {
    encoder e;
    const char *sep, *text;
    uint32_t size;
    const char* made;
  } rows[] = {{m1, ",", "abc", 4, "1:abc"},       {m1, ",", "abc", 3, "0:"},
              {m1, ",", "a,b", 6, "1:'a,b'"},     {m1, ",", "a,b", 5, "0:"},
              {m1, ",", "a'b", 7, "1:'a''b'"},    {m1, ",", "", 9, "1:"},
              {m2, ";", "a;b", 9, "1:'a;b'"},     {m2, ";", "a'b", 9, "1:a'b"},
              {m2, ";", "x'y;z", 9, "1:'x'y;z'"}, {m3, ";", "a'b", 9, "1:'a''b'"},
              {m3k, ";", "a'b", 9, "1:a'b"}};
  for (const auto& r : rows) EXPECT_EQ(make(r.e, r.sep, r.text, r.size), r.made) << r.text;
  EXPECT_EQ(make(m1, ",", "a\r\nb; c"), "1:a\r\nb; c");  // line ends alone need no quotes
  EXPECT_EQ(make(m1, ",", "a,'b"), make(m3, ",", "a,'b"));
  char buffer[4] = "xyz";
  EXPECT_EQ(MakeCSVOneItem(nullptr, buffer, 4) + MakeCSVOneItem("a", nullptr, 4) +
                MakeCSVOneItem("a", buffer, 0) + MakeCSVOneItem2("a", buffer, 4, nullptr) +
                MakeCSVOneItem2("a", buffer, 4, "") + MakeCSVOneItem3("a", buffer, 4, "", 1) +
                MakeCSVOneItemEx("a", buffer, 4, nullptr),
            0u);
  EXPECT_STREQ(buffer, "xyz");
}

TEST_F(CsvItems, DecodingAndTruncation) {
  // Taken from an offset into the line; after 'ab' the x is skipped as a
  // separator. Too long: unquoted before a separator, empty and past it; an
  // unquoted last item is cut; variant 2 cuts every item.
  const struct {
    decoder d;
    const char *sep, *line;
    uint32_t size;
    const char* taken;
    size_t at;
  } rows[] = {{g1, ",", "a,b,c", 8, "a|2", 0},     {g1, ",", "a,b,c", 8, "b|4", 2},
              {g1, ",", "a,b,c", 8, "c|-1", 4},    {g1, ",", "a,,c", 8, "|3", 2},
              {g1, ",", "a,b,", 8, "|-1", 4},      {g1, ",", "'ab'x,c", 8, "ab|5", 0},
              {g1, ",", "'ab'x,c", 8, "|6", 5},    {g1, ",", "'a,b',c", 8, "a,b|6", 0},
              {g1, ",", "'a''b'", 8, "a'b|-1", 0}, {g1, ",", "'abc", 8, "|-1", 0},
              {g2, ";", "'a;b';c", 8, "a;b|6", 0}, {g2, ";", "'a''b';c", 8, "a''b|7", 0},
              {g2, ";", "'abc'", 8, "abc|-1", 0},  {g1, ",", "abcd,e", 3, "|5", 0},
              {g1, ",", "abcd", 3, "ab|-1", 0},    {g2, ";", "abcd;e", 3, "ab|5", 0}};
  for (const auto& r : rows) EXPECT_EQ(take(r.d, r.sep, r.line, r.size, r.at), r.taken) << r.line;
  char buffer[4] = "xyz";
  EXPECT_TRUE(!GetCSVOneItem(nullptr, buffer, 4) && !GetCSVOneItem("a,b", nullptr, 4) &&
              !GetCSVOneItem("a,b", buffer, 0) && !GetCSVOneItem3("a,b", buffer, 4, nullptr) &&
              !GetCSVOneItem3("a,b", buffer, 4, "") && !GetCSVOneItem2("a,b", buffer, 4, "") &&
              !GetCSVOneItemEx("a,b", buffer, 4, nullptr) &&
              !GetCSVOneItem2("a,b", buffer, 4, std::string(255, ';').c_str()));
  EXPECT_STREQ(buffer, "xyz");
  const std::string longest(254, ';');  // the longest separator variant 2 takes
  EXPECT_EQ(take(g2, longest.c_str(), "a" + longest + "b", 4), "a|2");
}

// Up to 512 bytes of output the scratch of a quoted item is on the stack;
// above, it is a registered allocation, which needs the semaphore table.
TEST_F(CsvItems, LargeItemsUseRegisteredScratch) {
  SemaphoreControlEnd();
  EXPECT_EQ(make(m1, ",", "a,b", 512) + make(m1, ",", "a,b", 513), "1:'a,b'0:");
  EXPECT_EQ(take(g1, ",", "'a',b", 512) + take(g1, ",", "'a',b", 513), "a|4|-1");
  EXPECT_EQ(take(g3, ";", "'a';b", 1024), "|-1");
  // Items that need no quotes take no scratch, nor does variant 2.
  EXPECT_EQ(make(m1, ",", "ab", 1024) + take(g2, ";", "'a';b", 1024), "1:aba|4");
}

using namespace hostutil::test::files;

class CsvFiles : public area_test {
 protected:
  // The records written by `make` to the file (which held `before` unless it
  // is null), and then the file's bytes; the area is only read.
  std::string made(const std::vector<std::string>& texts, const char* before = nullptr,
                   uint32_t replace = 1, decltype(&MakeCSVFile) make = MakeCSVFile) {
    if (before != nullptr) put(out(), before);
    for (const std::string& t : texts) {
      EXPECT_EQ(AllocHeapAreaAndSetData(&area, t.data(), static_cast<uint32_t>(t.size())), 1u);
    }
    EXPECT_EQ(make(out().c_str(), area, replace), 1u);
    EXPECT_EQ(area->recordCount, texts.size());
    FreeHeapArea(&area);
    return get(out());
  }
  std::string out() const { return path("out.csv"); }
};

// A record of CR LF alone ends a line, one that begins with it starts one, and
// an existing file without a final line end gets one: the fuzz target's joining
// rule, on kept inputs of those records. Here records added to no file.
TEST_F(CsvFiles, AddingToNoFileMakesOne) { EXPECT_EQ(made({"a"}, nullptr, 0), "a\r\n"); }

TEST_F(CsvFiles, RecordAndTextLimits) {
  // A CSV walk ends at a record of 5,120 bytes; a JBK file takes it.
  const std::string fits(5119, 'r'), too_long(5120, 'R');
  EXPECT_EQ(made({"a", fits, "b"}), "a," + fits + ",b\r\n");
  EXPECT_EQ(made({"a", too_long, "b"}), "a\r\n");
  EXPECT_EQ(made({too_long, "b"}), "\r\n");
  EXPECT_EQ(made({"a", too_long, "b"}, nullptr, 1, MakeJBKFile), "a," + too_long + ",b\r\n");
  // An existing file at the text limit is not added to, and not touched;
  // replacing starts afresh.
  constexpr uint32_t limit = 25'600'000;
  put(out(), std::string(limit, 'f'));
  ASSERT_EQ(AllocHeapAreaAndSetData(&area, "a", 1), 1u);
  EXPECT_EQ(MakeCSVFile(out().c_str(), area, 0), 0u);
  EXPECT_EQ(std::filesystem::file_size(out()), limit);
  FreeHeapArea(&area);
  EXPECT_EQ(made({"a"}, nullptr, 1), "a\r\n");
  // Records stop where the next would reach the limit; what was joined is written.
  std::string nearly(limit - 6, 'n');
  nearly.replace(nearly.size() - 2, 2, "\r\n");
  const std::string written = made({"abc", "def"}, nearly.c_str(), 0);
  EXPECT_EQ(written.size(), limit - 1);
  EXPECT_EQ(written.substr(written.size() - 8), "n\r\nabc\r\n");
  // One byte below the limit and no line end: no room to end the line, and
  // the file is written back as it was.
  EXPECT_EQ(made({"a"}, std::string(limit - 1, 'l').c_str(), 0).size(), limit - 1);
}

TEST_F(CsvFiles, RefusalsLeaveTheFileAlone) {
  ASSERT_EQ(AllocHeapAreaAndSetData(&area, "a", 1), 1u);
  const HeapAreaHead not_a_head{};
  EXPECT_EQ(MakeCSVFile(nullptr, area, 1) + MakeCSVFile(out().c_str(), nullptr, 1) +
                MakeCSVFile(out().c_str(), &not_a_head, 1) +
                MakeJBKFile(out().c_str(), &not_a_head, 1),
            0u);
  EXPECT_FALSE(std::filesystem::exists(out()));
  EXPECT_EQ(MakeCSVFile("", area, 1), 1u);  // nothing can be written there, and that is not told
  // The scratch needs the semaphore table.
  put(out(), "old\r\n");
  SemaphoreControlEnd();
  EXPECT_EQ(MakeCSVFile(out().c_str(), area, 0) + MakeJBKFile(out().c_str(), area, 0), 0u);
  EXPECT_EQ(get(out()), "old\r\n");
  SemaphoreControlBegin();
}

}  // namespace
