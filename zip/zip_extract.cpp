// Extracting a ZIP member: the local header (for where the data starts and how it is
// encrypted), the check that the member's bytes are its own, the unsafe-path and
// overwrite decisions on the name the list shows, the password check, decoding through
// the method dispatch (zip/method_decoder.h) into output capped at the listed size, and
// the AES code, size and CRC-32 checks. Every refusal is one status; only a member that
// passed them all takes its place, a failed one never replaces a file.
#include <algorithm>
#include <cstring>

#include "common/checksums.h"
#include "common/conversions.h"
#include "common/member_output.h"
#include "common/output_files.h"
#include "crypto/remembered_password.h"
#include "platform/path.h"
#include "zip/member_work.h"
#include "zip/zip_archive.h"
#include "zip/zip_format.h"

namespace quillory {

using namespace zip::format;
using zip::MemberCipher;
using zip::MethodResult;
using zip::OutputSink;
using Result = Outcome<ZipStatus>;

namespace {

// What one member needs from its central record, cleared for every member.
struct MemberRecord {
    std::uint32_t crc32 = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t originalSize = 0;
    std::uint32_t folderAttributes = 0;
    bool traditional = false;  // traditional encryption
    bool aes = false;          // AES encryption
};

// The local header's fields that extraction uses. Its name is not one of them: the name
// the list shows (the central directory's) is the one asked about and written.
struct LocalHeader {
    std::uint32_t flags = 0;
    std::uint32_t crc32 = 0;
    std::uint16_t time = 0;
    std::uint16_t date = 0;
    std::uint64_t dataStart = 0;  // the first byte after the name and the extra field
};

// ZipFlushWindow: the running CRC-32 and the member's output (the file, unless testing),
// never more than the listed size. A piece that would pass it, a requested stop and a
// short write each refuse the piece, which ends decoding.
class MemberSink final : public OutputSink {
public:
    MemberSink(std::uint64_t listedSize, MemberOutput& output)
        : listedSize_(listedSize), output_(output) {}

    std::uint32_t crc = 0;
    std::uint64_t taken = 0;   // bytes passed on, at most the listed size
    bool overran = false;      // the data gave more than the listed size
    bool stopped = false;      // a stop was requested
    bool writeFailed = false;  // the file took fewer bytes than it was given

    bool Flush(const std::uint8_t* data, std::size_t size) override {
        if (size > listedSize_ - taken) {
            overran = true;
            size = static_cast<std::size_t>(listedSize_ - taken);
        }
        switch (output_.Put(data, size)) {
            case MemberOutput::Taken::Ok:
                break;
            case MemberOutput::Taken::Stopped:
                stopped = true;
                return false;
            case MemberOutput::Taken::Failed:
                writeFailed = true;
                return false;
        }
        crc = Crc32Update(crc, data, size);
        taken += size;
        return !overran;
    }

private:
    std::uint64_t listedSize_;
    MemberOutput& output_;
};

MemberRecord RecordFor(const ZipEntry& e) {
    MemberRecord m;
    if ((e.flags & kFlagEncrypted) != 0) (e.aesPresent == 1 ? m.aes : m.traditional) = true;
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

// Reads the local header at the entry's offset; false for anything but a whole header.
bool ReadLocalHeader(const ByteSource& source, const ZipEntry& e, LocalHeader* local) {
    std::uint8_t h[kSignatureBytes + kLocalFixedBytes];
    if (!source.ReadExactly(e.localHeaderOffset, h, sizeof h) || Le32(h) != kLocalHeaderSignature) {
        return false;
    }
    local->flags = Le16(h + 6);
    local->time = Le16(h + 10);
    local->date = Le16(h + 12);
    local->crc32 = Le32(h + 14);
    // The sizes come from the central record, which is complete also when the local
    // header has zeros there (bit 3).
    local->dataStart = e.localHeaderOffset + sizeof h + Le16(h + 26) + Le16(h + 28);
    return local->dataStart >= e.localHeaderOffset;
}

// a + b, or the largest position when that does not fit: hostile 64-bit sizes never wrap
// round to a place inside the file.
std::uint64_t AddClamped(std::uint64_t a, std::uint64_t b) {
    return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}

// One past the member's last byte: its data (with the cipher's bytes) and the data
// descriptor that follows it when the local flags say so, an optional signature, the
// CRC-32 and the two sizes in 4 bytes each or in 8 (ZIP64). The 8-byte form is taken when
// its sizes are the member's: Info-ZIP writes it after a local ZIP64 record, Java's
// ZipOutputStream for members over 4 GiB without one.
std::uint64_t MemberEnd(const ByteSource& source, const LocalHeader& local, const ZipEntry& e) {
    constexpr std::size_t kNarrowSizes = 8;
    constexpr std::size_t kWideSizes = 16;
    const std::uint64_t dataEnd = AddClamped(local.dataStart, e.compressedSize);
    if ((local.flags & kFlagDataDescriptor) == 0) return dataEnd;
    std::uint8_t d[kSignatureBytes + kDescriptorCrcBytes + kWideSizes] = {};
    const std::size_t got = source.ReadAt(dataEnd, d, sizeof d);
    const std::size_t signature =
        got >= kSignatureBytes && Le32(d) == kDescriptorSignature ? kSignatureBytes : 0;
    // zip4j sets the flag on members it wrote with their sizes known and writes no
    // descriptor: without a signature, only the member's CRC-32 begins one.
    if (signature == 0 && (got < kDescriptorCrcBytes || Le32(d) != e.crc32)) return dataEnd;
    const std::uint8_t* sizes = d + signature + kDescriptorCrcBytes;
    const bool wide = got >= signature + kDescriptorCrcBytes + kWideSizes &&
                      Le64(sizes) == e.compressedSize && Le64(sizes + 8) == e.originalSize;
    return AddClamped(dataEnd,
                      signature + kDescriptorCrcBytes + (wide ? kWideSizes : kNarrowSizes));
}

// The member's path below the destination: the listed name, or only its file part.
WString RelativePath(bool useFolders, const ZipEntry& e) {
    return useFolders ? WString(e.path) + WString(e.name) : WString(e.name);
}

// Where the member goes: the destination with "/" separators and the relative path, a
// rooted one below the destination too. Never cut: a path the host cannot take is refused
// by the caller.
WString OutputPath(WStringView destFolder, WStringView relative) {
    const WStringView below = WithoutLeadingSeparators(relative);
    if (destFolder.empty()) return WString(below);
    WString path(destFolder);
    std::replace(path.begin(), path.end(), u'\\', u'/');
    if (path.back() != u'/') path.push_back(u'/');
    path.append(below);
    return path;
}

// The file's time: the UTC time of an NTFS or extended-timestamp record, else the local
// header's MS-DOS time taken as local time.
void SetOutputTimes(platform::OutputFile& file, const ZipEntry& e, const LocalHeader& local) {
    if (e.modifiedTimeUtc != kNoFileTime) {
        file.SetTimes(e.modifiedTimeUtc);
        return;
    }
    FileTime localTime = 0;
    FileTime utc = 0;
    // A date that is no calendar value leaves the file with the time of its writing.
    if (DosTimeToFileTime(local.date, local.time, &localTime) == 1 &&
        platform::LocalFileTimeToUtc(localTime, &utc)) {
        file.SetTimes(utc);
    }
}

// The execute bits of a member made on Unix, whose external attributes hold its mode in
// their high 16 bits.
std::uint32_t ExecuteBits(const ZipEntry& e) {
    constexpr std::uint8_t kHostUnix = 3;
    return e.madeByHost == kHostUnix ? UnixExecuteBits(e.attributes >> 16) : 0;
}

// The output side of an extraction at path: the folder of a folder entry, the overwrite
// decision and the output file, which a folder entry does not get. An undecodable member
// is refused before any file is made, so that an existing file is never replaced by
// nothing.
Result PrepareOutput(MemberRun& run, const ZipEntry& e, const MemberRecord& m, const WString& path,
                     const platform::OutputPlace& place, bool decodable,
                     platform::OutputFile* file) {
    const bool folder = !path.empty() && path.back() == u'/';
    platform::FileErrorInfo error;
    bool made = true;
    const WStringView folderPath = WStringView(path).substr(0, path.size() - 1);
    if (folder) {
        // Attributes only for a folder this member makes, not one that was there.
        const bool existed = platform::GetPathAttributes(folderPath).has_value();
        made = run.folders.MakeFolders(place, &error);
        constexpr std::uint32_t kMeaningfulFolderBits = 0x6F;
        if (made && !existed && (m.folderAttributes & kMeaningfulFolderBits) != 0) {
            platform::SetPathAttributes(path, m.folderAttributes & 0x7F);
        }
    }
    if (!decodable) return {ZipStatus::UnsupportedMethod, {}};
    if (folder) {
        // A file or a link standing where the folder goes is no folder of the member's.
        const auto standing = platform::GetPathAttributes(folderPath);
        if (made && standing && *standing == platform::kAttributeDirectory) return {};
        if (made || (standing && *standing != platform::kAttributeDirectory)) {
            error = {platform::FileError::InTheWay, 0};
        }
        return {ZipStatus::CreateFailed, error};
    }
    if (DecideOverwrite(path, LocalModifiedTime(e), e.originalSize, e.name, run) ==
        OverwriteDecision::Skip) {
        return {ZipStatus::Skipped, {}};
    }
    *file = platform::OutputFile::Create(place, run.folders);
    if (!file->IsOpen()) return {ZipStatus::CreateFailed, file->error()};
    return {};
}

// What the decoded member amounts to, checks in order: an interruption, a failed write,
// the AES code (over all of the stored data), the size, the stream, the CRC-32 (which
// AE-2 members do not store).
ZipStatus Verdict(zip::MemberWork& w, const ByteSource& source, const ZipEntry& e,
                  const MemberRecord& m, std::uint64_t dataEnd, const MemberSink& sink,
                  MethodResult decoded) {
    if (sink.stopped) return ZipStatus::Stopped;
    if (sink.writeFailed) return ZipStatus::WriteFailed;
    if (m.aes) {
        w.input.Drain();
        if (!w.cipher.Authenticated(source, dataEnd)) return ZipStatus::AuthenticationFailed;
    }
    // Parameters no decoder takes (an LZMA property size, an xz filter) make the method
    // unsupported; anything else that fails is damage.
    if (decoded == MethodResult::Unsupported) return ZipStatus::UnsupportedMethod;
    if (sink.overran || (decoded == MethodResult::Ok && sink.taken != e.originalSize)) {
        return ZipStatus::SizeMismatch;
    }
    if (decoded != MethodResult::Ok) return ZipStatus::DecodeFailed;
    if (m.aes && e.aesVersion == 2) return ZipStatus::Ok;
    return sink.crc == m.crc32 ? ZipStatus::Ok : ZipStatus::CrcMismatch;
}

}  // namespace

Outcome<ZipStatus> Extract(const ZipArchive& zip, const ZipEntry& e, MemberRun& run) {
    const auto fail = [](ZipStatus reason) -> Result { return {reason, {}}; };
    const auto& entries = zip.entries();
    zip::MemberWork& w = run.work.Get<zip::MemberWork>();
    ExtractCallback* const callback = run.callback;
    // The entry must be one of this open archive's table.
    if (!zip.IsOpen() || entries.empty() || &e < entries.data() ||
        &e >= entries.data() + entries.size()) {
        return fail(ZipStatus::BadLocalHeader);
    }
    // A member the end of the file cut has no data to give, whatever a decoder makes of
    // the bytes that are there.
    if (zip.lastMemberCut() && &e == &entries.back()) return fail(ZipStatus::DecodeFailed);
    const MemberRecord m = RecordFor(e);

    // The local header: where the data starts, and the fields the cipher and times need.
    const ByteSource& source = zip.source();
    LocalHeader local;
    if (!ReadLocalHeader(source, e, &local)) return fail(ZipStatus::BadLocalHeader);
    // The member's bytes must be its own, not another member's or the directory's.
    if (!zip.layout().OwnsBytes(static_cast<std::size_t>(&e - entries.data()), e.localHeaderOffset,
                                MemberEnd(source, local, e))) {
        return fail(ZipStatus::OverlappingData);
    }

    // The name the list shows is the one asked about and written.
    const WString name = WString(e.path) + WString(e.name);
    WString path;
    const WString relative = RelativePath(run.useFolders, e);
    platform::OutputPlace place;
    if (!run.testMode) {
        path = OutputPath(run.destFolder, relative);
        // A path the host cannot take whole is refused: a shortened one is another file.
        if (!platform::FitsHostPath(path)) return fail(ZipStatus::PathTooLong);
        const PathDecision decision = CheckUnsafePath(name, relative, path, run);
        if (decision == PathDecision::Refused) return fail(ZipStatus::UnsafePathRefused);
        place = PlaceOf(run, relative, decision);
    }
    // A folder entry without data has nothing to decrypt, decode or check, whatever its
    // method says: .NET's ZipFile and other Windows tools write "dir\" folder entries as
    // deflate members with an empty stream.
    if (e.name.empty() && e.compressedSize == 0) {
        if (run.testMode) return {};
        platform::OutputFile none;
        return PrepareOutput(run, e, m, path, place, true, &none);
    }

    // The method and the cipher: what decodes the data, and what it is encrypted with.
    const MemberCipher::Kind cipherKind = m.aes           ? MemberCipher::Kind::Aes
                                          : m.traditional ? MemberCipher::Kind::Traditional
                                                          : MemberCipher::Kind::None;
    const std::uint32_t method = m.aes ? e.aesMethod : e.method;
    // PKWARE's strong encryption (flag bit 6) is no cipher this reader has.
    const bool decodable = zip::MethodDecodable(method) && (e.flags & kFlagStrongEncryption) == 0;
    // Stored data is the member itself: its length must be the listed size.
    const std::uint32_t cipherBytes = MemberCipher::CipherBytes(cipherKind, e);
    if (method == kMethodStored && e.compressedSize >= cipherBytes &&
        e.compressedSize - cipherBytes != e.originalSize) {
        return fail(ZipStatus::SizeMismatch);
    }
    // A member no decoder takes is not worth a password.
    if (!decodable && cipherKind != MemberCipher::Kind::None) {
        return fail(ZipStatus::UnsupportedMethod);
    }
    // The cipher's own bytes are read and the password checked (asked for when needed).
    const std::uint8_t checkByte =
        ZipCryptoCheckByte((local.flags & kFlagDataDescriptor) != 0, local.time, local.crc32);
    RememberedPassword none;
    const ZipStatus cipherStatus = w.cipher.Begin(
        cipherKind, source, local.dataStart, e, checkByte,
        {run.password != nullptr ? *run.password : none, callback, name, zip.encoding().codePage});
    if (cipherStatus != ZipStatus::Ok) return fail(cipherStatus);
    const std::uint64_t dataStart = local.dataStart + w.cipher.DataSkip();
    const std::uint64_t dataLength = w.cipher.DataLength();

    // The output: none when testing, else its folders, the overwrite decision and the
    // file; a member no decoder takes is unsupported either way.
    platform::OutputFile file;
    if (run.testMode) {
        if (!decodable) return fail(ZipStatus::UnsupportedMethod);
    } else {
        const Result prepared = PrepareOutput(run, e, m, path, place, decodable, &file);
        if (!prepared.ok()) return prepared;
    }
    FileOutput output(file.IsOpen() ? &file : nullptr, run);
    MemberSink sink(e.originalSize, output);

    // Decoding: the method's decoder, from the decrypted data into the window.
    w.input.Start(source, dataStart, dataLength, w.cipher.Decryptor(), w.cipher.Context());
    const MethodResult decoded = zip::DecodeMethod(
        {method, local.flags, dataLength, e.originalSize}, w.input, w.window, &sink, w.decoders);
    // The checks: AES code, sizes and CRC-32 decide the member's status.
    const ZipStatus verdict =
        Verdict(w, source, e, m, AddClamped(dataStart, dataLength), sink, decoded);
    if (!file.IsOpen()) return fail(verdict);
    // The file: abandoned on a stop, discarded when not good, put in its place when good.
    if (verdict == ZipStatus::Stopped) {
        // Interrupted half-way: nothing under the member's name, nothing left beside it.
        file.Abandon();
        return fail(verdict);
    }
    if (verdict != ZipStatus::WriteFailed) SetOutputTimes(file, e, local);
    if (verdict != ZipStatus::Ok) {
        // Not whole and checked: nothing takes the member's name (a file it was to replace
        // stays byte for byte); what was written is kept aside only when the run says so.
        const platform::FileErrorInfo error = file.error();
        if (run.keepDamaged) {
            file.KeepDamaged();
        } else {
            file.Abandon();
        }
        return {verdict, verdict == ZipStatus::WriteFailed ? error : platform::FileErrorInfo{}};
    }
    // Permissions beyond the execute bits only come from the host.
    file.AddExecutePermission(ExecuteBits(e));
    // A file that did not get to its place is no output.
    if (!file.Commit()) return {ZipStatus::WriteFailed, file.error()};
    return {};
}

Outcome<ZipStatus> ZipArchive::ExtractEntry(const ZipEntry& entry, MemberRun& run) const {
    return Extract(*this, entry, run);
}

}  // namespace quillory
