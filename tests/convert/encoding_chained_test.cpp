// ANSI to UTF-8 and back through UTF-16: results, too-small outputs, and the
// intermediate area at 128 and 129 bytes before and after SemaphoreControlBegin,
// in a fresh child process so that the semaphore table starts unset.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "convert/encoding_samples.h"
#include "hostutil.h"
#include "lock/semaphore_table.h"
#include "support/child.h"

namespace {

using namespace std::string_literals;
using encoding_test::samples;

TEST(EncodingChained, AsciiAndLatinSurviveAnsiAndBack) {
  // Every ANSI code page the tests run under holds ASCII and these accented letters.
  for (const auto& s : samples()) {
    if (std::string(s.name) != "ascii" && std::string(s.name) != "latin") continue;
    char ansi[64] = {};
    const int32_t n =
        ChangeUTF8ToAnsi(s.utf8.data(), static_cast<uint32_t>(s.utf8.size()), ansi, sizeof ansi);
    ASSERT_GT(n, 0) << s.name;
    std::string back(64, 'Z');
    EXPECT_EQ(ChangeAnsiToUTF8(ansi, static_cast<uint32_t>(n), back.data(), 48),
              static_cast<int32_t>(s.utf8.size()));
    EXPECT_EQ(back, s.utf8 + std::string(48 - s.utf8.size(), '\0') + std::string(16, 'Z'));
  }
}

// The output and two guard bytes after one chained call.
template <typename Convert>
std::string chained(Convert convert, const char* text, uint32_t length, uint32_t size) {
  std::string out(size + 2, 'Z');
  EXPECT_EQ(convert(text, length, out.data(), size), size < length ? 0 : 3);
  return out;
}

TEST(EncodingChained, EdgesOfTheArguments) {
  // Too small: zero-filled over its size and nothing more. Exactly large
  // enough: no terminator. NULs inside the length are converted.
  EXPECT_EQ(chained(ChangeAnsiToUTF8, "abc", 3, 2), "\0\0ZZ"s);
  EXPECT_EQ(chained(ChangeUTF8ToAnsi, "abc", 3, 2), "\0\0ZZ"s);
  EXPECT_EQ(chained(ChangeUTF8ToAnsi, "abc", 3, 3), "abcZZ");
  EXPECT_EQ(chained(ChangeAnsiToUTF8, "a\0b", 3, 4), "a\0b\0ZZ"s);
  // Nothing to do touches nothing.
  char out[8];
  std::memset(out, 'Z', sizeof out);
  EXPECT_EQ(ChangeAnsiToUTF8("abc", 0, out, 8), 0);
  EXPECT_EQ(ChangeUTF8ToAnsi("abc", 0, out, 8), 0);
  EXPECT_EQ(ChangeAnsiToUTF8(nullptr, 3, out, 8), 0);
  EXPECT_EQ(ChangeUTF8ToAnsi("abc", 3, nullptr, 8), 0);
  EXPECT_EQ(ChangeUTF8ToAnsi("abc", 3, out, 0), 0);
  EXPECT_EQ(std::string(out, 8), std::string(8, 'Z'));
}

int failures = 0;

void expect(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "chained check failed: %s\n", what);
    ++failures;
  }
}

// Converts n ASCII bytes both ways; true when both give them back whole.
bool both_ways(std::size_t n, std::vector<char>& out) {
  const std::string text(n, 'q');
  out.assign(n + 8, 'Z');
  const bool to_utf8 = ChangeAnsiToUTF8(text.data(), static_cast<uint32_t>(n), out.data(),
                                        static_cast<uint32_t>(n + 8)) == static_cast<int32_t>(n);
  const bool to_ansi = ChangeUTF8ToAnsi(text.data(), static_cast<uint32_t>(n), out.data(),
                                        static_cast<uint32_t>(n + 8)) == static_cast<int32_t>(n);
  return to_utf8 && to_ansi && std::string(out.data(), n) == text;
}

HOSTUTIL_CHILD_ROLE(encoding_chained_begin) {
  std::vector<char> out;
  expect(both_ways(128, out), "128 bytes need no allocation before SemaphoreControlBegin");
  expect(!both_ways(129, out), "129 bytes need a registered allocation");
  expect(out == std::vector<char>(129 + 8, '\0'), "the failed output is zero-filled, all of it");

  SemaphoreControlBegin();
  expect(both_ways(128, out) && both_ways(129, out) && both_ways(5000, out),
         "after SemaphoreControlBegin every length converts");
  expect(hostutil::lock::occupied_slots() == 0, "every registered allocation was freed");

  // Threads allocating at once, each with a block and a semaphore of its own.
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &wrong] {
      std::vector<char> mine;
      for (int i = 0; i < 25; ++i) {
        if (!both_ways(200 + 37 * t + i, mine)) ++wrong[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int w : wrong) expect(w == 0, "threads converting long texts at once");
  expect(hostutil::lock::occupied_slots() == 0, "and every block is freed again");
  SemaphoreControlEnd();
  return failures;
}

TEST(EncodingChained, ScratchUpTo128BytesRegisteredAllocationAbove) {
  hostutil::test::child_process child("encoding_chained_begin");
  ASSERT_TRUE(child.started());
  EXPECT_EQ(child.wait(), 0);
}

}  // namespace
