// The LZH archive reader: opens one archive (a plain .lzh file or one appended to a
// self-extracting .exe), lists every member header into a table, and extracts or tests
// members. It never talks to the user itself: questions go through the callback and
// every outcome is a status number that the document turns into a message.
#pragma once

#include <cstdint>
#include <deque>
#include <memory_resource>
#include <string>
#include <vector>

#include "common/byte_source.h"
#include "common/extract_callback.h"
#include "common/name_arena.h"
#include "common/work_areas.h"
#include "platform/heap.h"
#include "platform/text.h"
#include "platform/time.h"

namespace quillory {

// Result codes. The numbers are shown to users in a message, so they never change; the
// ZIP reader gives the same number for the same meaning and never one of these for
// another (zip/zip_archive.h).
enum class LzhStatus : int {
    Ok = 0,
    OpenFailed = 2,           // the archive cannot be opened for reading
    NoArchiveInExe = 3,       // a self-extractor without an LZH archive in its first 256 KiB
    SeekFailed = 5,           // moving past a member's data failed while listing
    DecodeFailed = 6,         // the compressed data cannot be decoded
    UnsupportedMethod = 7,    // a method none of the decoders of lzh_method.h handles
    BadHeader = 8,            // a damaged or truncated header
    CrcMismatch = 9,          // the decoded data's CRC-16 differs from the header's
    CreateFailed = 10,        // the output file cannot be created
    Skipped = 12,             // an existing file was kept
    NoEndMark = 16,           // warning: the archive ended without the end mark
    HeaderCheckWarning = 17,  // warning: a header checksum or header CRC did not match
    UnknownLevel = 18,        // a header level other than 0 to 3
    UnsafePathRefused = 19,   // a path that could leave the destination was refused
    FolderEntrySkipped = 20,  // a folder entry while folders are not recreated
    WriteFailed = 21,         // the output file could not take all of the member's data
    Stopped = 22,             // a stop was requested (an interrupt): nothing was left behind
    PathTooLong = 23,         // the host takes no path (or name in it) that long
    DamagedFromHere = 30,     // warning: a header after the listed members is damaged
};

// One member header as listed. Fields ordered so that the entry has no padding to
// speak of: a list of 100,000 members holds 100,000 of them.
struct LzhEntry {
    explicit LzhEntry(std::pmr::memory_resource* memory) : name(memory), path(memory) {}

    WChar method[6] = {};     // the five-character method identifier as stored, e.g. "-lh5-"
    std::uint16_t crc16 = 0;  // CRC-16 of the original data
    std::uint32_t compressedSize = 0;
    std::uint32_t originalSize = 0;
    FileTime modifiedTime = 0;     // UTC; kNoFileTime when the header's time is invalid
    std::uint32_t attributes = 0;  // MS-DOS attribute bits as stored
    std::uint32_t unixMode = 0;    // the Unix permission header's mode, or 0
    std::pmr::u16string name;      // file name without folder; empty for most folder entries
    std::pmr::u16string path;      // folder part, each level followed by "\", or empty
    std::uint64_t dataOffset = 0;  // file position of the member's first data byte
};

class LzhArchive {
    // First member: the entry table and everything else the reader allocates lives in
    // this heap, so it is created before them and destroyed after them.
    platform::PrivateHeap heap_{platform::kReaderHeapInitialBytes};
    // Names and folders of the listed members, packed and released with the table.
    NameArena names_{&heap_};

public:
    LzhArchive();
    virtual ~LzhArchive();
    LzhArchive(const LzhArchive&) = delete;
    LzhArchive& operator=(const LzhArchive&) = delete;

    LzhArchive& SetCallback(ExtractCallback* newCallback);

    // 1 when the archive is open and listed (status 0, or the warnings 16 and 17);
    // 0 on failure with status set, the table empty and the file closed.
    int Open(WStringView archive);
    // The same for an archive whose bytes come from source, named archive.
    int Open(std::shared_ptr<const ByteSource> source, WStringView archive);
    // Always 1: closes the file and empties the table.
    int Close();
    // 1 when the member was extracted (or tested) and its CRC matched; else 0 with status.
    // entry points into entries.
    int ExtractEntry(const LzhEntry* entry);

    // Set when the user allowed all unsafe paths; never reset for the life of the object.
    int unsafePathsAllowed = 0;
    LzhStatus status = LzhStatus::Ok;
    WString archivePath;
    int askOnlyIfNewer = 0;
    int overwriteWithoutAsking = 0;
    WString destFolder;
    // A deque: the table grows by blocks, never copied to a larger one, so that listing
    // a large archive takes no more memory than its table.
    std::pmr::deque<LzhEntry> entries;
    int entryCount = 0;
    int testMode = 0;
    int useFolders = 0;
    ExtractCallback* callback = nullptr;

    // The open archive's bytes; only while it is open.
    const ByteSource& source() const { return *source_; }
    bool IsOpen() const { return source_ != nullptr; }

private:
    friend class LzhMemberExtractor;
    // Lists every header from the archive file's position into entries.
    bool ReadAllHeaders();
    // Sets status and returns 0 (for failures) or 1.
    int Result(LzhStatus result);

    std::shared_ptr<const ByteSource> source_;
    // Where the listing's first header is: past a self-extractor's program.
    std::uint64_t firstHeader_ = 0;
    WorkAreas work_;
};

// Extracts (or tests) members of an open LzhArchive beside the archive's own ExtractEntry,
// for another thread: its own work areas, callback and status, and its own copies of the
// "for all" flags, taken from the archive when made. The table, the source and the run's
// settings (destination, modes) are read from the archive, which must stay open and
// unchanged while any extractor of it works. One thread per extractor.
class LzhMemberExtractor {
public:
    explicit LzhMemberExtractor(const LzhArchive& archive);
    ~LzhMemberExtractor();
    LzhMemberExtractor(const LzhMemberExtractor&) = delete;
    LzhMemberExtractor& operator=(const LzhMemberExtractor&) = delete;

    bool Ready() const { return true; }
    // As LzhArchive::ExtractEntry; entry points into the archive's entries.
    int ExtractEntry(const LzhEntry* entry);

    LzhStatus status = LzhStatus::Ok;
    ExtractCallback* callback = nullptr;

private:
    const LzhArchive& archive_;
    WorkAreas work_;
    int unsafePathsAllowed_;
    int overwriteWithoutAsking_;
};

}  // namespace quillory
