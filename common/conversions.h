// Conversions that both archive readers share: stored 8-bit names to UTF-16, the
// folder part of a path, and the two archive time formats to 64-bit file times.
// None of them keeps state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/codepage.h"
#include "platform/text.h"
#include "platform/time.h"

namespace quillory {

// How an archive's stored names are decoded: in this code page. Chosen by the user, it
// applies to every name, without the ZIP reader's guess that undeclared names are UTF-8.
struct NameEncoding {
    platform::CodePage codePage = platform::CodePage::FromEnvironment();
    bool chosen = false;
};

// LZH names: bytes in the archive's code page, 0xFF separating folder levels. A 0 byte
// ends the name. Each 0xFF becomes "\" before decoding (it is neither a lead nor a trail
// byte in Shift-JIS); a Shift-JIS trail byte 0x5C stays part of its character. The result
// is precomposed (NFC).
WString ArchiveNameToWide(const std::uint8_t* bytes, std::size_t length,
                          const platform::CodePage& codePage);

// Decodes a NUL-terminated string of the code page into at most capacity units
// including the terminator; returns the number of units before the terminator.
int NarrowToWide(const char* src, WChar* dest, int capacity, const platform::CodePage& codePage);

// The first n - 1 characters of src (n >= 1): with n = index of a separator + 1 the text
// before it, with n = index + 2 the text up to and including it.
WString CopyPrefix(WStringView src, std::size_t n);

// MS-DOS date and time to a file time of the same calendar time (no zone change).
// Returns 0, and sets *fileTime to kNoFileTime, for a date or time that is no calendar
// value (month or day 0, 24 hours, 60 minutes or seconds and above).
int DosTimeToFileTime(std::uint16_t date, std::uint16_t time, FileTime* fileTime);

// Seconds since 1970-01-01 UTC (unsigned 32-bit) to a UTC file time; always 1.
int UnixTimeToFileTime(std::uint32_t seconds, FileTime* fileTime);

}  // namespace quillory
