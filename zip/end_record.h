// Finding the end-of-central-directory record in the last 65557 bytes of an archive.
// The last complete record in that area wins, even one that sits inside a comment;
// a signature closer than 22 bytes to the end of the file cannot hold a record and
// is passed over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/file.h"

namespace quillory {

// The fields of the end record, each widened to 32 bits (the offset to 64).
struct EndRecord {
    std::uint32_t thisDisk = 0;
    std::uint32_t centralDirDisk = 0;
    std::uint32_t entriesThisDisk = 0;
    std::uint32_t totalEntries = 0;
    std::uint32_t centralDirSize = 0;
    std::uint64_t centralDirOffset = 0;
    std::uint32_t commentLength = 0;
};

// Searches data[0..size) (the end of a file) for the last complete end record.
bool FindEndRecord(const std::uint8_t* data, std::size_t size, EndRecord* record);

// Reads the last min(file size, 65557) bytes into scanBuffer and searches them. False when
// the read comes up short or no record is there.
bool ReadEndRecord(platform::FileHandle file, std::vector<std::uint8_t>& scanBuffer,
                   EndRecord* record);

}  // namespace quillory
