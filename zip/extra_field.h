// Walking a ZIP extra field record by record (16-bit header ID, 16-bit data size, data)
// and reading the records this reader uses: ZIP64 sizes and offset (0x0001), the WinZip
// AES record (0x9901), the Info-ZIP Unicode Path record (0x7075) and the two UTC times,
// NTFS (0x000A) and Info-ZIP's extended timestamp (0x5455). Any record may stand anywhere
// in the field and the first of an ID counts; a record whose size runs past the field
// ends the walk, and nothing past the field is ever read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/text.h"
#include "platform/time.h"

namespace quillory::zip {

inline constexpr std::uint16_t kZip64ExtraId = 0x0001;
inline constexpr std::uint16_t kNtfsExtraId = 0x000A;
inline constexpr std::uint16_t kTimestampExtraId = 0x5455;
inline constexpr std::uint16_t kUnicodePathExtraId = 0x7075;
inline constexpr std::uint16_t kAesExtraId = 0x9901;

struct ExtraRecord {
    const std::uint8_t* data = nullptr;  // null when the field has no such record
    std::size_t size = 0;
};

// The records of one extra field that this reader uses, found in one walk.
struct ExtraRecords {
    ExtraRecord zip64;
    ExtraRecord aes;
    ExtraRecord unicodePath;
    ExtraRecord ntfs;
    ExtraRecord timestamp;
};
ExtraRecords ScanExtraField(const std::uint8_t* field, std::size_t size);

// The AES record's contents: vendor version (1 = AE-1, 2 = AE-2), the two vendor-ID
// bytes, the strength byte (read as signed) and the actual compression method.
struct AesRecord {
    std::uint32_t version = 0;
    WChar vendor[2] = {};
    int strength = 0;
    std::uint32_t method = 0;
};
// The 7 data bytes of an AES record.
inline constexpr std::size_t kAesRecordDataBytes = 7;
bool ReadAesRecord(const ExtraRecord& record, AesRecord* aes);

// The UTF-8 name of a Unicode Path record (version 1) whose CRC-32 matches the stored
// name bytes; such a record describes the name it travels with.
bool ReadUnicodePath(const ExtraRecord& record, const std::uint8_t* storedName,
                     std::size_t storedLength, std::string_view* utf8Name);

// The 64-bit values of a central header's ZIP64 record. It holds, in this order, only the
// values whose 32-bit fields are saturated (0xFFFFFFFF): original size, compressed size,
// local-header offset. A field the record is too short for keeps its 32-bit value.
struct Zip64Values {
    std::uint64_t originalSize;
    std::uint64_t compressedSize;
    std::uint64_t localHeaderOffset;
};
void ApplyZip64Record(const ExtraRecord& record, Zip64Values* values);

// The modification time in UTC from the NTFS record (100 ns ticks since 1601) or else the
// extended timestamp (seconds since 1970, read unsigned as 7-Zip, libarchive and Go do);
// kNoFileTime when neither gives one.
FileTime ModifiedTimeUtc(const ExtraRecords& records);

}  // namespace quillory::zip
