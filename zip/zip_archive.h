// The ZIP archive reader: finds the end records (ZIP64 ones too, and an archive with data
// in front), lists the central directory into a table, and extracts or tests members
// (stored, deflate, Deflate64; traditional and AES encryption; sizes and offsets of 64
// bits). It never talks to the user itself: questions and passwords go through the
// callback and every outcome is a status number for the document.
#pragma once

#include <cstdint>
#include <memory>
#include <memory_resource>
#include <string>
#include <vector>

#include "common/byte_source.h"
#include "common/extract_callback.h"
#include "common/name_arena.h"
#include "platform/heap.h"
#include "platform/text.h"
#include "platform/time.h"
#include "zip/member_layout.h"

namespace quillory {

namespace zip {
struct ZipReaderState;
}  // namespace zip

// Result codes. The numbers are shown to users in a message: one number means one
// thing whichever reader gives it (a meaning both readers have takes the LZH reader's
// number, lzh/lzh_archive.h), and a number once given is never reused for another.
// Retired: 11 (Skipped until it took 12), 16 and 17 (now 28 and 19), 25 (now 6).
enum class ZipStatus : int {
    Ok = 0,
    OpenFailed = 2,             // archive missing, a folder, or cannot be opened
    BadLocalHeader = 4,         // local header not found or unreadable
    DecodeFailed = 6,           // the compressed data cannot be decoded
    UnsupportedMethod = 7,      // compression method other than 0, 8, 9
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

class ZipArchive {
    // First member: the entry table and everything else the reader allocates lives in
    // this heap, so it is created before them and destroyed after them.
    platform::PrivateHeap heap_{platform::kReaderHeapInitialBytes};
    // The entries' names and folders, in chunks of heap_; released when the table is.
    NameArena names_{&heap_};
    // Where each member's bytes lie, noted at the first extraction after Open.
    zip::MemberLayout layout_{&heap_};

public:
    ZipArchive();
    virtual ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    ZipArchive& SetCallback(ExtractCallback* newCallback);

    // 1 when the archive is open and its directory listed (no entry at all when the end
    // records describe an empty one); 0 on failure, the archive closed again.
    int Open(WStringView archive);
    // The same for an archive whose bytes come from source, named archive.
    int Open(std::shared_ptr<const ByteSource> source, WStringView archive);
    // Harmless when nothing is open.
    int Close();
    // 1 when the member was extracted (or tested) and checked; else 0 with status.
    int ExtractEntry(const ZipEntry* entry);

    int unsafePathsAllowed = 0;
    ExtractCallback* callback = nullptr;
    // End-of-central-directory values of the open archive, the ZIP64 end record's where
    // there is one; the offset is where the directory is in the file.
    std::uint32_t thisDisk = 0;
    std::uint32_t centralDirDisk = 0;
    std::uint64_t entriesThisDisk = 0;
    std::uint64_t totalEntries = 0;
    std::uint64_t centralDirSize = 0;
    std::uint64_t centralDirOffset = 0;
    std::uint32_t commentLength = 0;
    // 1: names that declare no encoding are taken as UTF-8 when the whole archive's read
    // so (zip/zip_names.h); 0: they are in the code page, which the user chose.
    int detectUtf8Names = 1;
    int useFolders = 1;
    int askOnlyIfNewer = 0;
    int overwriteWithoutAsking = 0;
    ZipStatus status = ZipStatus::Ok;
    int testMode = 0;
    WString destFolder;
    WString archivePath;
    int entryCount = 0;
    std::pmr::vector<ZipEntry> entries;
    int passwordFromCaller = 0;
    int passwordNeedsReset = 1;

    // The open archive's bytes; only while it is open.
    const ByteSource& source() const { return *source_; }
    bool IsOpen() const { return source_ != nullptr; }

private:
    friend class ZipMemberExtractor;
    std::shared_ptr<const ByteSource> source_;
    // The buffers, decoder and cipher state (zip/zip_reader_state.h).
    std::unique_ptr<zip::ZipReaderState> work_;
};

// Extracts (or tests) members of an open ZipArchive beside the archive's own
// ExtractEntry, for another thread: its own buffers, decoder and cipher state (with a
// password of its own, which starts empty), callback and status,
// and its own copies of the "for all" flags, taken from the archive when made. The table,
// the member layout and the run's settings are read from the archive, which must stay
// open and unchanged while any extractor of it works. Made on the archive's thread;
// then one thread per extractor.
class ZipMemberExtractor {
public:
    explicit ZipMemberExtractor(ZipArchive& archive);
    ~ZipMemberExtractor();
    ZipMemberExtractor(const ZipMemberExtractor&) = delete;
    ZipMemberExtractor& operator=(const ZipMemberExtractor&) = delete;

    bool Ready() const { return true; }
    // As ZipArchive::ExtractEntry; entry points into the archive's entries.
    int ExtractEntry(const ZipEntry* entry);

    ZipStatus status = ZipStatus::Ok;
    ExtractCallback* callback = nullptr;

private:
    const ZipArchive& archive_;
    std::unique_ptr<zip::ZipReaderState> work_;
    int passwordNeedsReset_ = 1;
    int unsafePathsAllowed_;
    int overwriteWithoutAsking_;
};

}  // namespace quillory
