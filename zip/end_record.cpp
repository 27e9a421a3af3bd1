// Locating the central directory: every end signature in the tail, last first, until one
// leads to a directory that checks out. The records are read from the tail already in
// memory where they lie in it, else from the file.
#include "zip/end_record.h"

#include <string.h>

#include <algorithm>
#include <cstring>

#include "zip/zip_format.h"

namespace quillory::zip {

using namespace format;

namespace {

// The archive's last bytes, and reads of any bytes of it through them.
class Tail {
public:
    Tail(const ByteSource& source, const std::uint8_t* data, std::size_t size)
        : source_(source), fileSize_(source.Size()), data_(data), start_(fileSize_ - size) {}

    std::uint64_t fileSize() const { return fileSize_; }
    std::uint64_t start() const { return start_; }

    // The count bytes at position into out; false when they are not all in the file.
    bool Read(std::uint64_t position, std::uint8_t* out, std::size_t count) const {
        if (position > fileSize_ || count > fileSize_ - position) return false;
        if (position >= start_) {
            std::memcpy(out, data_ + (position - start_), count);
            return true;
        }
        return source_.ReadExactly(position, out, count);
    }

    bool SignatureAt(std::uint64_t position, std::uint32_t signature) const {
        std::uint8_t bytes[kSignatureBytes];
        return Read(position, bytes, sizeof bytes) && Le32(bytes) == signature;
    }

private:
    const ByteSource& source_;
    std::uint64_t fileSize_;
    const std::uint8_t* data_;
    std::uint64_t start_;
};

// The end record's fields, each widened.
void ReadEndFields(const std::uint8_t* r, std::uint64_t position, DirectoryLocation* d) {
    d->thisDisk = Le16(r + 4);
    d->centralDirDisk = Le16(r + 6);
    d->entriesThisDisk = Le16(r + 8);
    d->totalEntries = Le16(r + 10);
    d->size = Le32(r + 12);
    d->offset = Le32(r + 16);
    d->commentLength = Le16(r + 20);
    d->recordsStart = position;
}

// The ZIP64 end record that the locator right before the end record at `position` points
// to, taken instead of the end record's values. The locator's offset counts from the
// archive's start like every other; where it leads to no ZIP64 end record, the record is
// taken right before the locator, where every writer puts it (data in front).
void ReadZip64End(const Tail& tail, std::uint64_t position, DirectoryLocation* d) {
    std::uint8_t locator[kZip64LocatorBytes];
    if (position < kZip64LocatorBytes ||
        !tail.Read(position - kZip64LocatorBytes, locator, sizeof locator) ||
        Le32(locator) != kZip64LocatorSignature) {
        return;
    }
    const std::uint64_t locatorStart = position - kZip64LocatorBytes;
    std::uint8_t record[kZip64EndBytes];
    const auto recordAt = [&](std::uint64_t at) {
        return at <= locatorStart && locatorStart - at >= kZip64EndBytes &&
               tail.Read(at, record, sizeof record) && Le32(record) == kZip64EndSignature;
    };
    std::uint64_t at = Le64(locator + 8);
    if (!recordAt(at)) {
        at = locatorStart - std::min<std::uint64_t>(locatorStart, kZip64EndBytes);
        if (!recordAt(at)) return;
    }
    d->zip64 = true;
    // Info-ZIP, 7-Zip, Java and Python count 1 disk; a 0, which says nothing, passes too.
    d->multiDisk = Le32(locator + 16) > 1;
    d->disks = std::max<std::uint32_t>(d->disks, Le32(locator + 16));
    d->thisDisk = Le32(record + 16);
    d->centralDirDisk = Le32(record + 20);
    d->entriesThisDisk = Le64(record + 24);
    d->totalEntries = Le64(record + 32);
    d->size = Le64(record + 40);
    d->offset = Le64(record + 48);
    d->recordsStart = at;
}

// Decides where the directory starts: at the stored offset when a central header is
// there; else its size before the first end record, when a central header is there (the
// archive has data in front and offsets counted from its own start). An empty directory
// checks out at the end records, or at 0 (an empty archive put behind a stub as it was
// written).
void CheckDirectory(const Tail& tail, DirectoryLocation* d) {
    const std::uint64_t stored = d->offset;
    if (d->size == 0 && d->totalEntries == 0) {
        d->checked = stored == d->recordsStart || stored == 0;
        d->offset = d->recordsStart;
        return;
    }
    if (tail.SignatureAt(stored, kCentralHeaderSignature)) {
        d->checked = true;
        return;
    }
    if (d->size > d->recordsStart) return;
    const std::uint64_t found = d->recordsStart - d->size;
    if (!tail.SignatureAt(found, kCentralHeaderSignature)) return;
    d->checked = true;
    d->offset = found;
    // A saturated offset without the ZIP64 record that should hold it (a writer that
    // saturates early, or one whose ZIP64 records were cut off) says nothing about data
    // in front; the members' own offsets stand.
    if (!d->zip64 && stored == kSaturated32) return;
    d->shift = static_cast<std::int64_t>(found - stored);
}

}  // namespace

bool LocateCentralDirectory(const ByteSource& source, std::vector<std::uint8_t>& scanBuffer,
                            DirectoryLocation* location) {
    const std::uint64_t fileSize = source.Size();
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndSearchBytes));
    scanBuffer.resize(kEndSearchBytes);
    // A tail that cannot be read whole (it reaches into a split set's missing part) is
    // read as far back as it can be, halving its length.
    while (!source.ReadExactly(fileSize - n, scanBuffer.data(), n)) {
        if (n < 2 * kEndRecordBytes) return false;
        n /= 2;
    }
    if (n < kEndRecordBytes) return false;
    const std::uint8_t* data = scanBuffer.data();
    const Tail tail(source, data, n);

    // Candidates from the last one back; memrchr finds them many bytes at a time. A
    // signature closer than 22 bytes to the end holds no record. The comment length is
    // not checked: files with bytes appended after the archive (installers, download
    // tools) and writers that miscount the comment leave it wrong.
    bool found = false;
    std::size_t limit = n - kEndRecordBytes + 1;
    for (;;) {
        const void* hit = memrchr(data, 0x50, limit);
        if (hit == nullptr) break;
        const std::size_t i =
            static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data);
        limit = i;
        if (Le32(data + i) != kEndRecordSignature) continue;
        DirectoryLocation candidate;
        ReadEndFields(data + i, tail.start() + i, &candidate);
        candidate.disks = candidate.thisDisk + 1;
        ReadZip64End(tail, candidate.recordsStart, &candidate);
        // A split set's offsets count from the start of their disk.
        if (const auto diskStart = source.DiskStart(candidate.centralDirDisk);
            diskStart && candidate.centralDirDisk != 0) {
            candidate.offset += *diskStart;
        }
        CheckDirectory(tail, &candidate);
        // An end signature inside a comment (a zipped archive's own, quoted text) may come
        // after the real one: the last record whose directory checks out wins, and with
        // none, the last one, which the walk then refuses.
        if (candidate.checked || !found) *location = candidate;
        found = true;
        if (candidate.checked) break;
    }
    return found;
}

}  // namespace quillory::zip
