// End-record search.
#include "zip/end_record.h"

#include <string.h>

#include <algorithm>

#include "common/output_files.h"
#include "zip/zip_format.h"

namespace quillory {

using namespace zipformat;

bool FindEndRecord(const std::uint8_t* data, std::size_t size, EndRecord* record) {
    if (size < kEndRecordBytes) return false;
    // Searching backwards and stopping at the first hit finds the same record as a forward
    // scan that keeps the last one. memrchr finds candidates many bytes at a time.
    std::size_t limit = size - kEndRecordBytes + 1;  // candidates lie before this
    for (;;) {
        const void* hit = memrchr(data, 0x50, limit);
        if (hit == nullptr) return false;
        const std::size_t i =
            static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data);
        limit = i;
        if (Le32(data + i) != kEndRecordSignature) continue;
        const std::uint8_t* r = data + i;
        record->thisDisk = Le16(r + 4);
        record->centralDirDisk = Le16(r + 6);
        record->entriesThisDisk = Le16(r + 8);
        record->totalEntries = Le16(r + 10);
        record->centralDirSize = Le32(r + 12);
        record->centralDirOffset = Le32(r + 16);
        record->commentLength = Le16(r + 20);
        return true;
    }
}

bool ReadEndRecord(platform::FileHandle file, std::vector<std::uint8_t>& scanBuffer,
                   EndRecord* record) {
    const std::uint64_t fileSize = FileSize64(file);
    if (fileSize == kInvalidFilePosition) return false;
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndSearchBytes));
    scanBuffer.resize(kEndSearchBytes);
    if (SeekFile(file, -static_cast<std::int64_t>(n), SeekOrigin::End) == kInvalidFilePosition) {
        return false;
    }
    if (ReadBytes(file, scanBuffer.data(), n) != n) return false;
    return FindEndRecord(scanBuffer.data(), n, record);
}

}  // namespace quillory
