// ZipArchive::ExtractEntry: the local header, the unsafe-path and overwrite decisions,
// the password check, decoding through the stored copy or the inflate engine, the
// output file with its time, and the AES code and CRC-32 checks. Every refusal is one
// status; an output file that was created stays, whatever the checks find later.
#include <algorithm>
#include <cstring>

#include "common/checksums.h"
#include "common/conversions.h"
#include "common/output_files.h"
#include "platform/path.h"
#include "zip/zip_archive.h"
#include "zip/zip_format.h"
#include "zip/zip_names.h"
#include "zip/zip_reader_state.h"

namespace quillory {

using namespace zipformat;

namespace {

// What one member needs from its central record, cleared for every member.
struct MemberRecord {
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t originalSize = 0;
    std::uint32_t folderAttributes = 0;
    bool traditional = false;     // traditional encryption
    bool aes = false;             // AES encryption
    bool dataDescriptor = false;  // general-purpose bit 3: CRC and sizes came after the data
};

// The local header's fields that extraction uses.
struct LocalHeader {
    std::uint32_t flags = 0;
    std::uint16_t time = 0;
    std::uint16_t date = 0;
    WString name;
};

// ZipFlushWindow: the running CRC-32 and, unless testing, the output file.
class MemberSink final : public OutputSink {
public:
    std::uint32_t crc = 0;
    FileHandle file = kInvalidFileHandle;

    bool Flush(const std::uint8_t* data, std::size_t size) override {
        crc = Crc32Update(crc, data, size);
        return file == kInvalidFileHandle || WriteBytes(file, data, size) == size;
    }
};

MemberRecord RecordFor(const ZipEntry& e) {
    MemberRecord m;
    if ((e.flags & kFlagEncrypted) != 0) (e.aesPresent == 1 ? m.aes : m.traditional) = true;
    m.dataDescriptor = (e.flags & kFlagDataDescriptor) != 0;
    m.crc32 = e.crc32;
    m.compressedSize = e.compressedSize;
    m.originalSize = e.originalSize;
    // Folder attributes only from archivers that set them the MS-DOS way.
    const unsigned newestVersion = e.versionNeededHost == 2 ? 42 : 21;
    const bool knownMethod = e.method == kMethodStored || e.method == kMethodImplode ||
                             e.method == kMethodDeflate || e.method == kMethodDeflate64;
    if (e.versionNeeded <= newestVersion && knownMethod) {
        const std::uint32_t archiveBit =
            (e.attributes & platform::kAttributeDirectory) == 0 ? 0x20 : 0;
        m.folderAttributes = (e.attributes + archiveBit) & 0xFF;
    }
    return m;
}

// Reads the local header at the entry's offset; false for anything but a whole one.
bool ReadLocalHeader(FileHandle file, const ZipEntry& e, std::vector<std::uint8_t>& extra,
                     LocalHeader* local) {
    if (e.localHeaderOffset > static_cast<std::uint64_t>(INT64_MAX) ||
        SeekFile(file, static_cast<std::int64_t>(e.localHeaderOffset), SeekOrigin::Begin) ==
            kInvalidFilePosition) {
        return false;
    }
    std::uint8_t h[kSignatureBytes + kLocalFixedBytes];
    if (ReadBytes(file, h, sizeof h) != sizeof h || Le32(h) != kLocalHeaderSignature) return false;
    local->flags = Le16(h + 6);
    local->time = Le16(h + 10);
    local->date = Le16(h + 12);
    // The CRC-32 and sizes come from the central record, which is complete also when the
    // local header has zeros there (bit 3).
    const std::size_t nameLength = Le16(h + 26);
    const std::size_t extraLength = Le16(h + 28);
    std::vector<std::uint8_t> name(nameLength);
    extra.resize(extraLength);
    if (ReadBytes(file, name.data(), nameLength) != nameLength ||
        ReadBytes(file, extra.data(), extraLength) != extraLength) {
        return false;
    }
    local->name =
        DecodeMemberName(name.data(), nameLength, local->flags, extra.data(), extraLength, false);
    return true;
}

// Where the member goes: the destination with "/" separators and the listed name (or only
// its file part), a rooted one below the destination too. Never cut: a path the host
// cannot take is refused by the caller.
WString OutputPath(WStringView destFolder, int useFolders, const ZipEntry& e) {
    const WString relative = useFolders == 1 ? WString(e.path) + WString(e.name) : WString(e.name);
    const WStringView below = WithoutLeadingSeparators(relative);
    if (destFolder.empty()) return WString(below);
    WString path(destFolder);
    std::replace(path.begin(), path.end(), u'\\', u'/');
    if (path.back() != u'/') path.push_back(u'/');
    path.append(below);
    return path;
}

// The stored copy: the data as it is, through the window so it is flushed in the same
// pieces as inflated data.
bool CopyStored(ZipInputStream& input, OutputWindow& window, OutputSink* sink) {
    window.Begin(sink);
    while (input.next != input.end || input.Refill()) {
        if (window.out == window.limit() && !window.MakeRoom()) return false;
        const std::size_t n = std::min(static_cast<std::size_t>(input.end - input.next),
                                       static_cast<std::size_t>(window.limit() - window.out));
        std::memcpy(window.out, input.next, n);
        window.out += n;
        input.next += n;
    }
    return window.Finish();
}

void SetOutputTimes(FileHandle file, const LocalHeader& local) {
    FileTime localTime = 0;
    FileTime utc = 0;
    // A date that is no calendar value leaves the file with the time of its writing.
    if (DosTimeToFileTime(local.date, local.time, &localTime) == 1 &&
        platform::LocalFileTimeToUtc(localTime, &utc)) {
        platform::SetFileTimes(file, utc, utc);
    }
}

// The output side of an extraction at path: the folder of a folder entry, the overwrite
// decision and the output file, which a folder entry does not get. An undecodable member
// is refused before any file is made, so that an existing file is never replaced by
// nothing.
ZipStatus PrepareOutput(ZipArchive& zip, const ZipEntry& e, const MemberRecord& m,
                        const WString& path, bool decodable, FileHandle* file) {
    const bool folder = !path.empty() && path.back() == u'/';
    if (folder) {
        constexpr std::uint32_t kMeaningfulFolderBits = 0x6F;
        if (CreateFolders(path) == 1 && (m.folderAttributes & kMeaningfulFolderBits) != 0) {
            platform::SetPathAttributes(path, m.folderAttributes & 0x7F);
        }
    }
    if (!decodable) return ZipStatus::UnsupportedMethod;
    if (folder) {
        // A file or a link standing where the folder goes is no folder of the member's.
        const auto made = platform::GetPathAttributes(WStringView(path).substr(0, path.size() - 1));
        return made && *made == platform::kAttributeDirectory ? ZipStatus::Ok
                                                              : ZipStatus::CreateFailed;
    }
    if (DecideOverwrite(path, e.modifiedTime, e.name, zip.askOnlyIfNewer,
                        zip.overwriteWithoutAsking, zip.callback) == OverwriteDecision::Skip) {
        return ZipStatus::Skipped;
    }
    *file = CreateOutputFile(path);
    return *file == kInvalidFileHandle ? ZipStatus::CreateFailed : ZipStatus::Ok;
}

}  // namespace

int ZipArchive::ExtractEntry(const ZipEntry* entry) {
    status = ZipStatus::Ok;
    const auto fail = [this](ZipStatus reason) {
        status = reason;
        return 0;
    };
    ZipReaderState& w = *work_;
    if (entry == nullptr || w.file == kInvalidFileHandle) return fail(ZipStatus::BadLocalHeader);
    const ZipEntry& e = *entry;
    const MemberRecord m = RecordFor(e);

    LocalHeader local;
    if (!ReadLocalHeader(w.file, e, w.extraBuffer, &local)) return fail(ZipStatus::BadLocalHeader);

    WString path;
    if (testMode != 1) {
        path = OutputPath(destFolder, useFolders, e);
        // A path the host cannot take whole is refused: a shortened one is another file.
        if (!platform::FitsHostPath(path)) return fail(ZipStatus::PathTooLong);
        const WString stored = WString(e.path) + WString(e.name);
        if (!CheckUnsafePath(stored, path, unsafePathsAllowed, callback)) {
            return fail(ZipStatus::UnsafePathRefused);
        }
    }
    // A folder entry without data has nothing to decrypt, decode or check, whatever its
    // method says: .NET's ZipFile and other Windows tools write "dir\" folder entries as
    // deflate members with an empty stream.
    if (e.name.empty() && e.compressedSize == 0) {
        if (testMode == 1) return 1;
        FileHandle none = kInvalidFileHandle;
        const ZipStatus made = PrepareOutput(*this, e, m, path, true, &none);
        return made == ZipStatus::Ok ? 1 : fail(made);
    }

    const MemberCipher::Kind cipherKind = m.aes           ? MemberCipher::Kind::Aes
                                          : m.traditional ? MemberCipher::Kind::Traditional
                                                          : MemberCipher::Kind::None;
    const ZipStatus cipherStatus =
        w.cipher.Begin(cipherKind, w.file, e, m.dataDescriptor, local.time,
                       {w.password, callback, local.name, passwordNeedsReset, passwordFromCaller});
    if (cipherStatus != ZipStatus::Ok) return fail(cipherStatus);
    const std::uint64_t dataStart = SeekFile(w.file, 0, SeekOrigin::Current);
    if (dataStart == kInvalidFilePosition) return fail(ZipStatus::BadLocalHeader);
    const std::uint32_t dataLength = w.cipher.DataLength();
    const std::uint32_t method = m.aes ? e.aesMethod : e.method;
    const bool decodable =
        method == kMethodStored || method == kMethodDeflate || method == kMethodDeflate64;

    MemberSink sink;
    if (testMode == 1) {
        if (!decodable) return fail(ZipStatus::UnsupportedMethod);
    } else {
        const ZipStatus prepared = PrepareOutput(*this, e, m, path, decodable, &sink.file);
        if (prepared != ZipStatus::Ok) return fail(prepared);
    }

    w.input.Start(w.file, dataLength, w.cipher.Decryptor(), w.cipher.Context());
    InflateResult decoded = InflateResult::Ok;
    if (method == kMethodStored) {
        if (!CopyStored(w.input, w.window, &sink)) decoded = InflateResult::OutputFailed;
    } else {
        decoded = w.inflate.Inflate(w.input, w.window, &sink, method == kMethodDeflate64);
    }
    if (sink.file != kInvalidFileHandle) {
        if (decoded == InflateResult::OutputFailed) {
            // Not all of it could be written: a file it was to replace stays.
            platform::DiscardFile(sink.file);
        } else {
            SetOutputTimes(sink.file, local);
            // Closing puts a replacement in its place; one that did not get there failed.
            if (!platform::CloseFile(sink.file)) decoded = InflateResult::OutputFailed;
        }
    }
    if (decoded == InflateResult::OutputFailed) return fail(ZipStatus::WriteFailed);

    if (m.aes) {
        // The code covers all the stored data, also what decoding left unread.
        w.input.Drain();
        if (!w.cipher.Authenticated(w.file, dataStart + dataLength)) {
            return fail(ZipStatus::AuthenticationFailed);
        }
        // AE-2 stores no CRC-32: the code is the only check.
        if (e.aesVersion == 2) return decoded == InflateResult::Ok ? 1 : 0;
    }

    if (sink.crc != m.crc32) return fail(ZipStatus::CrcMismatch);
    return decoded == InflateResult::Ok ? 1 : 0;
}

}  // namespace quillory
