// The central-directory walk: one ZipEntry per central header from the directory's start
// up to the first record of another kind; names are decoded again at the end when the
// whole archive reads as UTF-8. A header cut short fails the whole walk.
#include "zip/directory_walk.h"

#include <algorithm>

#include "common/conversions.h"
#include "zip/extra_field.h"
#include "zip/zip_format.h"
#include "zip/zip_names.h"

namespace quillory::zip {

using namespace format;

namespace {

bool ReadExactly(BufferedReader& reader, void* destination, std::size_t count) {
    return reader.Read(destination, count) == count;
}

// Fills one entry from the fixed fields of its central header and its extra records.
void FillEntry(const std::uint8_t* h, const ExtraRecords& extra, std::int64_t shift,
               const ByteSource& source, ZipEntry& e) {
    e.madeByVersion = h[0];
    e.madeByHost = h[1];
    e.versionNeeded = h[2];
    e.versionNeededHost = h[3];
    e.flags = Le16(h + 4);
    e.method = Le16(h + 6);
    DosTimeToFileTime(Le16(h + 10), Le16(h + 8), &e.modifiedTime);
    e.modifiedTimeUtc = ModifiedTimeUtc(extra);
    e.crc32 = Le32(h + 12);
    Zip64Values wide{Le32(h + 20), Le32(h + 16), Le32(h + 38)};
    ApplyZip64Record(extra.zip64, &wide);
    e.compressedSize = wide.compressedSize;
    e.originalSize = wide.originalSize;
    // Unsigned arithmetic: a shift that would take an offset below 0 leaves one that no
    // file reaches, and that member alone fails.
    e.localHeaderOffset = wide.localHeaderOffset + static_cast<std::uint64_t>(shift);
    // On a disk the source does not have, the member is nowhere to be read.
    if (const std::uint32_t disk = Le16(h + 30); disk != 0) {
        const auto start = source.DiskStart(disk);
        e.localHeaderOffset = start ? e.localHeaderOffset + *start : UINT64_MAX;
    }
    e.attributes = Le32(h + 34);
    ApplyAesRecord(extra, e);
}

}  // namespace

void ApplyAesRecord(const ExtraRecords& extra, ZipEntry& e) {
    AesRecord aes;
    if (ReadAesRecord(extra.aes, &aes)) {
        e.aesPresent = 1;
        e.aesVersion = aes.version;
        e.aesVendor[0] = aes.vendor[0];
        e.aesVendor[1] = aes.vendor[1];
        e.aesStrength = aes.strength;
        e.aesMethod = aes.method;
    }
}

bool ReadCentralDirectory(BufferedReader& reader, const DirectoryLocation& location,
                          const ByteSource& source, const NameEncoding& encoding,
                          std::pmr::vector<ZipEntry>& entries,
                          std::pmr::memory_resource* nameMemory,
                          std::vector<std::uint8_t>& extraBuffer) {
    // As many records as the end record promises and the directory (and the file) can
    // hold, so the table is allocated once for a sound archive and never balloons for a
    // false count.
    const std::uint64_t room = std::min(location.size, source.Size()) / kMinCentralHeaderBytes;
    entries.reserve(static_cast<std::size_t>(std::min(location.totalEntries, room)));
    MemberNameDecoder names(encoding);
    std::uint8_t signature[kSignatureBytes];
    if (!ReadExactly(reader, signature, sizeof signature)) return false;
    // Work space for the name being read; it grows to the longest name and stays.
    std::vector<std::uint8_t> nameBytes;
    while (Le32(signature) == kCentralHeaderSignature) {
        std::uint8_t h[kCentralFixedBytes];
        if (!ReadExactly(reader, h, sizeof h)) return false;
        const std::size_t nameLength = Le16(h + 24);
        const std::size_t extraLength = Le16(h + 26);
        const std::size_t commentLength = Le16(h + 28);
        nameBytes.resize(nameLength);
        extraBuffer.resize(extraLength);
        if (!ReadExactly(reader, nameBytes.data(), nameLength) ||
            !ReadExactly(reader, extraBuffer.data(), extraLength)) {
            return false;
        }
        const ExtraRecords extra = ScanExtraField(extraBuffer.data(), extraLength);
        const StoredName stored{nameBytes.data(), nameLength, Le16(h + 4), extra.unicodePath,
                                IsVolumeLabel(h[1], Le32(h + 34))};
        const WString name = names.Decode(entries.size(), stored);
        ZipEntry& e = entries.emplace_back(nameMemory);
        SplitMemberName(name, &e.path, &e.name);
        FillEntry(h, extra, location.shift, source, e);
        if (!reader.Skip(commentLength)) return false;
        if (!ReadExactly(reader, signature, sizeof signature)) return false;
    }
    names.RedecodeAsUtf8([&](std::size_t index, WString name) {
        SplitMemberName(name, &entries[index].path, &entries[index].name);
    });
    // Writers without ZIP64 records (Java before 7, old Windows tools) store the count of
    // more than 65,535 members modulo 65,536 or as 65,535, so the headers found count; but
    // a directory where none is found is an archive only when the end records say it is
    // empty.
    return !entries.empty() ||
           (location.checked && location.totalEntries == 0 && location.size == 0);
}

}  // namespace quillory::zip
