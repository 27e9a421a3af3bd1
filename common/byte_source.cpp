// The three byte sources: memory copied from, a file read with positioned reads (which
// several threads may issue at once; a stream through its copy), and volumes found by a
// binary search of their starts. Reads past the end come back short.
#include "common/byte_source.h"

#include <algorithm>
#include <cstring>

#include "platform/path.h"
#include "platform/stream_copy.h"

namespace quillory {

ByteSource::~ByteSource() = default;

std::span<const std::uint8_t> ByteSource::Bytes() const {
    return {};
}

std::optional<std::uint64_t> ByteSource::DiskStart(std::uint32_t disk) const {
    if (disk == 0) return 0;
    return std::nullopt;
}

std::size_t MemorySource::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    if (offset >= bytes_.size()) return 0;
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(count, bytes_.size() - offset));
    std::memcpy(buffer, bytes_.data() + offset, n);
    return n;
}

std::unique_ptr<FileSource> FileSource::Open(WStringView path, platform::FileErrorInfo* error) {
    // A path the host cannot take whole is refused: a shortened one names another file.
    if (!platform::FitsHostPath(path)) {
        if (error != nullptr) *error = {platform::FileError::NameTooLong, 0};
        return nullptr;
    }
    platform::FileHandle file = path == kStandardInputName
                                    ? platform::OpenStandardInput(error)
                                    : platform::OpenFileForReading(path, error);
    if (file == platform::kInvalidFileHandle) return nullptr;
    if (!platform::IsSeekableFile(file)) {
        // A stream is read once, whole, and the archive read from the copy; its bytes
        // are what arrived before it ended, however early that was.
        const platform::FileHandle copy = platform::CopyStreamToTemporary(file, error);
        platform::CloseFile(file);
        if (copy == platform::kInvalidFileHandle) return nullptr;
        file = copy;
    }
    const auto size = platform::GetFileSize(file);
    if (!size) {
        if (error != nullptr) *error = {platform::FileError::Other, 0};
        platform::CloseFile(file);
        return nullptr;
    }
    return std::unique_ptr<FileSource>(new FileSource(file, *size, WString(path)));
}

FileSource::~FileSource() {
    platform::CloseFile(file_);
}

std::size_t FileSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    if (offset >= size_) return 0;
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
    return platform::ReadFileAt(file_, offset, buffer, count);
}

VolumeSource::VolumeSource(std::vector<std::unique_ptr<ByteSource>> parts, WString name,
                           bool partsAreDisks)
    : parts_(std::move(parts)), name_(std::move(name)), partsAreDisks_(partsAreDisks) {
    std::uint64_t start = 0;
    for (const auto& part : parts_) {
        starts_.push_back(start);
        start += part->Size();
    }
    starts_.push_back(start);
}

std::optional<std::uint64_t> VolumeSource::DiskStart(std::uint32_t disk) const {
    if (!partsAreDisks_) return ByteSource::DiskStart(disk);
    if (disk >= parts_.size()) return std::nullopt;
    return starts_[disk];
}

std::size_t VolumeSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    // The part that holds offset: the last one starting at or before it.
    std::size_t part = static_cast<std::size_t>(
        std::upper_bound(starts_.begin(), starts_.end() - 1, offset) - starts_.begin());
    if (part == 0) return 0;
    for (--part; done < count && part < parts_.size(); ++part) {
        const std::uint64_t at = offset + done - starts_[part];
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(
            count - done, parts_[part]->Size() - std::min(at, parts_[part]->Size())));
        const std::size_t got = want == 0 ? 0 : parts_[part]->ReadAt(at, out + done, want);
        done += got;
        // A part that reads short ends the whole read there.
        if (got < want) break;
    }
    return done;
}

}  // namespace quillory
