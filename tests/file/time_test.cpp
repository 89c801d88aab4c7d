// File times and calendar times: refused calendar times, stamps of missing
// files, and the local time. The differences in three units are the fuzz
// target's (fuzz/files_fuzz.cpp), on kept inputs for both signs, one tick and
// 2^32 ticks.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <tuple>

#include "hostutil.h"
#include "support/child.h"

namespace {

hu_FILETIME ft(uint64_t ticks) {
  return hu_FILETIME{static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32)};
}
hu_SYSTEMTIME st(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0, int wd = 0) {
  const auto w = [](int v) { return static_cast<uint16_t>(v); };
  return hu_SYSTEMTIME{w(y), w(mo), w(wd), w(d), w(h), w(mi), w(s), w(ms)};
}
auto fields(const hu_SYSTEMTIME& t) {
  return std::make_tuple(t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond,
                         t.wMilliseconds);
}

constexpr uint64_t unix_epoch = 116444736000000000ull;  // 1970-01-01 in ticks

TEST(FileTimes, RefusedCalendarTimesAndStampsAndMilliseconds) {
  // Ticks below a millisecond are dropped on the way to the calendar, whose
  // weekday is worked out; a month of 13, a year before 1601 and missing
  // arguments are refused. Round trips and ranges: the fuzz target.
  hu_FILETIME out{}, t = ft(unix_epoch + 9999);
  hu_SYSTEMTIME back{};
  ASSERT_NE(CalculateFileTimeToSystemTime(&t, &back), 0u);
  EXPECT_EQ(fields(back), fields(st(1970, 1, 1, 0, 0, 0, 0, 4)));
  const hu_SYSTEMTIME month13 = st(2024, 13, 1), early = st(1600, 12, 31, 23, 59, 59, 999);
  EXPECT_EQ(CalculateSystemTimeToFileTime(&month13, &out) +
                CalculateSystemTimeToFileTime(&early, &out) +
                CalculateSystemTimeToFileTime(nullptr, &out) +
                CalculateSystemTimeToFileTime(&back, nullptr) +
                CalculateFileTimeToSystemTime(nullptr, &back) +
                CalculateFileTimeToSystemTime(&t, nullptr),
            0u);
  // The stamps of a missing file or argument: 0, and the caller's time as it
  // was. The stamps of real files: the fuzz target, and exactly per platform.
  const std::string self = hostutil::test::self_path();
  for (const auto get_stamp : {CreateFileTimeGet, LastAccessFileTimeGet, LastWriteFileTimeGet}) {
    hu_FILETIME kept{0x11111111, 0x22222222};
    EXPECT_EQ(get_stamp((self + ".missing").c_str(), &kept) + get_stamp(nullptr, &kept) +
                  get_stamp(self.c_str(), nullptr),
              0u);
    EXPECT_EQ(kept.dwHighDateTime * 0x100000000ull + kept.dwLowDateTime, 0x2222222211111111ull);
  }
}

TEST(LocalTime, AgreesWithTheCLibrary) {
  LocalTimeGet(nullptr);  // nothing happens
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::time_t before = std::time(nullptr);
    hu_SYSTEMTIME now{};
    LocalTimeGet(&now);
    if (std::time(nullptr) != before) continue;  // a second boundary in between: try again
    const std::tm* t = std::localtime(&before);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(fields(now), fields(st(t->tm_year + 1900, t->tm_mon + 1, t->tm_mday, t->tm_hour,
                                     t->tm_min, t->tm_sec, now.wMilliseconds, t->tm_wday)));
    EXPECT_LT(now.wMilliseconds, 1000);
    return;
  }
  FAIL() << "three second boundaries in a row";
}

}  // namespace
