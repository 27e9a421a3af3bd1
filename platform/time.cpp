// Calendar arithmetic on the proleptic Gregorian calendar, and the host's time zone
// through localtime_r and mktime.
#include "platform/time.h"

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

namespace {

// The zone's offset from UTC at the instant t, in seconds east of Greenwich.
bool OffsetAt(std::time_t t, long* offset) {
    // The zone is read once; whoever changes TZ afterwards calls tzset(), as POSIX asks.
    static const bool zoneRead = (tzset(), true);
    (void)zoneRead;
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) return false;
    *offset = tm.tm_gmtoff;
    return true;
}

}  // namespace

// mktime would do the same, but it reloads the zone file on every call when TZ is not
// set, which costs more than the rest of listing an archive; localtime_r does not.
bool LocalFileTimeToUtc(FileTime local, FileTime* utc) {
    std::int64_t seconds;
    std::uint64_t ticks;
    SplitUnix(local, &seconds, &ticks);
    // The offset at the local time read as UTC is a first guess; the offset at that guess
    // is right except within a changeover, where either nearby instant will do.
    long offset = 0;
    if (!OffsetAt(static_cast<std::time_t>(seconds), &offset)) return false;
    if (!OffsetAt(static_cast<std::time_t>(seconds - offset), &offset)) return false;
    return JoinUnix(seconds - offset, ticks, utc);
}

bool UtcFileTimeToLocal(FileTime utc, FileTime* local) {
    std::int64_t seconds;
    std::uint64_t ticks;
    SplitUnix(utc, &seconds, &ticks);
    long offset = 0;
    if (!OffsetAt(static_cast<std::time_t>(seconds), &offset)) return false;
    return JoinUnix(seconds + offset, ticks, local);
}

}  // namespace quillory::platform
