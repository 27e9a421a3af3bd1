// Walking an extra field record by record and reading the ZIP64, AES, Unicode Path and
// UTC time records. A record whose size runs past the field ends the walk; nothing past
// the field is read, and the first record of an ID counts.
#include "zip/extra_field.h"

#include "common/checksums.h"
#include "common/conversions.h"
#include "zip/zip_format.h"

namespace quillory::zip {

using format::Le16;
using format::Le32;
using format::Le64;

namespace {
// Header ID and data size in front of every record.
constexpr std::size_t kRecordHeaderBytes = 4;
// Unicode Path data: version (1 byte), CRC-32 of the stored name (4), then the name.
constexpr std::size_t kUnicodePathFixedBytes = 5;
constexpr std::uint8_t kUnicodePathVersion = 1;
// NTFS data: 4 reserved bytes, then attributes (tag, size, data); tag 1 holds the
// modification, access and creation times, 8 bytes each.
constexpr std::size_t kNtfsReservedBytes = 4;
constexpr std::uint16_t kNtfsTimesTag = 0x0001;
constexpr std::size_t kNtfsTimesBytes = 24;
// Extended timestamp data: a flags byte, then the times it flags; bit 0 is the
// modification time, which is the only time a central header's record carries.
constexpr std::uint8_t kTimestampHasModified = 0x01;
constexpr std::size_t kTimestampModifiedEnd = 5;
}  // namespace

ExtraRecords ScanExtraField(const std::uint8_t* field, std::size_t size) {
    ExtraRecords found;
    std::size_t at = 0;
    while (size - at >= kRecordHeaderBytes) {
        const std::uint16_t id = Le16(field + at);
        const std::size_t dataSize = Le16(field + at + 2);
        at += kRecordHeaderBytes;
        if (dataSize > size - at) break;  // runs past the field: the walk ends
        ExtraRecord* slot = id == kZip64ExtraId         ? &found.zip64
                            : id == kAesExtraId         ? &found.aes
                            : id == kUnicodePathExtraId ? &found.unicodePath
                            : id == kNtfsExtraId        ? &found.ntfs
                            : id == kTimestampExtraId   ? &found.timestamp
                                                        : nullptr;
        if (slot != nullptr && slot->data == nullptr) *slot = {field + at, dataSize};
        at += dataSize;
    }
    return found;
}

bool ReadAesRecord(const ExtraRecord& record, AesRecord* aes) {
    if (record.data == nullptr || record.size < kAesRecordDataBytes) return false;
    const std::uint8_t* d = record.data;
    aes->version = Le16(d);
    aes->vendor[0] = d[2];
    aes->vendor[1] = d[3];
    aes->strength = static_cast<std::int8_t>(d[4]);
    aes->method = Le16(d + 5);
    return true;
}

bool ReadUnicodePath(const ExtraRecord& record, const std::uint8_t* storedName,
                     std::size_t storedLength, std::string_view* utf8Name) {
    if (record.data == nullptr || record.size < kUnicodePathFixedBytes ||
        record.data[0] != kUnicodePathVersion) {
        return false;
    }
    if (Le32(record.data + 1) != Crc32Update(0, storedName, storedLength)) return false;
    *utf8Name =
        std::string_view(reinterpret_cast<const char*>(record.data) + kUnicodePathFixedBytes,
                         record.size - kUnicodePathFixedBytes);
    return true;
}

void ApplyZip64Record(const ExtraRecord& record, Zip64Values* values) {
    std::size_t at = 0;
    for (std::uint64_t* value :
         {&values->originalSize, &values->compressedSize, &values->localHeaderOffset}) {
        if (*value != format::kSaturated32) continue;
        if (record.data == nullptr || record.size - at < 8) return;
        *value = Le64(record.data + at);
        at += 8;
    }
}

FileTime ModifiedTimeUtc(const ExtraRecords& records) {
    if (const ExtraRecord& ntfs = records.ntfs; ntfs.data != nullptr) {
        std::size_t at = kNtfsReservedBytes;
        while (ntfs.size >= at + kRecordHeaderBytes) {
            const std::uint16_t tag = Le16(ntfs.data + at);
            const std::size_t tagSize = Le16(ntfs.data + at + 2);
            at += kRecordHeaderBytes;
            if (tagSize > ntfs.size - at) break;
            if (tag == kNtfsTimesTag && tagSize >= kNtfsTimesBytes) {
                const FileTime modified = Le64(ntfs.data + at);
                if (modified != kNoFileTime) return modified;
                break;
            }
            at += tagSize;
        }
    }
    const ExtraRecord& stamp = records.timestamp;
    if (stamp.data != nullptr && stamp.size >= kTimestampModifiedEnd &&
        (stamp.data[0] & kTimestampHasModified) != 0) {
        FileTime modified = kNoFileTime;
        UnixTimeToFileTime(Le32(stamp.data + 1), &modified);
        return modified;
    }
    return kNoFileTime;
}

}  // namespace quillory::zip
