// Calendar <-> file time and local <-> UTC under pinned time zones, daylight saving and
// its changeover hours included, so the conversions are checked the same on any machine.
#include <gtest/gtest.h>

#include "platform/time.h"
#include "tests/support/test_support.h"

namespace quillory::platform {
namespace {

FileTime At(int y, int mo, int d, int h, int mi, int s) {
    CalendarTime c{y, mo, d, h, mi, s, 0};
    FileTime t = 0;
    EXPECT_TRUE(CalendarToFileTime(c, &t));
    return t;
}

TEST(TimeTest, CalendarBoundaries) {
    EXPECT_EQ(At(1601, 1, 1, 0, 0, 0), 0u);
    EXPECT_EQ(At(1970, 1, 1, 0, 0, 0), 116444736000000000u);
    CalendarTime c;
    ASSERT_TRUE(FileTimeToCalendar(At(2000, 2, 29, 23, 59, 58), &c));
    EXPECT_EQ(c.year, 2000);
    EXPECT_EQ(c.month, 2);
    EXPECT_EQ(c.day, 29);
    EXPECT_EQ(c.hour, 23);
    EXPECT_EQ(c.second, 58);
}

TEST(TimeTest, InvalidCalendarValuesFail) {
    FileTime t = 7;
    EXPECT_FALSE(CalendarToFileTime({1999, 2, 29, 0, 0, 0, 0}, &t));
    EXPECT_FALSE(CalendarToFileTime({2000, 0, 1, 0, 0, 0, 0}, &t));
    EXPECT_FALSE(CalendarToFileTime({2000, 1, 0, 0, 0, 0, 0}, &t));
    EXPECT_FALSE(CalendarToFileTime({2000, 1, 1, 0, 0, 60, 0}, &t));
    EXPECT_FALSE(CalendarToFileTime({1600, 12, 31, 0, 0, 0, 0}, &t));
    EXPECT_EQ(t, 7u);
}

TEST(TimeTest, LocalAndUtcInTokyo) {
    testing::ScopedTimeZone tz("JST-9");
    FileTime utc = 0;
    ASSERT_TRUE(LocalFileTimeToUtc(At(2010, 1, 1, 12, 0, 0), &utc));
    EXPECT_EQ(utc, At(2010, 1, 1, 3, 0, 0));
    FileTime local = 0;
    ASSERT_TRUE(UtcFileTimeToLocal(utc, &local));
    EXPECT_EQ(local, At(2010, 1, 1, 12, 0, 0));
}

TEST(TimeTest, DaylightSavingFollowsTheDate) {
    testing::ScopedTimeZone tz("EST5EDT,M3.2.0,M11.1.0");
    FileTime utc = 0;
    ASSERT_TRUE(LocalFileTimeToUtc(At(2020, 1, 15, 12, 0, 0), &utc));
    EXPECT_EQ(utc, At(2020, 1, 15, 17, 0, 0));
    ASSERT_TRUE(LocalFileTimeToUtc(At(2020, 7, 15, 12, 0, 0), &utc));
    EXPECT_EQ(utc, At(2020, 7, 15, 16, 0, 0));
    FileTime local = 0;
    ASSERT_TRUE(UtcFileTimeToLocal(At(2020, 7, 15, 16, 0, 0), &local));
    EXPECT_EQ(local, At(2020, 7, 15, 12, 0, 0));
}

TEST(TimeTest, ChangeoverHoursGiveANearbyInstant) {
    testing::ScopedTimeZone tz("EST5EDT,M3.2.0,M11.1.0");
    FileTime utc = 0;
    // 02:30 does not exist on 2020-03-08 and happens twice on 2020-11-01.
    ASSERT_TRUE(LocalFileTimeToUtc(At(2020, 3, 8, 2, 30, 0), &utc));
    EXPECT_TRUE(utc == At(2020, 3, 8, 6, 30, 0) || utc == At(2020, 3, 8, 7, 30, 0));
    ASSERT_TRUE(LocalFileTimeToUtc(At(2020, 11, 1, 1, 30, 0), &utc));
    EXPECT_TRUE(utc == At(2020, 11, 1, 5, 30, 0) || utc == At(2020, 11, 1, 6, 30, 0));
}

TEST(TimeTest, SubSecondTicksSurviveZoneConversion) {
    testing::ScopedTimeZone tz("JST-9");
    const FileTime local = At(2015, 6, 1, 0, 0, 0) + 1234567;
    FileTime utc = 0;
    ASSERT_TRUE(LocalFileTimeToUtc(local, &utc));
    EXPECT_EQ(utc % kTicksPerSecond, 1234567u);
}

TEST(TimeTest, Comparison) {
    EXPECT_EQ(CompareFileTimes(1, 2), -1);
    EXPECT_EQ(CompareFileTimes(2, 2), 0);
    EXPECT_EQ(CompareFileTimes(3, 2), 1);
}

}  // namespace
}  // namespace quillory::platform
