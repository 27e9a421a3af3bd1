// ZipArchive's Open and Close: the end records located, the central directory walked
// into the entry table, and the directory's place kept for the member layout. An archive
// whose directory cannot be read whole is closed again with its status; nothing is half
// listed.
#include "zip/zip_archive.h"

#include "common/buffered_reader.h"
#include "common/checksums.h"
#include "zip/directory_walk.h"
#include "zip/end_record.h"

namespace quillory {

using zip::DirectoryLocation;
using zip::LocateCentralDirectory;
using zip::ReadCentralDirectory;

FileTime LocalModifiedTime(const ZipEntry& entry) {
    FileTime local = kNoFileTime;
    if (entry.modifiedTimeUtc != kNoFileTime &&
        platform::UtcFileTimeToLocal(entry.modifiedTimeUtc, &local)) {
        return local;
    }
    return entry.modifiedTime;
}

ZipArchive::ZipArchive() {
    Crc32Table();
}

ZipArchive::~ZipArchive() {
    Close();
    Crc32Release();
}

Outcome<ZipStatus> ZipArchive::Open(WStringView path, const NameEncoding& encoding) {
    platform::FileErrorInfo error;
    std::shared_ptr<const ByteSource> source = FileSource::Open(path, &error);
    if (source == nullptr) {
        Close();
        archivePath_.assign(path);
        return {ZipStatus::OpenFailed, error};
    }
    return Open(std::move(source), path, encoding);
}

Outcome<ZipStatus> ZipArchive::Open(std::shared_ptr<const ByteSource> source, WStringView path,
                                    const NameEncoding& encoding) {
    Close();
    archivePath_.assign(path);
    encoding_ = encoding;
    source_ = std::move(source);
    const auto fail = [this](ZipStatus reason) -> Outcome<ZipStatus> {
        Close();
        return {reason, {}};
    };

    DirectoryLocation location;
    {
        std::vector<std::uint8_t> scanBuffer;
        if (!LocateCentralDirectory(*source_, scanBuffer, &location)) {
            return fail(ZipStatus::NoEndRecord);
        }
    }
    if (location.thisDisk != 0 || location.multiDisk) return fail(ZipStatus::MultiDisk);
    directoryOffset_ = location.offset;
    directorySize_ = location.size;
    bool listed;
    {
        BufferedReader reader(*source_, location.offset, &heap_);
        std::vector<std::uint8_t> extraBuffer;
        listed = ReadCentralDirectory(reader, location, source_->Size(), encoding_, entries_,
                                      &names_, extraBuffer);
    }
    if (!listed) return fail(ZipStatus::BadDirectory);
    return {};
}

void ZipArchive::Close() {
    source_.reset();
    entries_.clear();
    entries_.shrink_to_fit();
    names_.Release();
    layout_.Clear();
    layoutOnce_ = std::make_unique<std::once_flag>();
    directoryOffset_ = directorySize_ = 0;
}

const zip::MemberLayout& ZipArchive::layout() const {
    std::call_once(*layoutOnce_,
                   [this] { layout_.Build(entries_, directoryOffset_, directorySize_); });
    return layout_;
}

}  // namespace quillory
