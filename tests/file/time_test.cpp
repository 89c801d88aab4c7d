// File times and calendar times: differences in three units and both signs,
// exact conversions both ways with the platform's validity rules, the three
// stamps of real files, and the local time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <tuple>

#include "file_test_util.h"
#include "hostutil.h"

namespace {

using namespace hostutil::test::files;

hu_FILETIME ft(uint64_t ticks) {
  return hu_FILETIME{static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32)};
}
uint64_t ticks_of(const hu_FILETIME& t) {
  return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
}

hu_SYSTEMTIME st(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  hu_SYSTEMTIME t{};
  t.wYear = static_cast<uint16_t>(y);
  t.wMonth = static_cast<uint16_t>(mo);
  t.wDay = static_cast<uint16_t>(d);
  t.wHour = static_cast<uint16_t>(h);
  t.wMinute = static_cast<uint16_t>(mi);
  t.wSecond = static_cast<uint16_t>(s);
  t.wMilliseconds = static_cast<uint16_t>(ms);
  return t;
}

auto fields(const hu_SYSTEMTIME& t) {
  return std::make_tuple(t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond,
                         t.wMilliseconds);
}

constexpr uint64_t second = 10000000;
constexpr uint64_t unix_epoch = 116444736000000000ull;  // 1970-01-01 in ticks

TEST(TimeDifference, ThreeUnitsBothSigns) {
  const uint64_t base = 0x01DB000012345678ull;  // a time in 2024, both halves in use
  const hu_FILETIME earlier = ft(base), later = ft(base + 90 * second);
  EXPECT_EQ(CalculateSubstructOfFILETIMEToSecond(later, earlier), 90.0);
  EXPECT_EQ(CalculateSubstructOfFILETIMEToMinute(later, earlier), 1.5);
  EXPECT_EQ(CalculateSubstructOfFILETIMEToHour(later, earlier), 1.5 / 60.0);
  EXPECT_EQ(CalculateSubstructOfFILETIMEToSecond(earlier, later), -90.0);
  EXPECT_EQ(CalculateSubstructOfFILETIMEToMinute(earlier, later), -1.5);
  EXPECT_EQ(CalculateSubstructOfFILETIMEToHour(earlier, later), -1.5 / 60.0);
  EXPECT_EQ(CalculateSubstructOfFILETIMEToSecond(later, later), 0.0);
  // Hours are minutes divided by 60 again, not seconds by 3,600; at 5 seconds
  // the two differ in the last bit.
  const double hours = CalculateSubstructOfFILETIMEToHour(ft(5 * second), ft(0));
  EXPECT_EQ(hours, (5.0 / 60.0) / 60.0);
  EXPECT_NE(hours, 5.0 / 3600.0);
}

TEST(TimeDifference, OneTickAndTheHighHalf) {
  EXPECT_EQ(CalculateSubstructOfFILETIMEToSecond(ft(1), ft(0)), 1.0 / 10000000.0);
  EXPECT_GT(CalculateSubstructOfFILETIMEToHour(ft(1), ft(0)), 0.0);
  const hu_FILETIME high1{0x89ABCDEF, 8}, high0{0x89ABCDEF, 7};
  EXPECT_DOUBLE_EQ(CalculateSubstructOfFILETIMEToSecond(high1, high0), 429.4967296);
  EXPECT_DOUBLE_EQ(CalculateSubstructOfFILETIMEToSecond(high0, high1), -429.4967296);
  // Each side becomes a double first: one tick on 2^60 is below its precision.
  EXPECT_EQ(CalculateSubstructOfFILETIMEToSecond(ft((1ull << 60) + 1), ft(1ull << 60)), 0.0);
  EXPECT_EQ(CalculateSubstructOfFILETIMEToSecond(ft(~0ull), ft(0)), 18446744073709551616.0 / 1e7);
}

TEST(TimeConversion, KnownPointsBothWays) {
  struct known {
    hu_SYSTEMTIME calendar;
    uint64_t ticks;
    uint16_t weekday;
  } points[] = {
      {st(1601, 1, 1), 0, 1},
      {st(1970, 1, 1), unix_epoch, 4},
      {st(2000, 2, 29, 12, 0, 0, 0), 125962992000000000ull, 2},
      {st(2026, 12, 4, 9, 5, 7, 42), unix_epoch + 1796375107042ull * 10000, 5},
      {st(30827, 12, 31, 23, 59, 59, 999), 0x7FFF35F4F06C58F0ull, 5},
  };
  for (const auto& p : points) {
    hu_FILETIME out{};
    hu_SYSTEMTIME in = p.calendar;
    in.wDayOfWeek = 77;  // not looked at
    ASSERT_NE(CalculateSystemTimeToFileTime(&in, &out), 0u) << p.calendar.wYear;
    EXPECT_EQ(ticks_of(out), p.ticks) << p.calendar.wYear;
    hu_SYSTEMTIME back{};
    const hu_FILETIME t = ft(p.ticks);
    ASSERT_NE(CalculateFileTimeToSystemTime(&t, &back), 0u);
    hu_SYSTEMTIME want = p.calendar;
    want.wDayOfWeek = p.weekday;
    EXPECT_EQ(fields(back), fields(want)) << p.calendar.wYear;
  }
  // Ticks below a millisecond are dropped on the way to the calendar.
  hu_SYSTEMTIME back{};
  const hu_FILETIME odd = ft(unix_epoch + 9999);
  ASSERT_NE(CalculateFileTimeToSystemTime(&odd, &back), 0u);
  hu_SYSTEMTIME epoch = st(1970, 1, 1);
  epoch.wDayOfWeek = 4;
  EXPECT_EQ(fields(back), fields(epoch));
  // The largest file time the conversion takes.
  const hu_FILETIME top = ft(0x7FFFFFFFFFFFFFFFull);
  ASSERT_NE(CalculateFileTimeToSystemTime(&top, &back), 0u);
  hu_SYSTEMTIME want = st(30828, 9, 14, 2, 48, 5, 477);
  want.wDayOfWeek = 4;
  EXPECT_EQ(fields(back), fields(want));
}

TEST(TimeConversion, InvalidCalendarTimesAndMissingArguments) {
  const hu_SYSTEMTIME invalid[] = {
      st(2024, 13, 1),
      st(2024, 0, 1),
      st(2024, 1, 0),
      st(2024, 1, 32),
      st(2024, 4, 31),
      st(2024, 1, 1, 24),
      st(2024, 1, 1, 0, 60),
      st(2024, 1, 1, 0, 0, 60),
      st(2024, 1, 1, 0, 0, 0, 1000),
      st(1600, 12, 31, 23, 59, 59, 999),
  };
  for (const auto& c : invalid) {
    hu_FILETIME out{};
    EXPECT_EQ(CalculateSystemTimeToFileTime(&c, &out), 0u)
        << c.wYear << "-" << c.wMonth << "-" << c.wDay << " " << c.wHour << ":" << c.wMinute << ":"
        << c.wSecond << "." << c.wMilliseconds;
  }
  hu_FILETIME out{};
  const hu_SYSTEMTIME leap = st(2024, 2, 29, 23, 59, 59, 999);
  EXPECT_NE(CalculateSystemTimeToFileTime(&leap, &out), 0u);
  EXPECT_EQ(CalculateSystemTimeToFileTime(nullptr, &out), 0u);
  EXPECT_EQ(CalculateSystemTimeToFileTime(&leap, nullptr), 0u);
  hu_SYSTEMTIME back{};
  const hu_FILETIME beyond = ft(0x8000000000000000ull);
  EXPECT_EQ(CalculateFileTimeToSystemTime(&beyond, &back), 0u);
  EXPECT_EQ(CalculateFileTimeToSystemTime(nullptr, &back), 0u);
  EXPECT_EQ(CalculateFileTimeToSystemTime(&out, nullptr), 0u);
}

TEST(TimeConversion, RandomRoundTrips) {
  std::mt19937_64 rng(42);
  for (int i = 0; i < 20000; ++i) {
    // Whole milliseconds, 1601 to 30827.
    const uint64_t ms = rng() % (0x7FFF35F4F06C58F0ull / 10000);
    const hu_FILETIME t = ft(ms * 10000);
    hu_SYSTEMTIME calendar{};
    ASSERT_NE(CalculateFileTimeToSystemTime(&t, &calendar), 0u) << ms;
    hu_FILETIME back{};
    ASSERT_NE(CalculateSystemTimeToFileTime(&calendar, &back), 0u) << ms;
    ASSERT_EQ(ticks_of(back), ms * 10000);
    ASSERT_EQ(calendar.wDayOfWeek, (ms / 86400000 + 1) % 7) << ms;
  }
}

uint64_t now_ticks() {
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  return unix_epoch + static_cast<uint64_t>(
                          std::chrono::duration_cast<std::chrono::microseconds>(since).count()) *
                          10;
}

class FileTimes : public scratch_test {};

TEST_F(FileTimes, StampsOfRealFiles) {
  const std::string p = path("stamped.txt");
  const uint64_t before = now_ticks();
  put(p, "x");
  hu_FILETIME created{}, accessed{}, written{};
  ASSERT_EQ(CreateFileTimeGet(p.c_str(), &created), 1u);
  ASSERT_EQ(LastAccessFileTimeGet(p.c_str(), &accessed), 1u);
  ASSERT_EQ(LastWriteFileTimeGet(p.c_str(), &written), 1u);
  // In UTC, within a few seconds of now (file systems keep coarse stamps).
  for (const auto& t : {created, accessed, written}) {
    const double apart = CalculateSubstructOfFILETIMEToSecond(t, ft(before));
    EXPECT_GT(apart, -5.0);
    EXPECT_LT(apart, 60.0);
  }
  // The stamps of the find record, and of a pattern's match.
  hu_WIN32_FIND_DATAA record;
  ASSERT_EQ(FindAndGetInformationOfFile(p.c_str(), &record), 1u);
  EXPECT_EQ(ticks_of(written), ticks_of(record.ftLastWriteTime));
  EXPECT_EQ(ticks_of(created), ticks_of(record.ftCreationTime));
  hu_FILETIME by_pattern{};
  ASSERT_EQ(LastWriteFileTimeGet(path("stamp*").c_str(), &by_pattern), 1u);
  EXPECT_EQ(ticks_of(by_pattern), ticks_of(written));
  hu_FILETIME folder_time{};
  EXPECT_EQ(LastWriteFileTimeGet(folder().substr(0, folder().size() - 1).c_str(), &folder_time),
            1u);
}

TEST_F(FileTimes, MissingFileOrArguments) {
  hu_FILETIME t{0x11111111, 0x22222222};
  EXPECT_EQ(LastWriteFileTimeGet(path("missing").c_str(), &t), 0u);
  EXPECT_EQ(CreateFileTimeGet(path("missing").c_str(), &t), 0u);
  EXPECT_EQ(LastAccessFileTimeGet(path("missing").c_str(), &t), 0u);
  EXPECT_EQ(t.dwLowDateTime, 0x11111111u);
  EXPECT_EQ(t.dwHighDateTime, 0x22222222u);
  put(path("here"), "x");
  EXPECT_EQ(LastWriteFileTimeGet(nullptr, &t), 0u);
  EXPECT_EQ(LastWriteFileTimeGet(path("here").c_str(), nullptr), 0u);
  EXPECT_EQ(CreateFileTimeGet(path("here").c_str(), nullptr), 0u);
  EXPECT_EQ(LastAccessFileTimeGet(nullptr, &t), 0u);
}

TEST(LocalTime, AgreesWithTheCLibrary) {
  LocalTimeGet(nullptr);  // nothing happens
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::time_t before = std::time(nullptr);
    hu_SYSTEMTIME now{};
    LocalTimeGet(&now);
    const std::time_t after = std::time(nullptr);
    if (before != after) continue;  // a second boundary in between: try again
    const std::tm* parts = std::localtime(&before);
    ASSERT_NE(parts, nullptr);
    EXPECT_EQ(now.wYear, parts->tm_year + 1900);
    EXPECT_EQ(now.wMonth, parts->tm_mon + 1);
    EXPECT_EQ(now.wDay, parts->tm_mday);
    EXPECT_EQ(now.wDayOfWeek, parts->tm_wday);
    EXPECT_EQ(now.wHour, parts->tm_hour);
    EXPECT_EQ(now.wMinute, parts->tm_min);
    EXPECT_EQ(now.wSecond, parts->tm_sec);
    EXPECT_LT(now.wMilliseconds, 1000);
    return;
  }
  FAIL() << "three second boundaries in a row";
}

}  // namespace
