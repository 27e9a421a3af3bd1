// Calendar arithmetic on the proleptic Gregorian calendar, and the host's time zone
// through localtime_r and mktime.
#include "platform/time.h"

#include <cerrno>
#include <ctime>

namespace quillory::platform {
namespace {

constexpr int kMaxYear = 30827;

bool IsLeap(std::int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(std::int64_t y, int m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days from 1970-01-01 to y-m-d (negative before), Howard Hinnant's algorithm.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t* y, int* m, int* d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *y = yoe + era * 400 + (*m <= 2);
}

// Seconds since 1970 (may be negative) and the sub-second ticks of a file time.
void SplitUnix(FileTime t, std::int64_t* seconds, std::uint64_t* ticks) {
    const std::uint64_t whole = t / kTicksPerSecond;
    *ticks = t % kTicksPerSecond;
    *seconds = static_cast<std::int64_t>(whole) - static_cast<std::int64_t>(kSecondsFrom1601To1970);
}

bool JoinUnix(std::int64_t seconds, std::uint64_t ticks, FileTime* out) {
    const std::int64_t since1601 = seconds + static_cast<std::int64_t>(kSecondsFrom1601To1970);
    if (since1601 < 0) return false;
    *out = static_cast<std::uint64_t>(since1601) * kTicksPerSecond + ticks;
    return true;
}

}  // namespace

bool CalendarToFileTime(const CalendarTime& c, FileTime* out) {
    if (c.year < 1601 || c.year > kMaxYear || c.month < 1 || c.month > 12 || c.day < 1 ||
        c.day > DaysInMonth(c.year, c.month) || c.hour < 0 || c.hour > 23 || c.minute < 0 ||
        c.minute > 59 || c.second < 0 || c.second > 59 || c.milliseconds < 0 ||
        c.milliseconds > 999) {
        return false;
    }
    const std::int64_t seconds =
        DaysFromCivil(c.year, c.month, c.day) * 86400 + c.hour * 3600 + c.minute * 60 + c.second;
    return JoinUnix(seconds, static_cast<std::uint64_t>(c.milliseconds) * 10000, out);
}

bool FileTimeToCalendar(FileTime time, CalendarTime* out) {
    std::int64_t seconds;
    std::uint64_t ticks;
    SplitUnix(time, &seconds, &ticks);
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    std::int64_t year;
    CalendarTime c;
    CivilFromDays(days, &year, &c.month, &c.day);
    if (year > kMaxYear) return false;
    c.year = static_cast<int>(year);
    c.hour = static_cast<int>(rest / 3600);
    c.minute = static_cast<int>(rest / 60 % 60);
    c.second = static_cast<int>(rest % 60);
    c.milliseconds = static_cast<int>(ticks / 10000);
    *out = c;
    return true;
}

bool LocalFileTimeToUtc(FileTime local, FileTime* utc) {
    CalendarTime c;
    if (!FileTimeToCalendar(local, &c)) return false;
    std::tm tm{};
    tm.tm_year = c.year - 1900;
    tm.tm_mon = c.month - 1;
    tm.tm_mday = c.day;
    tm.tm_hour = c.hour;
    tm.tm_min = c.minute;
    tm.tm_sec = c.second;
    tm.tm_isdst = -1;  // let the zone's rules decide for that date (mktime reads TZ)
    errno = 0;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1) && errno != 0) return false;
    return JoinUnix(t, local % kTicksPerSecond, utc);
}

bool UtcFileTimeToLocal(FileTime utc, FileTime* local) {
    std::int64_t seconds;
    std::uint64_t ticks;
    SplitUnix(utc, &seconds, &ticks);
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    tzset();  // localtime_r need not look at TZ by itself
    if (localtime_r(&t, &tm) == nullptr) return false;
    return JoinUnix(seconds + tm.tm_gmtoff, ticks, local);
}

}  // namespace quillory::platform
