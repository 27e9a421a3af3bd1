// Extra-field walk.
#include "zip/extra_field.h"

#include "common/checksums.h"
#include "zip/zip_format.h"

namespace quillory {

using zipformat::Le16;
using zipformat::Le32;

namespace {
// Header ID and data size in front of every record.
constexpr std::size_t kRecordHeaderBytes = 4;
// Unicode Path data: version (1 byte), CRC-32 of the stored name (4), then the name.
constexpr std::size_t kUnicodePathFixedBytes = 5;
constexpr std::uint8_t kUnicodePathVersion = 1;
}  // namespace

bool FindExtraRecord(const std::uint8_t* field, std::size_t size, std::uint16_t id,
                     ExtraRecord* record) {
    std::size_t at = 0;
    while (size - at >= kRecordHeaderBytes) {
        const std::uint16_t recordId = Le16(field + at);
        const std::size_t dataSize = Le16(field + at + 2);
        at += kRecordHeaderBytes;
        if (dataSize > size - at) return false;  // runs past the field: the walk ends
        if (recordId == id) {
            *record = {recordId, field + at, dataSize};
            return true;
        }
        at += dataSize;
    }
    return false;
}

bool FindAesRecord(const std::uint8_t* field, std::size_t size, AesRecord* aes) {
    ExtraRecord record;
    if (!FindExtraRecord(field, size, kAesExtraId, &record)) return false;
    if (record.size < kAesRecordDataBytes) return false;
    const std::uint8_t* d = record.data;
    aes->version = Le16(d);
    aes->vendor[0] = d[2];
    aes->vendor[1] = d[3];
    aes->strength = static_cast<std::int8_t>(d[4]);
    aes->method = Le16(d + 5);
    return true;
}

bool FindUnicodePath(const std::uint8_t* field, std::size_t size, const std::uint8_t* storedName,
                     std::size_t storedLength, std::string_view* utf8Name) {
    ExtraRecord record;
    if (!FindExtraRecord(field, size, kUnicodePathExtraId, &record)) return false;
    if (record.size < kUnicodePathFixedBytes || record.data[0] != kUnicodePathVersion) return false;
    if (Le32(record.data + 1) != Crc32Update(0, storedName, storedLength)) return false;
    *utf8Name =
        std::string_view(reinterpret_cast<const char*>(record.data) + kUnicodePathFixedBytes,
                         record.size - kUnicodePathFixedBytes);
    return true;
}

}  // namespace quillory
