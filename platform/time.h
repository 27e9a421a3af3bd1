// File times and calendar times, and local <-> UTC through the host time zone (TZ).
// A file time counts 100-nanosecond intervals since 1601-01-01 00:00:00; whether it is
// UTC or local time is up to the caller, as on the device.
#pragma once

#include <cstdint>

namespace quillory {

using FileTime = std::uint64_t;

// The file time 0 stands for a time the archive does not give (an MS-DOS date or time
// that is no calendar value): no time is set on a file and the list shows none.
inline constexpr FileTime kNoFileTime = 0;

// 100-ns ticks per second, and seconds from 1601-01-01 to 1970-01-01.
inline constexpr std::uint64_t kTicksPerSecond = 10000000;
inline constexpr std::uint64_t kSecondsFrom1601To1970 = 11644473600;

namespace platform {

struct CalendarTime {
    int year = 1601;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;  // 0..59
    int milliseconds = 0;
};

// Fails (returns false, leaves *out alone) for fields out of range or before 1601.
bool CalendarToFileTime(const CalendarTime& calendar, FileTime* out);

// Splits a file time into calendar fields; fails for times past the year 30827.
bool FileTimeToCalendar(FileTime time, CalendarTime* out);

// Local <-> UTC with the host's time-zone rules for that date (daylight saving included).
bool LocalFileTimeToUtc(FileTime local, FileTime* utc);
bool UtcFileTimeToLocal(FileTime utc, FileTime* local);

// -1, 0 or 1 as a is earlier than, equal to or later than b.
inline int CompareFileTimes(FileTime a, FileTime b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace platform
}  // namespace quillory
