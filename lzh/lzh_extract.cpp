// Extracting and testing members: output paths, the unsafe-path and overwrite
// decisions, folder entries, and the stored copy or the decoder for the data. The
// archive is only read; what a member changes is the run's and the output's.
#include "common/member_output.h"
#include "common/output_files.h"
#include "lzh/lzh_archive.h"
#include "lzh/lzh_compressed.h"
#include "lzh/lzh_method.h"
#include "lzh/lzh_stored.h"
#include "platform/path.h"

namespace quillory {
namespace {

using Result = Outcome<LzhStatus>;

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

// A folder entry: the folder (its last level too) made at place.
Result ExtractFolder(const LzhEntry& entry, const platform::OutputPlace& place, MemberRun& run,
                     WString outputPath) {
    if (entry.originalSize != 0 || entry.compressedSize != 0) return {LzhStatus::BadHeader, {}};
    while (!outputPath.empty() && platform::IsPathSeparator(outputPath.back()))
        outputPath.pop_back();
    platform::FileErrorInfo error;
    const bool made = run.folders.MakeFolders(place, &error);
    // A file or a link standing where the folder goes is no folder of the member's.
    const auto standing = platform::GetPathAttributes(outputPath);
    if (!made || !standing || *standing != platform::kAttributeDirectory) {
        if (made || (standing && *standing != platform::kAttributeDirectory)) {
            error = {platform::FileError::InTheWay, 0};
        }
        return {LzhStatus::CreateFailed, error};
    }
    platform::SetPathAttributes(outputPath, entry.attributes);
    return {};
}

// Decodes or copies the member's data from the archive to file (or only checks it when
// file is null). Ok with crc set when all of the data was processed; otherwise
// UnsupportedMethod, DecodeFailed, WriteFailed, Stopped, or CrcMismatch for a stored
// member whose data ended early.
LzhStatus DecodeMember(const LzhArchive& archive, const LzhEntry& entry, MemberRun& run,
                       platform::OutputFile* file, std::uint16_t& crc) {
    const int method = lzh::MethodCode(entry.method);
    if (method == lzh::kMethodUnsupported) return LzhStatus::UnsupportedMethod;
    FileOutput output(file, run);
    const lzh::CodedMember member{archive.source(),   entry.dataOffset, entry.compressedSize,
                                  entry.originalSize, output,           run.work};
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

Result ExtractFile(const LzhArchive& archive, const LzhEntry& entry, MemberRun& run,
                   const platform::OutputPlace& place, const WString& outputPath) {
    // Refused before any file is made or asked about: there is nothing it could replace
    // an existing file with.
    if (lzh::MethodCode(entry.method) == lzh::kMethodUnsupported) {
        return {LzhStatus::UnsupportedMethod, {}};
    }
    FileTime memberLocal = entry.modifiedTime;
    if (entry.modifiedTime != kNoFileTime)
        platform::UtcFileTimeToLocal(entry.modifiedTime, &memberLocal);
    if (DecideOverwrite(outputPath, memberLocal, entry.originalSize, entry.name, run) ==
        OverwriteDecision::Skip) {
        return {LzhStatus::Skipped, {}};
    }
    platform::OutputFile output = platform::OutputFile::Create(place, run.folders);
    if (!output.IsOpen()) return {LzhStatus::CreateFailed, output.error()};
    std::uint16_t crc = 0;
    LzhStatus status = DecodeMember(archive, entry, run, &output, crc);
    if (status == LzhStatus::Stopped) {
        // Interrupted half-way: nothing under the member's name, nothing left beside it.
        output.Abandon();
        return {status, {}};
    }
    if (status == LzhStatus::Ok && crc != entry.crc16) status = LzhStatus::CrcMismatch;
    if (status == LzhStatus::Ok || status == LzhStatus::CrcMismatch) {
        // Without a time of its own the file keeps the time it was written.
        if (entry.modifiedTime != kNoFileTime) output.SetTimes(entry.modifiedTime);
        output.SetAttributes(entry.attributes);
    }
    if (status == LzhStatus::Ok) output.AddExecutePermission(UnixExecuteBits(entry.unixMode));
    if (status != LzhStatus::Ok) {
        // A member that is not whole and checked never takes its name: what was written
        // is kept aside only when the run says so.
        const platform::FileErrorInfo error = output.error();
        if (run.keepDamaged) {
            output.KeepDamaged();
        } else {
            output.Abandon();
        }
        return {status, status == LzhStatus::WriteFailed ? error : platform::FileErrorInfo{}};
    }
    // Closing puts the file in its place; a file that did not get there is no output.
    if (!output.Commit()) return {LzhStatus::WriteFailed, output.error()};
    return {};
}

}  // namespace

Outcome<LzhStatus> Extract(const LzhArchive& archive, const LzhEntry& entry, MemberRun& run) {
    if (!archive.IsOpen()) return {LzhStatus::OpenFailed, {}};
    // Amiga LhA writes an empty folder as a -lh0- member with a folder and no file name.
    // (A compressed member without a name stays a damaged file: no writer makes one.)
    const bool folderEntry =
        lzh::IsFolderMethod(entry.method) || (entry.name.empty() && !entry.path.empty() &&
                                              lzh::MethodCode(entry.method) == lzh::kMethodStored);
    const WString relative = run.useFolders && !entry.path.empty()
                                 ? WString(entry.path) + WString(entry.name)
                                 : WString(entry.name);
    if (run.testMode) {
        if (folderEntry) return {};
        std::uint16_t crc = 0;
        const LzhStatus decoded = DecodeMember(archive, entry, run, nullptr, crc);
        if (decoded != LzhStatus::Ok) return {decoded, {}};
        return {crc == entry.crc16 ? LzhStatus::Ok : LzhStatus::CrcMismatch, {}};
    }
    if (folderEntry && !run.useFolders) return {LzhStatus::FolderEntrySkipped, {}};
    WString outputPath = OutputPath(run.destFolder, relative);
    // A path the host cannot take whole is refused: a shortened one is another file.
    if (!platform::FitsHostPath(outputPath)) return {LzhStatus::PathTooLong, {}};
    const PathDecision decision = CheckUnsafePath(relative, relative, outputPath, run);
    if (decision == PathDecision::Refused) return {LzhStatus::UnsafePathRefused, {}};
    const platform::OutputPlace place = PlaceOf(run, relative, decision);
    return folderEntry ? ExtractFolder(entry, place, run, std::move(outputPath))
                       : ExtractFile(archive, entry, run, place, outputPath);
}

Outcome<LzhStatus> LzhArchive::ExtractEntry(const LzhEntry& entry, MemberRun& run) const {
    return Extract(*this, entry, run);
}

}  // namespace quillory
