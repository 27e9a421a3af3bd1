// Finding the central directory from the records at the end of an archive: the end
// record in the last 65557 bytes, and the ZIP64 end record through the locator that
// stands right before it. Where the records' directory offset leads to no central
// header, the directory is taken where the records say it ends (its size before the
// first of them), and the difference moves every offset of the archive: a ZIP appended
// to a self-extractor or another stub without adjusting its offsets. Of several end
// signatures (one inside a comment), the last whose directory checks out wins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/byte_source.h"

namespace quillory::zip {

// Where the central directory is and what the end records say about it; 64-bit values
// come from the ZIP64 end record when there is one.
struct DirectoryLocation {
    std::uint32_t thisDisk = 0;
    std::uint32_t centralDirDisk = 0;
    std::uint64_t entriesThisDisk = 0;
    std::uint64_t totalEntries = 0;  // a hint: the walk counts the headers itself
    std::uint64_t size = 0;
    std::uint64_t offset = 0;  // where the directory starts in the file
    // What the file position of a stored offset exceeds it by: the bytes in front of an
    // archive whose offsets count from its own start, else 0.
    std::int64_t shift = 0;
    std::uint64_t recordsStart = 0;  // the first end record (ZIP64 or not) after the directory
    std::uint32_t commentLength = 0;
    bool zip64 = false;      // a ZIP64 end record was read
    bool multiDisk = false;  // the locator counts more than one disk
    std::uint32_t disks =
        1;                 // the disks the records count (this one's number + 1, or the locator's)
    bool checked = false;  // a central header (or an empty directory) is where it says
};

// Reads the last min(size, 65557) bytes of the source into scanBuffer and locates the
// directory; on a split set's disks (ByteSource::DiskStart) the directory's offset counts
// from the start of its disk. False when there is no end record at all (or the source cannot be
// read); true with the last one found when none checks out, so that the walk refuses it.
bool LocateCentralDirectory(const ByteSource& source, std::vector<std::uint8_t>& scanBuffer,
                            DirectoryLocation* location);

}  // namespace quillory::zip
