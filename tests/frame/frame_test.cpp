// System error texts and string equality tests.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>

#include "hostutil.h"

using std::string;

TEST(ErrorText, WholeCutUnknownRefusedAndTheThreadsLastError) {
  constexpr uint32_t known = 2;  // "file not found" on both systems
  char whole[4096];
  const uint32_t n = GetLastErrorString(known, whole, sizeof whole);
  ASSERT_GT(n, 4u);
  const string text(whole, n);
  // One guard byte each side, the rest of the buffer zero; 0x7FFF1234 has no text.
  for (const auto& [code, size] :
       {std::pair{known, 0u}, {known, 1u}, {known, n}, {known, n + 8}, {0x7FFF1234u, 64u}}) {
    string memory(size + 2, 'x');
    const string shown = code == known && size > 0 ? text.substr(0, std::min(n, size - 1)) : "";
    EXPECT_EQ(GetLastErrorString(code, memory.data() + 1, size),
              code == known ? std::min(size, n) : 0);
    EXPECT_EQ(memory, 'x' + shown + string(size - shown.size(), '\0') + 'x') << size;
  }
  EXPECT_EQ(GetLastErrorString(known, nullptr, 16) + GetLastErrorStringEx(nullptr, 5), 0u);
  // The failed open of a missing file leaves its code as the thread's last error.
  EXPECT_EQ(FileRead("hostutil-no-such-file.none", whole, sizeof whole), 0u);
  EXPECT_EQ(GetLastErrorStringEx(whole, sizeof whole), n);
  EXPECT_EQ(string(whole), text);
}

// Counts, bounds and which bytes fold (0x40 and 0x60, 0x5B and 0x7B, and bytes
// from 0x80 lie 0x20 apart but are not letters) are the fuzz target's, against
// a plain model, on kept inputs of those pairs. Here the null pointers.
TEST(Compare, NullPointers) {
  // Expected from CompareCase, CompareCaseN, CompareNoCase and CompareNoCaseN.
  const std::tuple<const char*, const char*, uint32_t, std::array<uint32_t, 4>> cases[] = {
      {nullptr, nullptr, 5, {1, 1, 1, 1}},
      {"", nullptr, 1, {0, 0, 0, 0}},
      {nullptr, "x", 0, {0, 1, 0, 1}}};
  for (const auto& [a, b, count, equal] : cases) {
    EXPECT_EQ((std::array{CompareCase(a, b), CompareCaseN(a, b, count), CompareNoCase(a, b),
                          CompareNoCaseN(a, b, count)}),
              equal)
        << (a ? a : "null") << " / " << (b ? b : "null") << " " << count;
  }
}
