// GetFileOneLine: the form feed behind a break, empty lines, cut lines and a
// refused line number. The rest is checked against a model by the fuzz target.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "hostutil.h"

namespace {

// Line n of text into a buffer of lineSize bytes; "<none>" when the answer is 0.
std::string line_of(const std::string& text, uint32_t n, uint32_t lineSize) {
  std::vector<char> line(lineSize + 1, '#');
  const auto size = static_cast<uint32_t>(text.size());
  const bool found = GetFileOneLine(text.c_str(), size, n, line.data(), lineSize) != 0;
  EXPECT_EQ(line[lineSize], '#') << "written past lineSize";
  return found ? std::string(line.data()) : "<none>";
}

TEST(GetFileOneLine, Edges) {
  const std::tuple<std::string, uint32_t, uint32_t, std::string> rows[] = {
      {"a\r\n\fb\r\n", 1, 512, "a"}, {"a\r\n\fb\r\n", 2, 512, "b"},
      {"a\r\n\fb\r\n", 3, 512, "<none>"}, {"x\r\n\r\ny", 2, 512, ""}, {"x\r\n\r\ny", 3, 512, "y"},
      {std::string(300, 'q') + "\r\nnext", 1, 256, std::string(255, 'q')}};
  for (const auto& [text, n, size, want] : rows) EXPECT_EQ(line_of(text, n, size), want) << n;
  char line[8] = "keep me";
  EXPECT_EQ(GetFileOneLine("a\r\nb", 4, 0, line, 8), 0u);
  EXPECT_STREQ(line, "keep me");
}

}  // namespace
