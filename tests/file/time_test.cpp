// File times and calendar times: differences in three units, the calendar's
// ends, the three stamps of real files, and the local time.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <tuple>

#include "hostutil.h"
#include "support/scratch_files.h"

namespace {

using namespace hostutil::test::files;

hu_FILETIME ft(uint64_t ticks) {
  return hu_FILETIME{static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32)};
}
uint64_t ticks_of(const hu_FILETIME& t) {
  return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
}
hu_SYSTEMTIME st(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0, int wd = 0) {
  const auto w = [](int v) { return static_cast<uint16_t>(v); };
  return hu_SYSTEMTIME{w(y), w(mo), w(wd), w(d), w(h), w(mi), w(s), w(ms)};
}
auto fields(const hu_SYSTEMTIME& t) {
  return std::make_tuple(t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond,
                         t.wMilliseconds);
}

constexpr uint64_t second = 10000000;
constexpr uint64_t unix_epoch = 116444736000000000ull;  // 1970-01-01 in ticks

TEST(FileTimes, DifferencesInThreeUnitsBothSignsAndPrecision) {
  const uint64_t base = 0x01DB000012345678ull;  // a time in 2024, both halves in use
  // Each side becomes a double first: one tick on 2^60 is below its precision.
  const std::tuple<hu_FILETIME, hu_FILETIME, double> rows[] = {
      {ft(base + 90 * second), ft(base), 90.0},
      {ft(base), ft(base + 90 * second), -90.0},
      {ft(1), ft(0), 1.0 / 10000000.0},
      {{0x89ABCDEF, 8}, {0x89ABCDEF, 7}, 4294967296.0 / 1e7},
      {ft((1ull << 60) + 1), ft(1ull << 60), 0.0}};
  for (const auto& [later, earlier, seconds] : rows) {
    EXPECT_EQ(CalculateSubstructOfFILETIMEToSecond(later, earlier), seconds);
    // Minutes divided by 60 again, not seconds by 3,600 (90 seconds: 1.5 minutes,
    // 0.025 hours).
    EXPECT_EQ(CalculateSubstructOfFILETIMEToMinute(later, earlier), seconds / 60.0) << seconds;
    EXPECT_EQ(CalculateSubstructOfFILETIMEToHour(later, earlier), seconds / 60.0 / 60.0) << seconds;
  }
}

TEST(FileTimes, CalendarConversionsAtTheEnds) {
  // Both ends with their weekdays; ticks below a millisecond are dropped on the
  // way to the calendar. Round trips elsewhere: the fuzz target.
  const std::tuple<hu_SYSTEMTIME, uint64_t> points[] = {
      {st(1601, 1, 1, 0, 0, 0, 0, 1), 0},
      {st(30827, 12, 31, 23, 59, 59, 999, 5), 0x7FFF35F4F06C58F0ull},
      {st(1970, 1, 1, 0, 0, 0, 0, 4), unix_epoch + 9999}};
  for (const auto& [calendar, ticks] : points) {
    hu_SYSTEMTIME back{};
    hu_FILETIME t = ft(ticks);
    ASSERT_NE(CalculateFileTimeToSystemTime(&t, &back), 0u);
    EXPECT_EQ(fields(back), fields(calendar));
    EXPECT_TRUE(CalculateSystemTimeToFileTime(&back, &t) != 0 &&
                ticks_of(t) == ticks - ticks % 10000);
  }
  // A month of 13 and a year before 1601 are refused, as are missing arguments.
  hu_FILETIME out{};
  hu_SYSTEMTIME back{};
  const hu_SYSTEMTIME month13 = st(2024, 13, 1), early = st(1600, 12, 31, 23, 59, 59, 999);
  EXPECT_EQ(CalculateSystemTimeToFileTime(&month13, &out) +
                CalculateSystemTimeToFileTime(&early, &out) +
                CalculateSystemTimeToFileTime(nullptr, &out) +
                CalculateSystemTimeToFileTime(&month13, nullptr) +
                CalculateFileTimeToSystemTime(nullptr, &back) +
                CalculateFileTimeToSystemTime(&out, nullptr),
            0u);
}

class FileStamps : public scratch_test {};

TEST_F(FileStamps, AsInTheFindRecordAndUntouchedWhenMissing) {
  const std::string p = path("stamped.txt");
  put(p, "x");
  hu_WIN32_FIND_DATAA record;
  ASSERT_EQ(FindAndGetInformationOfFile(p.c_str(), &record), 1u);
  const std::pair<decltype(&LastWriteFileTimeGet), hu_FILETIME> stamps[] = {
      {CreateFileTimeGet, record.ftCreationTime},
      {LastAccessFileTimeGet, record.ftLastAccessTime},
      {LastWriteFileTimeGet, record.ftLastWriteTime}};
  for (const auto& [get_stamp, in_record] : stamps) {
    hu_FILETIME t{}, kept{0x11111111, 0x22222222};
    ASSERT_EQ(get_stamp(p.c_str(), &t), 1u);
    EXPECT_EQ(ticks_of(t), ticks_of(in_record));
    EXPECT_EQ(get_stamp(path("missing").c_str(), &kept) + get_stamp(nullptr, &kept) +
                  get_stamp(p.c_str(), nullptr),
              0u);
    EXPECT_EQ(ticks_of(kept), 0x2222222211111111ull);
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
