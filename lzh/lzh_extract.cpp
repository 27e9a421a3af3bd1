// Extracting and testing members: output paths, the unsafe-path and overwrite
// decisions, folder entries, and the stored copy or the decoder for the data.
#include "common/output_files.h"
#include "lzh/lzh_archive.h"
#include "lzh/lzh_compressed.h"
#include "lzh/lzh_method.h"
#include "lzh/lzh_stored.h"
#include "platform/path.h"

namespace quillory {

int LzhArchive::ExtractEntry(const LzhEntry* entry) {
    status = LzhStatus::Ok;
    if (entry->dataOffset > static_cast<std::uint64_t>(INT64_MAX) ||
        SeekFile(archiveFile, static_cast<std::int64_t>(entry->dataOffset), SeekOrigin::Begin) ==
            kInvalidFilePosition) {
        return 0;
    }
    // Amiga LhA writes an empty folder as a -lh0- member with a folder and no file name.
    // (A compressed member without a name stays a damaged file: no writer makes one.)
    const bool folderEntry = lzh::IsFolderMethod(entry->method) ||
                             (entry->name.empty() && !entry->path.empty() &&
                              lzh::MethodCode(entry->method) == lzh::kMethodStored);
    const WString relative = useFolders == 1 && !entry->path.empty()
                                 ? WString(entry->path) + WString(entry->name)
                                 : WString(entry->name);
    if (testMode == 1) {
        if (folderEntry) return 1;
        std::uint16_t crc = 0;
        const LzhStatus decoded = DecodeMember(archiveFile, kInvalidFileHandle, *entry, crc);
        if (decoded != LzhStatus::Ok) return Result(decoded);
        return Result(crc == entry->crc16 ? LzhStatus::Ok : LzhStatus::CrcMismatch);
    }
    if (folderEntry && useFolders != 1) return Result(LzhStatus::FolderEntrySkipped);
    WString outputPath = OutputPath(relative);
    // A path the host cannot take whole is refused: a shortened one is another file.
    if (!platform::FitsHostPath(outputPath)) return Result(LzhStatus::PathTooLong);
    if (!CheckUnsafePath(relative, outputPath, unsafePathsAllowed, callback)) {
        return Result(LzhStatus::UnsafePathRefused);
    }
    return folderEntry ? ExtractFolder(*entry, std::move(outputPath))
                       : ExtractFile(*entry, outputPath);
}

WString LzhArchive::OutputPath(WStringView relativePath) const {
    // On the handheld a leading "\" meant the top of the device; here the member stays
    // below the destination (after the unsafe-path question).
    const WStringView below = WithoutLeadingSeparators(relativePath);
    if (destFolder.empty()) return WString(below);
    WString path = destFolder;
    if (!platform::IsPathSeparator(path.back())) path.push_back(u'\\');
    path += below;
    return path;
}

int LzhArchive::ExtractFolder(const LzhEntry& entry, WString outputPath) {
    if (entry.originalSize != 0 || entry.compressedSize != 0) return Result(LzhStatus::BadHeader);
    // Folder entries normally end with a separator; one stored with its last level as
    // the name still means that folder.
    if (!platform::IsPathSeparator(outputPath.back())) outputPath.push_back(u'\\');
    CreateFolders(outputPath);
    const WString folder = outputPath.substr(0, outputPath.size() - 1);
    const auto made = platform::GetPathAttributes(folder);
    if (!made || *made != platform::kAttributeDirectory) return Result(LzhStatus::CreateFailed);
    platform::SetPathAttributes(folder, entry.attributes);
    return 1;
}

int LzhArchive::ExtractFile(const LzhEntry& entry, const WString& outputPath) {
    FileTime memberLocal = entry.modifiedTime;
    if (entry.modifiedTime != kNoFileTime)
        platform::UtcFileTimeToLocal(entry.modifiedTime, &memberLocal);
    if (DecideOverwrite(outputPath, memberLocal, entry.originalSize, entry.name, askOnlyIfNewer,
                        overwriteWithoutAsking, callback) == OverwriteDecision::Skip) {
        return Result(LzhStatus::Skipped);
    }
    const FileHandle output = CreateOutputFile(outputPath);
    if (output == kInvalidFileHandle) return Result(LzhStatus::CreateFailed);
    std::uint16_t crc = 0;
    LzhStatus outcome = DecodeMember(archiveFile, output, entry, crc);
    if (outcome == LzhStatus::Stopped) {
        // Interrupted half-way: nothing under the member's name, nothing left beside it.
        platform::AbandonFile(output);
        return Result(outcome);
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
        return Result(outcome);
    }
    // Closing puts the file in its place; a file that did not get there is no output.
    return Result(platform::CloseFile(output) ? LzhStatus::Ok : LzhStatus::WriteFailed);
}

LzhStatus LzhArchive::DecodeMember(FileHandle input, FileHandle output, const LzhEntry& entry,
                                   std::uint16_t& crc) {
    const int method = lzh::MethodCode(entry.method);
    if (method == lzh::kMethodUnsupported) return LzhStatus::UnsupportedMethod;
    if (method == lzh::kMethodStored) {
        const lzh::CopyResult copy = lzh::CopyStored(output, input, entry.originalSize,
                                                     entry.compressedSize, &heap_, callback);
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
    const lzh::DecodeResult decoded = lzh::DecodeCompressed(
        method, input, output, entry.compressedSize, entry.originalSize, callback);
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

}  // namespace quillory
