// Extracting and testing members: output paths, the unsafe-path and overwrite
// decisions, folder entries, and the stored copy or the decoder for the data.
#include "common/member_output.h"
#include "common/output_files.h"
#include "lzh/lzh_archive.h"
#include "lzh/lzh_compressed.h"
#include "lzh/lzh_method.h"
#include "lzh/lzh_stored.h"
#include "platform/path.h"

namespace quillory {
namespace {

// What extracting one member needs besides the entry: the archive (its table, source and
// run settings, only read), the callback, the decoders' work areas, and the "for all"
// flags an answer may set. The archive's own ExtractEntry and each LzhMemberExtractor
// bring their own.
struct MemberRun {
    const LzhArchive& archive;
    ExtractCallback* callback;
    WorkAreas& work;
    int& unsafePathsAllowed;
    int& overwriteWithoutAsking;
};

// Where a member's relative path lands: below destFolder, a rooted one too. On the
// handheld a leading "\" meant the top of the device; here the member stays below the
// destination (after the unsafe-path question).
WString OutputPath(WStringView destFolder, WStringView relativePath) {
    const WStringView below = WithoutLeadingSeparators(relativePath);
    if (destFolder.empty()) return WString(below);
    WString path(destFolder);
    if (!platform::IsPathSeparator(path.back())) path.push_back(u'\\');
    path += below;
    return path;
}

LzhStatus ExtractFolder(const LzhEntry& entry, WString outputPath) {
    if (entry.originalSize != 0 || entry.compressedSize != 0) return LzhStatus::BadHeader;
    // Folder entries normally end with a separator; one stored with its last level as
    // the name still means that folder.
    if (!platform::IsPathSeparator(outputPath.back())) outputPath.push_back(u'\\');
    CreateFolders(outputPath);
    const WString folder = outputPath.substr(0, outputPath.size() - 1);
    const auto made = platform::GetPathAttributes(folder);
    if (!made || *made != platform::kAttributeDirectory) return LzhStatus::CreateFailed;
    platform::SetPathAttributes(folder, entry.attributes);
    return LzhStatus::Ok;
}

// Decodes or copies the member's data from the archive to output (or only checks it
// when output is invalid). Ok with crc set when all of the data was processed; otherwise
// UnsupportedMethod, DecodeFailed, WriteFailed, Stopped, or CrcMismatch for a stored
// member whose data ended early.
LzhStatus DecodeMember(const MemberRun& run, FileHandle output, const LzhEntry& entry,
                       std::uint16_t& crc) {
    const int method = lzh::MethodCode(entry.method);
    if (method == lzh::kMethodUnsupported) return LzhStatus::UnsupportedMethod;
    FileOutput sink(output, run.callback);
    const lzh::CodedMember member{run.archive.source(),
                                  entry.dataOffset,
                                  entry.compressedSize,
                                  entry.originalSize,
                                  sink,
                                  run.work};
    if (method == lzh::kMethodStored) {
        const lzh::CopyResult copy = lzh::CopyStored(member);
        crc = copy.crc;
        switch (copy.outcome) {
            case lzh::CopyOutcome::Ok:
                return LzhStatus::Ok;
            case lzh::CopyOutcome::ShortRead:
                return LzhStatus::CrcMismatch;
            case lzh::CopyOutcome::OutputFailed:
                return LzhStatus::WriteFailed;
            case lzh::CopyOutcome::Stopped:
                return LzhStatus::Stopped;
        }
    }
    const lzh::DecodeResult decoded = lzh::DecodeCompressed(method, member);
    crc = decoded.crc;
    switch (decoded.outcome) {
        case lzh::DecodeOutcome::Ok:
            return LzhStatus::Ok;
        case lzh::DecodeOutcome::DataError:
            return LzhStatus::DecodeFailed;
        case lzh::DecodeOutcome::OutputFailed:
            return LzhStatus::WriteFailed;
        case lzh::DecodeOutcome::Stopped:
            return LzhStatus::Stopped;
    }
    return LzhStatus::DecodeFailed;
}

LzhStatus ExtractFile(const MemberRun& run, const LzhEntry& entry, const WString& outputPath) {
    FileTime memberLocal = entry.modifiedTime;
    if (entry.modifiedTime != kNoFileTime)
        platform::UtcFileTimeToLocal(entry.modifiedTime, &memberLocal);
    if (DecideOverwrite(outputPath, memberLocal, entry.originalSize, entry.name,
                        run.archive.askOnlyIfNewer, run.overwriteWithoutAsking,
                        run.callback) == OverwriteDecision::Skip) {
        return LzhStatus::Skipped;
    }
    const FileHandle output = CreateOutputFile(outputPath);
    if (output == kInvalidFileHandle) return LzhStatus::CreateFailed;
    std::uint16_t crc = 0;
    LzhStatus outcome = DecodeMember(run, output, entry, crc);
    if (outcome == LzhStatus::Stopped) {
        // Interrupted half-way: nothing under the member's name, nothing left beside it.
        platform::AbandonFile(output);
        return outcome;
    }
    if (outcome == LzhStatus::Ok && crc != entry.crc16) outcome = LzhStatus::CrcMismatch;
    if (outcome == LzhStatus::Ok || outcome == LzhStatus::CrcMismatch) {
        // Without a time of its own the file keeps the time it was written.
        if (entry.modifiedTime != kNoFileTime) {
            platform::SetFileTimes(output, entry.modifiedTime, entry.modifiedTime);
        }
        platform::SetFileAttributes(output, entry.attributes);
    }
    if (outcome == LzhStatus::Ok) {
        platform::AddExecutePermission(output, UnixExecuteBits(entry.unixMode));
    }
    if (outcome != LzhStatus::Ok) {
        // A member that is not whole and checked never replaces a file; at a path that was
        // free, what was written stays.
        platform::DiscardFile(output);
        return outcome;
    }
    // Closing puts the file in its place; a file that did not get there is no output.
    return platform::CloseFile(output) ? LzhStatus::Ok : LzhStatus::WriteFailed;
}

// The member's outcome, with no file reached or made before its checks.
LzhStatus MemberOutcome(const MemberRun& run, const LzhEntry* entry) {
    const LzhArchive& archive = run.archive;
    // Amiga LhA writes an empty folder as a -lh0- member with a folder and no file name.
    // (A compressed member without a name stays a damaged file: no writer makes one.)
    const bool folderEntry = lzh::IsFolderMethod(entry->method) ||
                             (entry->name.empty() && !entry->path.empty() &&
                              lzh::MethodCode(entry->method) == lzh::kMethodStored);
    const WString relative = archive.useFolders == 1 && !entry->path.empty()
                                 ? WString(entry->path) + WString(entry->name)
                                 : WString(entry->name);
    if (archive.testMode == 1) {
        if (folderEntry) return LzhStatus::Ok;
        std::uint16_t crc = 0;
        const LzhStatus decoded = DecodeMember(run, kInvalidFileHandle, *entry, crc);
        if (decoded != LzhStatus::Ok) return decoded;
        return crc == entry->crc16 ? LzhStatus::Ok : LzhStatus::CrcMismatch;
    }
    if (folderEntry && archive.useFolders != 1) return LzhStatus::FolderEntrySkipped;
    WString outputPath = OutputPath(archive.destFolder, relative);
    // A path the host cannot take whole is refused: a shortened one is another file.
    if (!platform::FitsHostPath(outputPath)) return LzhStatus::PathTooLong;
    if (!CheckUnsafePath(relative, outputPath, run.unsafePathsAllowed, run.callback)) {
        return LzhStatus::UnsafePathRefused;
    }
    return folderEntry ? ExtractFolder(*entry, std::move(outputPath))
                       : ExtractFile(run, *entry, outputPath);
}

// 1 when the member came out good; else 0 with status set.
int ExtractMember(const MemberRun& run, const LzhEntry* entry, LzhStatus& status) {
    status = LzhStatus::Ok;
    if (!run.archive.IsOpen()) return 0;
    status = MemberOutcome(run, entry);
    return status == LzhStatus::Ok ? 1 : 0;
}

}  // namespace

int LzhArchive::ExtractEntry(const LzhEntry* entry) {
    const MemberRun run{*this, callback, work_, unsafePathsAllowed, overwriteWithoutAsking};
    return ExtractMember(run, entry, status);
}

LzhMemberExtractor::LzhMemberExtractor(const LzhArchive& archive)
    : archive_(archive),
      unsafePathsAllowed_(archive.unsafePathsAllowed),
      overwriteWithoutAsking_(archive.overwriteWithoutAsking) {}

LzhMemberExtractor::~LzhMemberExtractor() = default;

int LzhMemberExtractor::ExtractEntry(const LzhEntry* entry) {
    const MemberRun run{archive_, callback, work_, unsafePathsAllowed_, overwriteWithoutAsking_};
    return ExtractMember(run, entry, status);
}

}  // namespace quillory
