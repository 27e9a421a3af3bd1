// Conversions both readers share: stored 8-bit names to UTF-16 through the code page, the
// folder part of a path, and MS-DOS and Unix archive times to file times. An MS-DOS time
// that names no real moment becomes "no time" rather than a guess.
#include "common/conversions.h"

#include <algorithm>
#include <string>

#include "common/unicode_nfc.h"

namespace quillory {

WString ArchiveNameToWide(const std::uint8_t* bytes, std::size_t length,
                          const platform::CodePage& codePage) {
    std::string work(reinterpret_cast<const char*>(bytes), length);
    const std::size_t end = work.find('\0');
    if (end != std::string::npos) work.resize(end);
    std::replace(work.begin(), work.end(), '\xFF', '\\');
    WString name = codePage.ToWide(work);
    ComposeNfc(name);
    return name;
}

int NarrowToWide(const char* src, WChar* dest, int capacity, const platform::CodePage& codePage) {
    if (capacity <= 0) return 0;
    const WString wide = codePage.ToWide(src);
    const std::size_t count = std::min(wide.size(), static_cast<std::size_t>(capacity - 1));
    std::copy_n(wide.begin(), count, dest);
    dest[count] = u'\0';
    return static_cast<int>(count);
}

WString CopyPrefix(WStringView src, std::size_t n) {
    return WString(src.substr(0, n == 0 ? 0 : n - 1));
}

int DosTimeToFileTime(std::uint16_t date, std::uint16_t time, FileTime* fileTime) {
    platform::CalendarTime c;
    c.day = date & 0x1F;
    c.month = (date >> 5) & 0x0F;
    c.year = 1980 + (date >> 9);
    c.second = (time & 0x1F) * 2;
    c.minute = (time >> 5) & 0x3F;
    c.hour = time >> 11;
    c.milliseconds = 0;
    if (!platform::CalendarToFileTime(c, fileTime)) {
        *fileTime = kNoFileTime;
        return 0;
    }
    return 1;
}

int UnixTimeToFileTime(std::uint32_t seconds, FileTime* fileTime) {
    *fileTime = (static_cast<std::uint64_t>(seconds) + kSecondsFrom1601To1970) * kTicksPerSecond;
    return 1;
}

}  // namespace quillory
