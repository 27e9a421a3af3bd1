// Opening, listing and closing an LZH archive: a plain archive, or one found inside a
// self-extractor, read header by header into the entry table. A damaged header after
// good members ends the list there with a warning instead of losing them; a failed
// listing closes the archive again, and no memory for the table is a failed open.
#include "lzh/lzh_archive.h"

#include <new>

#include "common/buffered_reader.h"
#include "common/checksums.h"
#include "common/output_files.h"
#include "lzh/lzh_exe_search.h"
#include "lzh/lzh_header.h"
#include "lzh/lzh_scratch_buffer.h"
#include "platform/path.h"

namespace quillory {

LzhArchive::LzhArchive() : entries(&heap_) {
    Crc16Init();
}

LzhArchive::~LzhArchive() = default;

LzhArchive& LzhArchive::SetCallback(ExtractCallback* newCallback) {
    callback = newCallback;
    return *this;
}

int LzhArchive::Open(WStringView archive) {
    // A reader reused without Close must not leak the previous file.
    if (archiveFile != kInvalidFileHandle) Close();
    status = LzhStatus::Ok;
    archivePath.assign(archive);
    // A path the host cannot take whole is refused: a shortened one names another file.
    if (platform::FitsHostPath(archive)) archiveFile = platform::OpenFileForReading(archive);
    if (archiveFile == kInvalidFileHandle) return Result(LzhStatus::OpenFailed);
    if (lzh::HasSelfExtractorExtension(archive) && !lzh::FindArchiveInExe(archiveFile, &heap_)) {
        Close();
        return Result(LzhStatus::NoArchiveInExe);
    }
    bool listed = false;
    try {
        listed = ReadAllHeaders();
    } catch (const std::bad_alloc&) {
        // No memory for the table: the archive cannot be opened.
        status = LzhStatus::OpenFailed;
        listed = false;
    }
    if (!listed) {
        const LzhStatus reason = status;
        Close();
        return Result(reason);
    }
    entryCount = static_cast<int>(entries.size());
    return 1;
}

bool LzhArchive::ReadAllHeaders() {
    BufferedReader reader(archiveFile, &heap_);
    const lzh::ScratchBuffer work(&heap_, lzh::kMaxExtendedHeaderBytes);
    for (;;) {
        LzhEntry& entry = entries.emplace_back(&names_);
        if (!lzh::ReadHeader(reader, work.data(), entry, status)) {
            entries.pop_back();
            // A damaged header after good members (a cut download, a disk error) ends the
            // listing there with a warning, instead of losing the members before it.
            if (!entries.empty() &&
                (status == LzhStatus::BadHeader || status == LzhStatus::UnknownLevel)) {
                status = LzhStatus::DamagedFromHere;
            }
            break;
        }
        if (!reader.Skip(entry.compressedSize)) {
            status = LzhStatus::SeekFailed;
            return false;
        }
    }
    return status == LzhStatus::Ok || status == LzhStatus::NoEndMark ||
           status == LzhStatus::HeaderCheckWarning || status == LzhStatus::DamagedFromHere;
}

int LzhArchive::Close() {
    if (archiveFile != kInvalidFileHandle) platform::CloseFile(archiveFile);
    archiveFile = kInvalidFileHandle;
    entries.clear();
    entries.shrink_to_fit();
    names_.Release();
    entryCount = 0;
    status = LzhStatus::Ok;
    return 1;
}

int LzhArchive::Result(LzhStatus result) {
    status = result;
    return result == LzhStatus::Ok ? 1 : 0;
}

}  // namespace quillory
