// ZipArchive's Open and Close: the end records located, the central directory walked
// into the entry table, and the directory's place kept for the member layout. An archive
// whose directory cannot be read whole is listed from its local headers instead, or
// closed again with its status when it has none; nothing is half listed.
#include "zip/zip_archive.h"

#include "common/buffered_reader.h"
#include "common/checksums.h"
#include "zip/directory_walk.h"
#include "zip/end_record.h"
#include "zip/local_walk.h"

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
    bool located;
    {
        std::vector<std::uint8_t> scanBuffer;
        located = LocateCentralDirectory(*source_, scanBuffer, &location);
    }
    // Disks the source does not have (a split set opened from its last part alone, or
    // missing a part): the offsets lead nowhere.
    if (located && (location.thisDisk != 0 || location.multiDisk) &&
        !source_->DiskStart(location.disks - 1)) {
        return fail(ZipStatus::MultiDisk);
    }
    bool listed = false;
    if (located) {
        BufferedReader reader(*source_, location.offset, &heap_);
        std::vector<std::uint8_t> extraBuffer;
        listed = ReadCentralDirectory(reader, location, *source_, encoding_, entries_, &names_,
                                      extraBuffer);
    }
    if (listed) {
        directoryOffset_ = location.offset;
        directorySize_ = location.size;
        return {};
    }
    // No directory to read (cut off, or damaged): the members' own headers, each member's
    // bytes ending where the next begins, and no directory for them to run into.
    entries_.clear();
    names_.Release();
    if (!zip::ReadLocalHeaders(*source_, encoding_, entries_, &names_, &heap_, &lastMemberCut_)) {
        return fail(located ? ZipStatus::BadDirectory : ZipStatus::NoEndRecord);
    }
    directoryOffset_ = UINT64_MAX;
    directorySize_ = 0;
    warning_ = ZipStatus::ReadFromLocalHeaders;
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
    warning_ = ZipStatus::Ok;
    lastMemberCut_ = false;
}

const zip::MemberLayout& ZipArchive::layout() const {
    std::call_once(*layoutOnce_,
                   [this] { layout_.Build(entries_, directoryOffset_, directorySize_); });
    return layout_;
}

}  // namespace quillory
