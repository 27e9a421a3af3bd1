// The LZH archive reader: opens one archive (a plain .lzh file or one appended to a
// self-extracting .exe), lists every member header into a table, and extracts or tests
// members. It never talks to the user itself: questions go through the run's callback
// and every outcome is a status number that the document turns into a message.
#pragma once

#include <cstdint>
#include <deque>
#include <memory_resource>
#include <string>
#include <vector>

#include "common/byte_source.h"
#include "common/conversions.h"
#include "common/member_run.h"
#include "common/name_arena.h"
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

// An open LZH archive, read-only once listed: its source, its entry table and the
// listing's warning. Extracting a member is Extract(archive, entry, run) (or the archive's
// ExtractEntry): a run holds everything that changes while it goes, so several runs
// extract members of one archive at once.
class LzhArchive {
    // First member: the entry table and everything else the reader allocates lives in
    // this heap, so it is created before them and destroyed after them.
    platform::PrivateHeap heap_{platform::kReaderHeapInitialBytes};
    // Names and folders of the listed members, packed and released with the table.
    NameArena names_{&heap_};

public:
    LzhArchive();
    ~LzhArchive();
    LzhArchive(const LzhArchive&) = delete;
    LzhArchive& operator=(const LzhArchive&) = delete;

    // Opens the archive at path and lists it, names decoded as encoding says. Ok (with a
    // warning, when the listing ended early or a header check failed) or why it could not
    // be opened, with the archive closed: OpenFailed (the host's reason with it),
    // NoArchiveInExe, SeekFailed, BadHeader (also for a first header whose method is no
    // LZH identifier at all), UnknownLevel.
    Outcome<LzhStatus> Open(WStringView path, const NameEncoding& encoding = {});
    // The same for an archive whose bytes come from source, named path.
    Outcome<LzhStatus> Open(std::shared_ptr<const ByteSource> source, WStringView path,
                            const NameEncoding& encoding = {});
    // Empties the table and lets the source go; harmless when nothing is open.
    void Close();

    // Extracts (or tests) one member of the table: Extract(*this, entry, run).
    Outcome<LzhStatus> ExtractEntry(const LzhEntry& entry, MemberRun& run) const;

    bool IsOpen() const { return source_ != nullptr; }
    const ByteSource& source() const { return *source_; }
    const std::shared_ptr<const ByteSource>& sharedSource() const { return source_; }
    const WString& archivePath() const { return archivePath_; }
    const NameEncoding& encoding() const { return encoding_; }
    // A deque: the table grows by blocks, never copied to a larger one, so that listing
    // a large archive takes no more memory than its table.
    const std::pmr::deque<LzhEntry>& entries() const { return entries_; }
    // NoEndMark, HeaderCheckWarning or DamagedFromHere when the listing came with one.
    LzhStatus warning() const { return warning_; }
    // The first header checks out: its header sum (levels 0 and 1) or header CRC matched,
    // and a stored member's two sizes agree. A file that is not named as an LZH archive is
    // taken for one only then: almost any bytes read as a level-0 header with a bad sum.
    bool firstHeaderChecked() const { return firstHeaderChecked_; }

private:
    // Lists every header from firstHeader_ on into entries_; the status the listing ends
    // with (Ok or a warning when it succeeded).
    LzhStatus ReadAllHeaders();

    std::pmr::deque<LzhEntry> entries_{&heap_};
    std::shared_ptr<const ByteSource> source_;
    WString archivePath_;
    NameEncoding encoding_;
    // Where the listing's first header is: past a self-extractor's program.
    std::uint64_t firstHeader_ = 0;
    LzhStatus warning_ = LzhStatus::Ok;
    bool firstHeaderChecked_ = false;
};

// Extracts (or tests) one member of an open archive as the run says: its folder or file
// written below the destination (or only decoded and checked), the unsafe-path and
// overwrite questions asked through the run, the result returned. The archive is only
// read; the run's answers and work areas are its changes.
Outcome<LzhStatus> Extract(const LzhArchive& archive, const LzhEntry& entry, MemberRun& run);

}  // namespace quillory
