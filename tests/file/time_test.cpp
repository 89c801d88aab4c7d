// File times and calendar times: differences, exact conversions both ways, the
// three stamps of real files, and the local time.
#include <gtest/gtest.h>

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
  const auto w = [](int v) { return static_cast<uint16_t>(v); };
  return hu_SYSTEMTIME{w(y), w(mo), 0, w(d), w(h), w(mi), w(s), w(ms)};
}

auto fields(const hu_SYSTEMTIME& t) {
  return std::make_tuple(t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond,
                         t.wMilliseconds);
}

constexpr uint64_t second = 10000000;
constexpr uint64_t unix_epoch = 116444736000000000ull;  // 1970-01-01 in ticks

TEST(TimeDifference, ThreeUnitsBothSignsAndPrecision) {
  const uint64_t base = 0x01DB000012345678ull;  // a time in 2024, both halves in use
  const struct {
    hu_FILETIME later, earlier;
    double seconds;
  } rows[] = {
      {ft(base + 90 * second), ft(base), 90.0},
      {ft(base), ft(base + 90 * second), -90.0},
      {ft(base), ft(base), 0.0},
      {ft(5 * second), ft(0), 5.0},
      {ft(1), ft(0), 1.0 / 10000000.0},
      {{0x89ABCDEF, 8}, {0x89ABCDEF, 7}, 4294967296.0 / 1e7},
      {{0x89ABCDEF, 7}, {0x89ABCDEF, 8}, -4294967296.0 / 1e7},
      // Each side becomes a double first: one tick on 2^60 is below its precision.
      {ft((1ull << 60) + 1), ft(1ull << 60), 0.0},
      {ft(~0ull), ft(0), 18446744073709551616.0 / 1e7},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.seconds);
    EXPECT_EQ(CalculateSubstructOfFILETIMEToSecond(r.later, r.earlier), r.seconds);
    EXPECT_EQ(CalculateSubstructOfFILETIMEToMinute(r.later, r.earlier), r.seconds / 60.0);
    // Minutes divided by 60 again, not seconds by 3,600: at 5 seconds the two
    // differ in the last bit.
    EXPECT_EQ(CalculateSubstructOfFILETIMEToHour(r.later, r.earlier), r.seconds / 60.0 / 60.0);
  }
  EXPECT_EQ(CalculateSubstructOfFILETIMEToMinute(rows[0].later, rows[0].earlier), 1.5);
  EXPECT_NE(CalculateSubstructOfFILETIMEToHour(ft(5 * second), ft(0)), 5.0 / 3600.0);
}

TEST(TimeConversion, KnownPoints) {
  const struct {
    hu_SYSTEMTIME calendar;
    uint16_t weekday;
    uint64_t ticks;
    bool both_ways;
  } points[] = {
      {st(1601, 1, 1), 1, 0, true},
      {st(1970, 1, 1), 4, unix_epoch, true},
      {st(2000, 2, 29, 12, 0, 0, 0), 2, 125962992000000000ull, true},
      {st(2026, 12, 4, 9, 5, 7, 42), 5, unix_epoch + 1796375107042ull * 10000, true},
      {st(30827, 12, 31, 23, 59, 59, 999), 5, 0x7FFF35F4F06C58F0ull, true},
      // Ticks below a millisecond are dropped on the way to the calendar.
      {st(1970, 1, 1), 4, unix_epoch + 9999, false},
      // The largest file time the conversion takes.
      {st(30828, 9, 14, 2, 48, 5, 477), 4, 0x7FFFFFFFFFFFFFFFull, false},
  };
  for (const auto& p : points) {
    SCOPED_TRACE(p.ticks);
    if (p.both_ways) {
      hu_FILETIME out{};
      hu_SYSTEMTIME in = p.calendar;
      in.wDayOfWeek = 77;  // not looked at
      ASSERT_NE(CalculateSystemTimeToFileTime(&in, &out), 0u);
      EXPECT_EQ(ticks_of(out), p.ticks);
    }
    hu_SYSTEMTIME back{};
    const hu_FILETIME t = ft(p.ticks);
    ASSERT_NE(CalculateFileTimeToSystemTime(&t, &back), 0u);
    hu_SYSTEMTIME want = p.calendar;
    want.wDayOfWeek = p.weekday;
    EXPECT_EQ(fields(back), fields(want));
  }
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
    EXPECT_EQ(CalculateSystemTimeToFileTime(&c, &out), 0u) << testing::PrintToString(fields(c));
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

class FileTimes : public scratch_test {};

TEST_F(FileTimes, StampsOfRealFilesMissingFilesAndArguments) {
  const std::string p = path("stamped.txt");
  const uint64_t before = unix_epoch + static_cast<uint64_t>(std::time(nullptr)) * second;
  put(p, "x");
  hu_WIN32_FIND_DATAA record;
  ASSERT_EQ(FindAndGetInformationOfFile(p.c_str(), &record), 1u);
  const std::string bare_folder = folder().substr(0, folder().size() - 1);
  const struct {
    decltype(&LastWriteFileTimeGet) get;
    hu_FILETIME in_record;
  } stamps[] = {{CreateFileTimeGet, record.ftCreationTime},
                {LastAccessFileTimeGet, record.ftLastAccessTime},
                {LastWriteFileTimeGet, record.ftLastWriteTime}};
  for (const auto& s : stamps) {
    SCOPED_TRACE(&s - stamps);
    hu_FILETIME t{}, other{};
    ASSERT_EQ(s.get(p.c_str(), &t), 1u);
    EXPECT_EQ(ticks_of(t), ticks_of(s.in_record));
    // In UTC, within a few seconds of now (file systems keep coarse stamps).
    const double apart = CalculateSubstructOfFILETIMEToSecond(t, ft(before));
    EXPECT_GT(apart, -5.0);
    EXPECT_LT(apart, 60.0);
    ASSERT_EQ(s.get(path("stamp*").c_str(), &other), 1u);  // a pattern's match
    EXPECT_EQ(ticks_of(other), ticks_of(t));
    EXPECT_EQ(s.get(bare_folder.c_str(), &other), 1u);
    // A missing file or argument: 0, and the caller's time as it was.
    hu_FILETIME kept{0x11111111, 0x22222222};
    EXPECT_EQ(s.get(path("missing").c_str(), &kept), 0u);
    EXPECT_EQ(s.get(nullptr, &kept), 0u);
    EXPECT_EQ(ticks_of(kept), 0x2222222211111111ull);
    EXPECT_EQ(s.get(p.c_str(), nullptr), 0u);
  }
}

TEST(LocalTime, AgreesWithTheCLibrary) {
  LocalTimeGet(nullptr);  // nothing happens
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::time_t before = std::time(nullptr);
    hu_SYSTEMTIME now{};
    LocalTimeGet(&now);
    const std::time_t after = std::time(nullptr);
    if (before != after) continue;  // a second boundary in between: try again
    const std::tm* t = std::localtime(&before);
    ASSERT_NE(t, nullptr);
    hu_SYSTEMTIME want = st(t->tm_year + 1900, t->tm_mon + 1, t->tm_mday, t->tm_hour, t->tm_min,
                            t->tm_sec, now.wMilliseconds);
    want.wDayOfWeek = static_cast<uint16_t>(t->tm_wday);
    EXPECT_EQ(fields(now), fields(want));
    EXPECT_LT(now.wMilliseconds, 1000);
    return;
  }
  FAIL() << "three second boundaries in a row";
}

}  // namespace
