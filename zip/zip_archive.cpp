// ZipArchive's construction, Open and Close: the end records located, the central
// directory walked into the entry table and the end values kept. An archive whose
// directory cannot be read whole is closed again with its status; nothing is half listed.
#include "zip/zip_archive.h"

#include "common/buffered_reader.h"
#include "common/checksums.h"
#include "zip/directory_walk.h"
#include "zip/end_record.h"
#include "zip/zip_reader_state.h"

namespace quillory {

using zip::DirectoryLocation;
using zip::LocateCentralDirectory;
using zip::ReadCentralDirectory;
using zip::ZipReaderState;

FileTime LocalModifiedTime(const ZipEntry& entry) {
    FileTime local = kNoFileTime;
    if (entry.modifiedTimeUtc != kNoFileTime &&
        platform::UtcFileTimeToLocal(entry.modifiedTimeUtc, &local)) {
        return local;
    }
    return entry.modifiedTime;
}

ZipArchive::ZipArchive() : entries(&heap_), work_(std::make_unique<ZipReaderState>()) {
    Crc32Table();
}

ZipArchive::~ZipArchive() {
    Close();
    Crc32Release();
}

ZipArchive& ZipArchive::SetCallback(ExtractCallback* newCallback) {
    callback = newCallback;
    return *this;
}

int ZipArchive::Open(WStringView archive) {
    std::shared_ptr<const ByteSource> source = FileSource::Open(archive);
    if (source == nullptr) {
        Close();
        archivePath.assign(archive);
        status = ZipStatus::OpenFailed;
        return 0;
    }
    return Open(std::move(source), archive);
}

int ZipArchive::Open(std::shared_ptr<const ByteSource> source, WStringView archive) {
    Close();
    status = ZipStatus::Ok;
    archivePath.assign(archive);
    passwordNeedsReset = 1;
    passwordFromCaller = 0;
    source_ = std::move(source);
    const auto fail = [this](ZipStatus reason) {
        status = reason;
        Close();
        return 0;
    };

    ZipReaderState& w = *work_;
    DirectoryLocation location;
    if (!LocateCentralDirectory(*source_, w.scanBuffer, &location)) {
        return fail(ZipStatus::NoEndRecord);
    }
    thisDisk = location.thisDisk;
    centralDirDisk = location.centralDirDisk;
    entriesThisDisk = location.entriesThisDisk;
    totalEntries = location.totalEntries;
    centralDirSize = location.size;
    centralDirOffset = location.offset;
    commentLength = location.commentLength;
    if (thisDisk != 0 || location.multiDisk) return fail(ZipStatus::MultiDisk);

    bool listed;
    {
        BufferedReader reader(*source_, centralDirOffset, &heap_);
        listed = ReadCentralDirectory(reader, location, source_->Size(), detectUtf8Names != 0,
                                      entries, &names_, w.extraBuffer);
    }
    if (!listed) return fail(ZipStatus::Ok);
    entryCount = static_cast<int>(entries.size());
    return 1;
}

int ZipArchive::Close() {
    entries.clear();
    entries.shrink_to_fit();
    names_.Release();
    layout_.Clear();
    entryCount = 0;
    source_.reset();
    ZipReaderState& w = *work_;
    w.inflate.FreeFixedTables();
    w.extraBuffer.clear();
    w.extraBuffer.shrink_to_fit();
    return 1;
}

}  // namespace quillory
