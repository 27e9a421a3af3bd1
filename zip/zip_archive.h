// The ZIP archive reader: finds the end records (ZIP64 ones too, and an archive with data
// in front), lists the central directory into a table, and extracts or tests members
// (every method of zip/method_decoder.h; traditional and AES encryption; sizes and
// offsets of 64 bits). It never talks to the user itself: questions and passwords go
// through the run's callback and every outcome is a status number for the document.
#pragma once

#include <cstdint>
#include <memory>
#include <memory_resource>
#include <mutex>
#include <string>
#include <vector>

#include "common/byte_source.h"
#include "common/conversions.h"
#include "common/member_run.h"
#include "common/name_arena.h"
#include "platform/heap.h"
#include "platform/text.h"
#include "platform/time.h"
#include "zip/member_layout.h"

namespace quillory {

// Result codes. The numbers are shown to users in a message: one number means one
// thing whichever reader gives it (a meaning both readers have takes the LZH reader's
// number, lzh/lzh_archive.h), and a number once given is never reused for another.
// Retired: 11 (Skipped until it took 12), 16 and 17 (now 28 and 19), 25 (now 6).
enum class ZipStatus : int {
    Ok = 0,
    OpenFailed = 2,             // archive missing, a folder, or cannot be opened
    BadLocalHeader = 4,         // local header not found or unreadable
    DecodeFailed = 6,           // the compressed data cannot be decoded
    UnsupportedMethod = 7,      // a method (or its parameters) no decoder takes
    CrcMismatch = 9,            // CRC-32 of the output differs
    CreateFailed = 10,          // the output file cannot be created
    Skipped = 12,               // an existing file was kept
    NoEndRecord = 13,           // no end-of-central-directory record
    MultiDisk = 14,             // the archive spans several disks
    AesSetupFailed = 15,        // AES key set-up refused the password or the strength
    UnsafePathRefused = 19,     // an unsafe member path was refused
    WriteFailed = 21,           // the output file could not take all of the member's data
    Stopped = 22,               // a stop was requested (an interrupt): nothing was left behind
    PathTooLong = 23,           // the host takes no path (or name in it) that long
    SizeMismatch = 24,          // the data gives more or less than the uncompressed size
    OverlappingData = 26,       // the member's bytes run into another member's or repeat them
    WrongPassword = 27,         // the password check failed
    AuthenticationFailed = 28,  // the AES authentication code differs
    BadDirectory = 29,          // the central directory cannot be read whole
    // warning: no central directory could be read; the members come from their local
    // headers (a cut download, a directory lost)
    ReadFromLocalHeaders = 31,
};

// One central-directory record.
struct ZipEntry {
    explicit ZipEntry(std::pmr::memory_resource* memory) : name(memory), path(memory) {}

    std::uint32_t method = 0;          // 0 stored, 8 deflate, 9 Deflate64, 99 AES, others as stored
    std::uint64_t compressedSize = 0;  // ZIP64 values where the header has them
    std::uint64_t originalSize = 0;
    FileTime modifiedTime = 0;  // local time, as the MS-DOS fields hold it; or kNoFileTime
    // UTC from an NTFS or extended-timestamp record; kNoFileTime without one.
    FileTime modifiedTimeUtc = kNoFileTime;
    std::uint64_t localHeaderOffset = 0;  // in the file (data in front included)
    std::uint32_t attributes = 0;         // external attributes as stored
    std::pmr::u16string name;             // file name without folders; empty for folder entries
    std::pmr::u16string path;             // folder part ending with "/" (also for "\"), or empty
    std::uint32_t crc32 = 0;
    std::uint8_t madeByVersion = 0;
    std::uint8_t madeByHost = 0;
    std::uint8_t versionNeeded = 0;
    std::uint8_t versionNeededHost = 0;
    std::uint32_t flags = 0;  // general-purpose bit flag
    int aesPresent = 0;
    std::uint32_t aesVersion = 0;  // 1 = AE-1, 2 = AE-2
    WChar aesVendor[3] = {};
    int aesStrength = 0;  // 1 AES-128, 2 AES-192, 3 AES-256
    std::uint32_t aesMethod = 0;
};

// The member's time as local time, as the list shows it and the overwrite question
// compares it: the UTC record's converted, else the MS-DOS time.
FileTime LocalModifiedTime(const ZipEntry& entry);

// An open ZIP archive, read-only once listed: its source, its entry table and where its
// directory lies. Extracting a member is Extract(archive, entry, run) (or the archive's
// ExtractEntry): a run holds everything that changes while it goes, so several runs
// extract members of one archive at once.
class ZipArchive {
    // First member: the entry table and everything else the reader allocates lives in
    // this heap, so it is created before them and destroyed after them.
    platform::PrivateHeap heap_{platform::kReaderHeapInitialBytes};
    // The entries' names and folders, in chunks of heap_; released when the table is.
    NameArena names_{&heap_};

public:
    ZipArchive();
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // Opens the archive at path and lists its central directory (no entry at all when
    // the end records describe an empty one), names decoded as encoding says; where no
    // directory can be read, its local headers (with the warning ReadFromLocalHeaders).
    // Ok, or why it could not be opened, with the archive closed: OpenFailed (the host's
    // reason with it), NoEndRecord, MultiDisk or BadDirectory.
    Outcome<ZipStatus> Open(WStringView path, const NameEncoding& encoding = {});
    // The same for an archive whose bytes come from source, named path.
    Outcome<ZipStatus> Open(std::shared_ptr<const ByteSource> source, WStringView path,
                            const NameEncoding& encoding = {});
    // Empties the table and lets the source go; harmless when nothing is open.
    void Close();

    // Extracts (or tests) one member of the table: Extract(*this, entry, run).
    Outcome<ZipStatus> ExtractEntry(const ZipEntry& entry, MemberRun& run) const;

    bool IsOpen() const { return source_ != nullptr; }
    const ByteSource& source() const { return *source_; }
    const std::shared_ptr<const ByteSource>& sharedSource() const { return source_; }
    const WString& archivePath() const { return archivePath_; }
    const NameEncoding& encoding() const { return encoding_; }
    const std::pmr::vector<ZipEntry>& entries() const { return entries_; }
    // ReadFromLocalHeaders when the listing came with that warning, else Ok.
    ZipStatus warning() const { return warning_; }
    // Listed from the local headers, the last member is cut by the end of the file: it
    // fails whatever its bytes would give (a cut stored member's size is not known).
    bool lastMemberCut() const { return lastMemberCut_; }

    // Where each member's bytes lie, noted at the first extraction after Open (once, for
    // every thread that extracts): listing alone never pays for it.
    const zip::MemberLayout& layout() const;

private:
    std::pmr::vector<ZipEntry> entries_{&heap_};
    std::shared_ptr<const ByteSource> source_;
    WString archivePath_;
    NameEncoding encoding_;
    // The central directory's place, for the layout.
    std::uint64_t directoryOffset_ = 0;
    std::uint64_t directorySize_ = 0;
    ZipStatus warning_ = ZipStatus::Ok;
    bool lastMemberCut_ = false;
    mutable zip::MemberLayout layout_{&heap_};
    mutable std::unique_ptr<std::once_flag> layoutOnce_ = std::make_unique<std::once_flag>();
};

// Extracts (or tests) one member of an open archive as the run says: the local header,
// the unsafe-path and overwrite questions and the password asked through the run, the
// data decoded into its file (or only checked), the result returned. The archive is only
// read; the run's answers, password and work areas are its changes.
Outcome<ZipStatus> Extract(const ZipArchive& archive, const ZipEntry& entry, MemberRun& run);

}  // namespace quillory
