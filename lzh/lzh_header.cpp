// LZH member headers. All numbers are little-endian.
//
// Level 0 and 1 basic header (S = byte 0, the bytes after the first two):
//   0 size S, 1 checksum of bytes 2..S+1, 2 method (5), 7 compressed size (level 1:
//   with the extended headers), 11 original size, 15 MS-DOS time, 17 MS-DOS date,
//   19 attribute, 20 level, 21 name length n, 22 name, 22+n CRC-16 of the data;
//   level 1 then the OS byte and, in the last two bytes, the first extended size.
// Level 2 basic header (26 bytes, T = the whole header with its extended headers):
//   0 size T, 2 method, 7 compressed size, 11 original size, 15 Unix time, 19 reserved
//   (0x20), 20 level, 21 CRC-16 of the data, 23 OS byte, 24 first extended size.
// Level 3 basic header (32 bytes, written by some UNIX and OS/2 LHAs): as level 2 up to
//   the OS byte, but 0 is the word size (4), 24 the 32-bit T and 28 the 32-bit first
//   extended size; its extended headers end in 32-bit sizes too.
// Extended header: type, data, size of the next one (0 ends the chain).
#include "lzh/lzh_header.h"

#include <algorithm>

#include "common/checksums.h"
#include "common/conversions.h"
#include "platform/time.h"

namespace quillory::lzh {
namespace {

constexpr std::size_t kCommonBytes = 21;  // read first: enough to know the level
constexpr std::size_t kLevelOffset = 20;
constexpr std::size_t kLevel2BasicBytes = 26;
constexpr std::size_t kLevel3BasicBytes = 32;
constexpr std::uint16_t kLevel3WordSize = 4;
// Fixed bytes of a level 0 / level 1 basic header besides the name: 22 before it, the
// data CRC after it, and for level 1 the OS byte and the first extended size.
constexpr std::size_t kLevel0FixedBytes = 24;
constexpr std::size_t kLevel1FixedBytes = 27;
constexpr std::size_t kMaxBasicBytes = 255 + 2;  // S is one byte
static_assert(kMaxBasicBytes >= kLevel3BasicBytes);
// OS-9/68k LHA counts a level-2 T without its own two bytes.
constexpr std::uint8_t kOs9For68k = 'K';
constexpr std::size_t kOs9SizeShortfall = 2;

constexpr std::uint8_t kExtendedCommon = 0x00;  // its data starts with the header CRC
constexpr std::uint8_t kExtendedName = 0x01;
constexpr std::uint8_t kExtendedFolder = 0x02;
constexpr std::uint8_t kExtendedAttribute = 0x40;
constexpr std::uint8_t kExtendedUnixMode = 0x50;  // LHa for UNIX: the file's mode
// An extended header's type byte and next-size field (32 bits at level 3).
constexpr std::size_t ExtendedFrameBytes(std::uint8_t level) {
    return level == 3 ? 5 : 3;
}

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

FileTime DosTimeToUtc(std::uint16_t date, std::uint16_t time) {
    FileTime local = 0;
    FileTime utc = 0;
    if (DosTimeToFileTime(date, time, &local) == 0) return kNoFileTime;
    return platform::LocalFileTimeToUtc(local, &utc) ? utc : kNoFileTime;
}

// A decoded name or folder with "/" as well as 0xFF (now "\") separating folders. Unix
// LHa writes SUB/DIR/FILE.TXT in level-0 and level-1 names, and some writers put "/" in
// the level-2 folder header. Decoded text only: a Shift-JIS trail byte is never 0x2F,
// and "/" is in no file name on either Windows or Unix, so it only ever means a folder.
WString WithBackslashes(WString text) {
    std::replace(text.begin(), text.end(), u'/', u'\\');
    return text;
}

// Refuses the header being read.
bool Damaged(LzhStatus& status) {
    status = LzhStatus::BadHeader;
    return false;
}

}  // namespace

bool ReadHeader(BufferedReader& reader, std::uint8_t* work, const platform::CodePage& codePage,
                LzhEntry& entry, LzhStatus& status) {
    std::uint8_t basic[kMaxBasicBytes];
    const std::size_t got = reader.Read(basic, kCommonBytes);
    if (got == 0) {
        status = LzhStatus::NoEndMark;
        return false;
    }
    // A 0 size byte is the end mark; what follows it (padding added by transfer
    // programs, OS-9 LHA's trailing bytes) is not part of the archive. Only a level 2
    // header may start with 0: the low byte of its 16-bit size.
    const std::uint8_t level = got == kCommonBytes ? basic[kLevelOffset] : 0xFF;
    if (basic[0] == 0 && level != 2) return false;
    if (got < kCommonBytes) return Damaged(status);

    std::uint16_t headerCrc = 0;
    std::uint32_t nextExtended = 0;
    std::size_t headerBytes = 0;  // level 2: bytes of T read so far
    std::size_t totalBytes = 0;   // level 2: T
    WString name;
    WString folder;
    if (level == 0 || level == 1) {
        const std::size_t basicBytes = std::size_t{basic[0]} + 2;
        const std::size_t fixed = level == 0 ? kLevel0FixedBytes : kLevel1FixedBytes;
        if (basicBytes < fixed) return Damaged(status);
        if (reader.Read(basic + kCommonBytes, basicBytes - kCommonBytes) !=
            basicBytes - kCommonBytes) {
            return Damaged(status);
        }
        const std::size_t nameBytes = basic[21];
        if (fixed + nameBytes > basicBytes) return Damaged(status);
        if (HeaderSum8(basic + 2, basicBytes - 2) != basic[1]) {
            status = LzhStatus::HeaderCheckWarning;
        }
        entry.modifiedTime = DosTimeToUtc(Le16(basic + 17), Le16(basic + 15));
        name = WithBackslashes(ArchiveNameToWide(basic + 22, nameBytes, codePage));
        entry.crc16 = Le16(basic + 22 + nameBytes);
        if (level == 1) nextExtended = Le16(basic + basicBytes - 2);
        headerCrc = Crc16Update(0, basic, basicBytes);
    } else if (level == 2 || level == 3) {
        const std::size_t basicBytes = level == 2 ? kLevel2BasicBytes : kLevel3BasicBytes;
        const std::size_t rest = basicBytes - kCommonBytes;
        if (reader.Read(basic + kCommonBytes, rest) != rest) return Damaged(status);
        if (level == 2) {
            totalBytes = Le16(basic);
            // OS-9/68k LHA's level-2 T leaves out two bytes, so its extended headers
            // seem to run past it; the rest of the header counts as the others do.
            if (basic[23] == kOs9For68k) totalBytes += kOs9SizeShortfall;
            nextExtended = Le16(basic + 24);
        } else {
            if (Le16(basic) != kLevel3WordSize) return Damaged(status);
            totalBytes = Le32(basic + 24);
            nextExtended = Le32(basic + 28);
        }
        if (totalBytes < basicBytes) return Damaged(status);
        UnixTimeToFileTime(Le32(basic + 15), &entry.modifiedTime);
        entry.crc16 = Le16(basic + 21);
        headerCrc = Crc16Update(0, basic, basicBytes);
        headerBytes = basicBytes;
    } else {
        status = LzhStatus::UnknownLevel;
        return false;
    }
    for (int i = 0; i < 5; ++i)
        entry.method[i] = basic[2 + i];
    entry.method[5] = 0;
    entry.compressedSize = Le32(basic + 7);
    entry.originalSize = Le32(basic + 11);
    entry.attributes = basic[19];

    bool haveHeaderCrc = false;
    std::uint16_t storedHeaderCrc = 0;
    while (nextExtended != 0) {
        const std::size_t frame = ExtendedFrameBytes(level);
        if (nextExtended < frame || nextExtended > kMaxExtendedHeaderBytes) return Damaged(status);
        const std::size_t size = nextExtended;
        if (level >= 2) {
            if (headerBytes + size > totalBytes) return Damaged(status);
            headerBytes += size;
        } else {
            // The compressed size counts the extended headers; more of them than it
            // holds would leave a wrapped, huge data size.
            if (size > entry.compressedSize) return Damaged(status);
            entry.compressedSize -= static_cast<std::uint32_t>(size);
        }
        if (reader.Read(work, size) != size) return Damaged(status);
        const std::uint8_t* data = work + 1;
        const std::size_t dataBytes = size - frame;
        switch (work[0]) {
            case kExtendedCommon:
                if (dataBytes >= 2) {
                    haveHeaderCrc = true;
                    storedHeaderCrc = Le16(data);
                    work[1] = work[2] = 0;  // the CRC covers the header with this field 0
                }
                break;
            case kExtendedName:
                name = WithBackslashes(ArchiveNameToWide(data, dataBytes, codePage));
                break;
            case kExtendedFolder:
                folder = WithBackslashes(ArchiveNameToWide(data, dataBytes, codePage));
                // Amiga LhA stores folders without the trailing separator.
                if (!folder.empty() && folder.back() != u'\\') folder.push_back(u'\\');
                break;
            case kExtendedAttribute:
                if (dataBytes >= 2) entry.attributes = Le16(data);
                break;
            case kExtendedUnixMode:
                if (dataBytes >= 2) entry.unixMode = Le16(data);
                break;
            default:
                break;
        }
        headerCrc = Crc16Update(headerCrc, work, size);
        nextExtended = level == 3 ? Le32(work + size - 4) : Le16(work + size - 2);
    }
    if (headerBytes < totalBytes) {
        // Level 2 and 3 padding after the last extended header, part of T and the CRC.
        const std::size_t padding = totalBytes - headerBytes;
        if (padding > kMaxExtendedHeaderBytes) return Damaged(status);
        if (reader.Read(work, padding) != padding) return Damaged(status);
        headerCrc = Crc16Update(headerCrc, work, padding);
    }
    if (haveHeaderCrc && storedHeaderCrc != 0 && storedHeaderCrc != headerCrc) {
        status = LzhStatus::HeaderCheckWarning;
    }

    // Split on UTF-16 text, so a Shift-JIS trail byte 0x5C never separates anything.
    WString joined = std::move(folder);
    joined += name;
    // Built at their final size: assigning into the short-string buffer would double
    // the capacity of names just longer than it.
    const auto part = [&entry](WStringView text) {
        return std::pmr::u16string(text.begin(), text.end(), entry.name.get_allocator());
    };
    const std::size_t cut = joined.rfind(u'\\');
    const std::size_t nameStart = cut == WString::npos ? 0 : cut + 1;
    entry.path = part(WStringView(joined).substr(0, nameStart));
    entry.name = part(WStringView(joined).substr(nameStart));
    entry.dataOffset = reader.Position();
    return true;
}

}  // namespace quillory::lzh
