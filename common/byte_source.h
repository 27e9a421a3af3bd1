// Where an archive's bytes come from. The readers and every decoder read through this
// one interface: an open file, a set of volume files read one after another as one
// archive, or memory. Reads name their offset and move no shared position, so threads
// decoding members side by side read one source at once. A source never hands out bytes
// past its size, and a failed read comes back short, never as bytes that are not there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/file.h"
#include "platform/text.h"

namespace quillory {

class ByteSource {
public:
    virtual ~ByteSource();

    // Copies up to count bytes from offset into buffer and returns how many arrived:
    // fewer only at the end of the source or when reading fails.
    virtual std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const = 0;
    // The source's length in bytes, fixed when it was opened.
    virtual std::uint64_t Size() const = 0;
    // The name messages give it: the program path of a file, a set's or memory's name.
    virtual WStringView Name() const = 0;
    // The bytes themselves when they are in memory, so that decoders read them where they
    // lie (and a test can place them against unreadable memory); empty for files.
    virtual std::span<const std::uint8_t> Bytes() const;
    // Where disk `disk` of an archive split over disks (PKWARE's split and spanned sets,
    // whose records count their offsets from the start of their disk) starts in the
    // source: 0 for disk 0 of a source that is one disk; nothing for a disk it lacks.
    virtual std::optional<std::uint64_t> DiskStart(std::uint32_t disk) const;

    // All count bytes at offset, or false.
    bool ReadExactly(std::uint64_t offset, void* buffer, std::size_t count) const {
        return ReadAt(offset, buffer, count) == count;
    }
};

// Bytes that the caller keeps alive as long as the source.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes, WString name = {})
        : bytes_(bytes), name_(std::move(name)) {}

    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const override;
    std::uint64_t Size() const override { return bytes_.size(); }
    WStringView Name() const override { return name_; }
    std::span<const std::uint8_t> Bytes() const override { return bytes_; }

private:
    std::span<const std::uint8_t> bytes_;
    WString name_;
};

// The path that names standard input, as command-line tools take it.
inline constexpr WStringView kStandardInputName = u"-";

// A file opened for reading by its path, closed with the source. Its size is the one it
// had when opened: a file that grows later gives no more, one that shrinks reads short.
// A file that cannot be read at an offset (a pipe, FIFO or socket, or standard input as
// "-") is read once to its end into a private temporary without a name, which the source
// then reads: the stream is never opened twice.
class FileSource final : public ByteSource {
public:
    // Null when the path cannot be opened for reading (or names a folder), or a stream
    // cannot be copied whole, with the host's reason in *error when asked for.
    static std::unique_ptr<FileSource> Open(WStringView path,
                                            platform::FileErrorInfo* error = nullptr);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const override;
    std::uint64_t Size() const override { return size_; }
    WStringView Name() const override { return path_; }

private:
    FileSource(platform::FileHandle file, std::uint64_t size, WString path)
        : file_(file), size_(size), path_(std::move(path)) {}

    const platform::FileHandle file_;
    const std::uint64_t size_;
    const WString path_;
};

// A part of a split archive that is not there, of the size it would have: it reads as
// nothing, so what lies in it fails and what lies after it keeps its place.
class AbsentSource final : public ByteSource {
public:
    AbsentSource(std::uint64_t size, WString name) : size_(size), name_(std::move(name)) {}

    std::size_t ReadAt(std::uint64_t, void*, std::size_t) const override { return 0; }
    std::uint64_t Size() const override { return size_; }
    WStringView Name() const override { return name_; }

private:
    std::uint64_t size_;
    WString name_;
};

// Parts read one after another as one archive, each part's bytes following the previous
// part's: the volumes of a split archive. The parts are the archive's disks (NAME.z01 ...
// NAME.zip) or plain pieces of one archive cut at any byte (NAME.zip.001 ...).
class VolumeSource final : public ByteSource {
public:
    // The parts in order (none null) and the name of the whole.
    VolumeSource(std::vector<std::unique_ptr<ByteSource>> parts, WString name,
                 bool partsAreDisks = false);

    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const override;
    std::uint64_t Size() const override { return starts_.back(); }
    WStringView Name() const override { return name_; }
    std::optional<std::uint64_t> DiskStart(std::uint32_t disk) const override;

    std::size_t PartCount() const { return parts_.size(); }
    const ByteSource& Part(std::size_t index) const { return *parts_[index]; }
    // Where part `index` starts in the whole.
    std::uint64_t PartStart(std::size_t index) const { return starts_[index]; }

private:
    std::vector<std::unique_ptr<ByteSource>> parts_;
    std::vector<std::uint64_t> starts_;  // one per part, then the total size
    WString name_;
    bool partsAreDisks_;
};

}  // namespace quillory
