// Central-directory walk.
#include "zip/directory_walk.h"

#include <algorithm>

#include "common/conversions.h"
#include "zip/extra_field.h"
#include "zip/zip_format.h"
#include "zip/zip_names.h"

namespace quillory {

using namespace zipformat;

namespace {

bool ReadExactly(BufferedReader& reader, void* destination, std::size_t count) {
    return reader.Read(destination, count) == count;
}

// Fills one entry from the fixed fields of its central header and its decoded name.
void FillEntry(const std::uint8_t* h, WStringView name, const std::uint8_t* extra,
               std::size_t extraSize, ZipEntry& e) {
    SplitMemberName(name, &e.path, &e.name);
    e.madeByVersion = h[0];
    e.madeByHost = h[1];
    e.versionNeeded = h[2];
    e.versionNeededHost = h[3];
    e.flags = Le16(h + 4);
    e.method = Le16(h + 6);
    DosTimeToFileTime(Le16(h + 10), Le16(h + 8), &e.modifiedTime);
    e.crc32 = Le32(h + 12);
    e.compressedSize = Le32(h + 16);
    e.originalSize = Le32(h + 20);
    e.attributes = Le32(h + 34);
    e.localHeaderOffset = Le32(h + 38);
    AesRecord aes;
    if (FindAesRecord(extra, extraSize, &aes)) {
        e.aesPresent = 1;
        e.aesVersion = aes.version;
        e.aesVendor[0] = aes.vendor[0];
        e.aesVendor[1] = aes.vendor[1];
        e.aesStrength = aes.strength;
        e.aesMethod = aes.method;
    }
}

}  // namespace

bool ReadCentralDirectory(BufferedReader& reader, std::uint32_t totalEntries,
                          std::uint32_t centralDirSize, std::pmr::vector<ZipEntry>& entries,
                          std::pmr::memory_resource* nameMemory,
                          std::vector<std::uint8_t>& extraBuffer) {
    // As many records as the end record promises and the directory's size can hold, so
    // the table is allocated once for a sound archive and never balloons for a false one.
    entries.reserve(std::min<std::size_t>(totalEntries, centralDirSize / kMinCentralHeaderBytes));
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
        // More records than the end record counts: the walk can only fail, so stop now.
        if (entries.size() == totalEntries) return false;
        const bool label = IsVolumeLabel(h[1], Le32(h + 34));
        const WString name = DecodeMemberName(nameBytes.data(), nameLength, Le16(h + 4),
                                              extraBuffer.data(), extraLength, label);
        FillEntry(h, name, extraBuffer.data(), extraLength, entries.emplace_back(nameMemory));
        if (!reader.Skip(commentLength)) return false;
        if (!ReadExactly(reader, signature, sizeof signature)) return false;
    }
    return !entries.empty() && entries.size() == totalEntries &&
           Le32(signature) == kEndRecordSignature;
}

}  // namespace quillory
