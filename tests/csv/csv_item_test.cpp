// One CSV item made and taken apart in every variant: quoting, round trips,
// answers that point into the line, and what happens to items that do not fit.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "heap/registry.h"
#include "hostutil.h"

namespace {

using decoder = char* (*)(const char*, char*, uint32_t, const char*);

char* plain_decoder(const char* line, char* buffer, uint32_t size, const char*) {
  return GetCSVOneItem(line, buffer, size);
}

struct item {
  std::string text;
  std::ptrdiff_t next;  // offset of the answer inside the line; -1 for null
  bool operator==(const item&) const = default;
};

// Takes one item into a buffer of size bytes with guard bytes behind it.
item take(decoder d, const std::string& line, uint32_t size, const char* sep = ",",
          size_t offset = 0) {
  std::string memory(size + 8, 'Z');
  const char* next = d(line.c_str() + offset, memory.data(), size, sep);
  EXPECT_EQ(memory.substr(size), std::string(8, 'Z')) << "written past the buffer";
  // The item ends in a NUL and the rest of the buffer stays cleared.
  const size_t length = std::string(memory.c_str()).size();
  EXPECT_LT(length, size);
  if (length < size) {
    EXPECT_EQ(memory.substr(length, size - length), std::string(size - length, '\0'));
  }
  if (next != nullptr) {
    EXPECT_GE(next, line.c_str());
    EXPECT_LE(next, line.c_str() + line.size()) << "answer outside the line";
  }
  return {std::string(memory.c_str()), next == nullptr ? -1 : next - line.c_str()};
}

// Every item of the line, walking from answer to answer.
std::vector<std::string> split(decoder d, const std::string& line, const char* sep = ",",
                               uint32_t size = 256) {
  std::vector<std::string> items;
  std::ptrdiff_t at = 0;
  while (at >= 0 && items.size() < 100) {
    const item i = take(d, line, size, sep, static_cast<size_t>(at));
    items.push_back(i.text);
    at = i.next;
  }
  return items;
}

using encoder = uint32_t (*)(const char*, char*, uint32_t, const char*);

uint32_t comma_encoder(const char* item, char* buffer, uint32_t size, const char*) {
  return MakeCSVOneItem(item, buffer, size);
}
uint32_t doubling_encoder(const char* item, char* buffer, uint32_t size, const char* sep) {
  return MakeCSVOneItem3(item, buffer, size, sep, 1);
}
uint32_t keeping_encoder(const char* item, char* buffer, uint32_t size, const char* sep) {
  return MakeCSVOneItem3(item, buffer, size, sep, 0);
}

// Makes one item into a buffer of size bytes with guard bytes behind it.
std::string make(encoder e, const char* text, const char* sep = ",", uint32_t size = 256,
                 uint32_t expected = 1) {
  std::string memory(size + 8, 'Z');
  EXPECT_EQ(e(text, memory.data(), size, sep), expected) << text;
  EXPECT_EQ(memory.substr(size), std::string(8, 'Z'));
  return std::string(memory.c_str());
}

class CsvItems : public ::testing::Test {
 protected:
  void SetUp() override { SemaphoreControlBegin(); }
  void TearDown() override {
    EXPECT_EQ(hostutil::heap::allocation_registry(), nullptr) << "scratch left registered";
    SemaphoreControlEnd();
  }
};

TEST_F(CsvItems, EncodingAndWhatDoesNotFit) {
  EXPECT_EQ(make(comma_encoder, "abc"), "abc");
  EXPECT_EQ(make(comma_encoder, "a,b"), "\"a,b\"");
  EXPECT_EQ(make(comma_encoder, "a\"b"), "\"a\"\"b\"");
  EXPECT_EQ(make(comma_encoder, "\"\""), "\"\"\"\"\"\"");
  EXPECT_EQ(make(comma_encoder, ""), "");
  EXPECT_EQ(make(comma_encoder, "a\r\nb; c"), "a\r\nb; c");
  EXPECT_EQ(make(MakeCSVOneItem2, "a;b", ";"), "\"a;b\"");
  EXPECT_EQ(make(MakeCSVOneItem2, "a\"b", ";"), "a\"b");
  EXPECT_EQ(make(MakeCSVOneItem2, "x\"y;z", ";"), "\"x\"y;z\"");
  EXPECT_EQ(make(MakeCSVOneItem2, "a::b:c", "::"), "\"a::b:c\"");
  EXPECT_EQ(make(MakeCSVOneItem2, "a:b", "::"), "a:b");
  EXPECT_EQ(make(doubling_encoder, "a\"b", ";"), "\"a\"\"b\"");
  EXPECT_EQ(make(keeping_encoder, "a\"b", ";"), "a\"b");
  EXPECT_EQ(make(doubling_encoder, "a,\"b", ","), make(comma_encoder, "a,\"b"));
  EXPECT_EQ(make(MakeCSVOneItemEx, "a\"b", ","), "\"a\"\"b\"");
  EXPECT_EQ(make(MakeCSVOneItemEx, "a\"b", ";"), "a\"b");
  EXPECT_EQ(make(MakeCSVOneItemEx, "a;b", ";"), "\"a;b\"");
  // Exactly room for the item and its NUL; one byte less fails, leaving it empty.
  EXPECT_EQ(make(comma_encoder, "abc", ",", 4), "abc");
  EXPECT_EQ(make(comma_encoder, "abc", ",", 3, 0), "");
  EXPECT_EQ(make(comma_encoder, "a,b", ",", 6), "\"a,b\"");
  EXPECT_EQ(make(comma_encoder, "a,b", ",", 5, 0), "");
  EXPECT_EQ(make(comma_encoder, "a\"b", ",", 7), "\"a\"\"b\"");
  EXPECT_EQ(make(comma_encoder, "a\"b", ",", 6, 0), "");
  char buffer[4] = "xyz";
  EXPECT_EQ(MakeCSVOneItem(nullptr, buffer, 4), 0u);
  EXPECT_EQ(MakeCSVOneItem("a", nullptr, 4), 0u);
  EXPECT_EQ(MakeCSVOneItem("a", buffer, 0), 0u);
  EXPECT_EQ(MakeCSVOneItem2("a", buffer, 4, nullptr), 0u);
  EXPECT_EQ(MakeCSVOneItem2("a", buffer, 4, ""), 0u);
  EXPECT_EQ(MakeCSVOneItem3("a", buffer, 4, "", 1), 0u);
  EXPECT_EQ(MakeCSVOneItemEx("a", buffer, 4, nullptr), 0u);
  EXPECT_EQ(MakeCSVOneItemEx("a", buffer, 4, ""), 0u);
  EXPECT_STREQ(buffer, "xyz");
}

TEST_F(CsvItems, DecodingAndTruncation) {
  using V = std::vector<std::string>;
  EXPECT_EQ(split(plain_decoder, "a,b,c"), (V{"a", "b", "c"}));
  EXPECT_EQ(take(plain_decoder, "a,b,c", 8), (item{"a", 2}));
  EXPECT_EQ(split(plain_decoder, "a,,c"), (V{"a", "", "c"}));
  EXPECT_EQ(split(plain_decoder, "a,b,"), (V{"a", "b", ""}));
  EXPECT_EQ(take(plain_decoder, "\"a,b\",c", 8), (item{"a,b", 6}));
  EXPECT_EQ(take(plain_decoder, "\"a\"\"b\"", 8), (item{"a\"b", -1}));
  EXPECT_EQ(split(plain_decoder, "\"ab\"x,c"), (V{"ab", "", "c"}));
  EXPECT_EQ(take(plain_decoder, "\"abc", 8), (item{"", -1}));
  EXPECT_EQ(take(plain_decoder, "\"a\",", 8), (item{"a", 4}));
  EXPECT_EQ(take(plain_decoder, " \"a\",b", 8), (item{" \"a\"", 5}));
  EXPECT_EQ(split(plain_decoder, ""), (V{""}));

  EXPECT_EQ(take(GetCSVOneItem2, "\"a;b\";c", 8, ";"), (item{"a;b", 6}));
  EXPECT_EQ(take(GetCSVOneItem2, "\"a\"\"b\";c", 8, ";"), (item{"a\"\"b", 7}));
  EXPECT_EQ(take(GetCSVOneItem2, "\"abc\"", 8, ";"), (item{"abc", -1}));
  EXPECT_EQ(take(GetCSVOneItem2, "\"abc", 8, ";"), (item{"abc", -1}));
  EXPECT_EQ(take(GetCSVOneItem2, "\"ab;c", 8, ";"), (item{"ab", 4}));
  EXPECT_EQ(take(GetCSVOneItem2, "\"", 8, ";"), (item{"", -1}));
  EXPECT_EQ(take(GetCSVOneItem2, "\"a\"::b", 8, "::"), (item{"a", 4}));

  EXPECT_EQ(take(GetCSVOneItem3, "\"a\"\"b\";c", 8, ";"), (item{"a\"b", 7}));
  EXPECT_EQ(take(GetCSVOneItemEx, "\"a\"\"b\",c", 8, ","), (item{"a\"b", 7}));
  EXPECT_EQ(take(GetCSVOneItemEx, "\"a\"\"b\";c", 8, ";"), (item{"a\"\"b", 7}));

  // Too long, quoted, variants 1 and 3: empty buffer, same answer.
  EXPECT_EQ(take(plain_decoder, "\"abcd\",e", 3), (item{"", 7}));
  EXPECT_EQ(take(plain_decoder, "\"abcd\"", 3), (item{"", -1}));
  EXPECT_EQ(take(plain_decoder, "\"ab\",e", 3), (item{"ab", 5}));
  // Unquoted, followed by a separator: empty buffer, answer past it.
  EXPECT_EQ(take(plain_decoder, "abcd,e", 3), (item{"", 5}));
  EXPECT_EQ(take(GetCSVOneItem3, "abcd;e", 3, ";"), (item{"", 5}));
  // Unquoted last item: cut.
  EXPECT_EQ(take(plain_decoder, "abcd", 3), (item{"ab", -1}));
  // Variant 2: every item cut.
  EXPECT_EQ(take(GetCSVOneItem2, "abcd;e", 3, ";"), (item{"ab", 5}));
  EXPECT_EQ(take(GetCSVOneItem2, "\"abcd\";e", 3, ";"), (item{"ab", 7}));
  EXPECT_EQ(take(GetCSVOneItem2, "\"abcd\"", 3, ";"), (item{"ab", -1}));
  EXPECT_EQ(take(plain_decoder, "abcd", 1), (item{"", -1}));
}

TEST_F(CsvItems, BadDecoderArguments) {
  char buffer[4] = "xyz";
  EXPECT_EQ(GetCSVOneItem(nullptr, buffer, 4), nullptr);
  EXPECT_EQ(GetCSVOneItem("a,b", nullptr, 4), nullptr);
  EXPECT_EQ(GetCSVOneItem("a,b", buffer, 0), nullptr);
  EXPECT_EQ(GetCSVOneItem3("a,b", buffer, 4, nullptr), nullptr);
  EXPECT_EQ(GetCSVOneItem3("a,b", buffer, 4, ""), nullptr);
  EXPECT_EQ(GetCSVOneItem2("a,b", buffer, 4, ""), nullptr);
  EXPECT_EQ(GetCSVOneItem2("a,b", buffer, 4, std::string(255, ';').c_str()), nullptr);
  EXPECT_EQ(GetCSVOneItemEx("a,b", buffer, 4, nullptr), nullptr);
  EXPECT_STREQ(buffer, "xyz");
  const std::string longest(254, ';');
  const std::string line = "a" + longest + "b";
  EXPECT_EQ(GetCSVOneItem2(line.c_str(), buffer, 4, longest.c_str()), line.c_str() + 2);
  EXPECT_STREQ(buffer, "a");
}

// Items with separators, quotes, line ends and nothing at all survive the
// trip through each encoder and its decoder.
TEST_F(CsvItems, RoundTrips) {
  const std::vector<std::string> items{"plain",  "",  "a,b", "a;b",    "q\"uote", "\"",  "\r\n",
                                       "x\r\ny", ",", ";",   "\"lead", "trail\"", " sp "};
  struct variant {
    const char* sep;
    encoder encode;
    decoder decode;
    bool quotes_in_items;  // variant 2 cannot carry a quote followed by the separator
  };
  const variant variants[] = {{",", comma_encoder, plain_decoder, true},
                              {";", doubling_encoder, GetCSVOneItem3, true},
                              {"|", doubling_encoder, GetCSVOneItem3, true},
                              {",", MakeCSVOneItemEx, GetCSVOneItemEx, true},
                              {";", MakeCSVOneItemEx, GetCSVOneItemEx, false},
                              {";", MakeCSVOneItem2, GetCSVOneItem2, false}};
  for (const variant& v : variants) {
    std::vector<std::string> kept;
    std::string line;
    for (const std::string& i : items) {
      // Quotes at an item's edges cannot be told from the enclosing ones in
      // variant 2, which does not double them.
      if (!v.quotes_in_items && i.find('"') != std::string::npos) continue;
      char buffer[64];
      ASSERT_EQ(v.encode(i.c_str(), buffer, sizeof buffer, v.sep), 1u) << i;
      if (!line.empty() || !kept.empty()) line += v.sep;
      line += buffer;
      kept.push_back(i);
    }
    EXPECT_EQ(split(v.decode, line, v.sep), kept) << v.sep << " " << line;
  }
}

TEST_F(CsvItems, LargeBuffersUseRegisteredScratch) {
  const std::string big(1000, 'q');
  const std::string quoted = "\"" + big + "," + big + "\"";
  std::vector<char> buffer(4096);
  ASSERT_EQ(MakeCSVOneItem((big + "," + big).c_str(), buffer.data(), 4096), 1u);
  EXPECT_EQ(std::string(buffer.data()), quoted);
  const std::string line = quoted + ",z";
  EXPECT_EQ(GetCSVOneItem(line.c_str(), buffer.data(), 4096), line.c_str() + quoted.size() + 1);
  EXPECT_EQ(std::string(buffer.data()), big + "," + big);
  // 2001 characters do not fit in 2001 bytes.
  EXPECT_EQ(GetCSVOneItem(line.c_str(), buffer.data(), 2001), line.c_str() + quoted.size() + 1);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(GetCSVOneItem(line.c_str(), buffer.data(), 2002), line.c_str() + quoted.size() + 1);
  EXPECT_EQ(std::string(buffer.data()).size(), 2001u);
}

TEST(CsvItemsUnset, QuotedItemsAboveSmallScratchNeedTheTable) {
  SemaphoreControlEnd();
  std::vector<char> buffer(1024, 'x');
  // Up to 512 bytes the scratch is on the stack.
  EXPECT_EQ(MakeCSVOneItem("a,b", buffer.data(), 512), 1u);
  EXPECT_EQ(GetCSVOneItem("\"a\",b", buffer.data(), 512) != nullptr, true);
  EXPECT_EQ(MakeCSVOneItem("a,b", buffer.data(), 513), 0u);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(GetCSVOneItem("\"a\",b", buffer.data(), 513), nullptr);
  EXPECT_EQ(GetCSVOneItem3("\"a\";b", buffer.data(), 1024, ";"), nullptr);
  EXPECT_EQ(buffer[0], '\0');
  // Items that need no quotes take no scratch.
  EXPECT_EQ(MakeCSVOneItem("ab", buffer.data(), 1024), 1u);
  EXPECT_STREQ(buffer.data(), "ab");
  EXPECT_NE(GetCSVOneItem2("\"a\";b", buffer.data(), 1024, ";"), nullptr);
}

}  // namespace
