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
#include "lzh/lzh_method.h"
#include "lzh/lzh_scratch_buffer.h"

namespace quillory {
namespace {

// The entry's method identifier has the shape of one (lzh::LooksLikeMethod).
bool HasMethodIdentifier(const LzhEntry& entry) {
    std::uint8_t bytes[5];
    for (std::size_t i = 0; i < sizeof bytes; ++i) {
        if (entry.method[i] > 0x7F) return false;
        bytes[i] = static_cast<std::uint8_t>(entry.method[i]);
    }
    return lzh::LooksLikeMethod(bytes);
}

}  // namespace

LzhArchive::LzhArchive() {
    Crc16Init();
}

LzhArchive::~LzhArchive() = default;

Outcome<LzhStatus> LzhArchive::Open(WStringView path, const NameEncoding& encoding) {
    platform::FileErrorInfo error;
    std::shared_ptr<const ByteSource> source = FileSource::Open(path, &error);
    if (source == nullptr) {
        Close();
        archivePath_.assign(path);
        return {LzhStatus::OpenFailed, error};
    }
    return Open(std::move(source), path, encoding);
}

Outcome<LzhStatus> LzhArchive::Open(std::shared_ptr<const ByteSource> source, WStringView path,
                                    const NameEncoding& encoding) {
    // A reader reused without Close must not keep the previous archive.
    Close();
    archivePath_.assign(path);
    encoding_ = encoding;
    source_ = std::move(source);
    if (lzh::HasSelfExtractorExtension(path)) {
        const auto found = lzh::FindArchiveInExe(*source_, &heap_);
        if (!found) {
            Close();
            return {LzhStatus::NoArchiveInExe, {}};
        }
        firstHeader_ = *found;
    }
    LzhStatus listed = LzhStatus::Ok;
    try {
        listed = ReadAllHeaders();
    } catch (const std::bad_alloc&) {
        // No memory for the table: the archive cannot be opened.
        listed = LzhStatus::OpenFailed;
    }
    if (listed != LzhStatus::Ok && listed != LzhStatus::NoEndMark &&
        listed != LzhStatus::HeaderCheckWarning && listed != LzhStatus::DamagedFromHere) {
        Close();
        return {listed, {}};
    }
    warning_ = listed;
    return {};
}

LzhStatus LzhArchive::ReadAllHeaders() {
    BufferedReader reader(*source_, firstHeader_, &heap_);
    const lzh::ScratchBuffer work(&heap_, lzh::kMaxExtendedHeaderBytes);
    LzhStatus status = LzhStatus::Ok;
    for (;;) {
        LzhEntry& entry = entries_.emplace_back(&names_);
        const bool first = entries_.size() == 1;
        if (!lzh::ReadHeader(reader, work.data(), encoding_.codePage, entry, status)) {
            entries_.pop_back();
            // A damaged header after good members (a cut download, a disk error) ends the
            // listing there with a warning, instead of losing the members before it.
            if (!entries_.empty() &&
                (status == LzhStatus::BadHeader || status == LzhStatus::UnknownLevel)) {
                status = LzhStatus::DamagedFromHere;
            }
            return status;
        }
        if (first) {
            // Bytes of another kind: no archive starts with a member of no method at all.
            if (!HasMethodIdentifier(entry)) return LzhStatus::BadHeader;
            const bool stored = lzh::MethodCode(WStringView(entry.method)) == lzh::kMethodStored;
            firstHeaderChecked_ = status != LzhStatus::HeaderCheckWarning &&
                                  (!stored || entry.compressedSize == entry.originalSize);
        }
        if (!reader.Skip(entry.compressedSize)) return LzhStatus::SeekFailed;
    }
}

void LzhArchive::Close() {
    source_.reset();
    entries_.clear();
    entries_.shrink_to_fit();
    names_.Release();
    firstHeader_ = 0;
    warning_ = LzhStatus::Ok;
    firstHeaderChecked_ = false;
}

}  // namespace quillory
