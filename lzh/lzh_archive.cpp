// Opening, listing and closing an LZH archive: a plain archive, or one found inside a
// self-extractor, read header by header into the entry table. A damaged header after
// good members ends the list there with a warning instead of losing them; a failed
// listing closes the archive again, and no memory for the table is a failed open.
#include "lzh/lzh_archive.h"

#include <new>

#include "common/buffered_reader.h"
#include "common/checksums.h"
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
    std::shared_ptr<const ByteSource> source = FileSource::Open(archive);
    if (source == nullptr) {
        Close();
        archivePath.assign(archive);
        return Result(LzhStatus::OpenFailed);
    }
    return Open(std::move(source), archive);
}

int LzhArchive::Open(std::shared_ptr<const ByteSource> source, WStringView archive) {
    // A reader reused without Close must not keep the previous archive.
    Close();
    status = LzhStatus::Ok;
    archivePath.assign(archive);
    source_ = std::move(source);
    firstHeader_ = 0;
    if (lzh::HasSelfExtractorExtension(archive)) {
        const auto found = lzh::FindArchiveInExe(*source_, &heap_);
        if (!found) {
            Close();
            return Result(LzhStatus::NoArchiveInExe);
        }
        firstHeader_ = *found;
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
    BufferedReader reader(*source_, firstHeader_, &heap_);
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
    source_.reset();
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
