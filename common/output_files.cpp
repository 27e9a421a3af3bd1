// What both readers share when they write members: the unsafe-path and overwrite
// decisions asked through the callback, and creating output files and their folders. An unsafe path
// is refused unless the user allows it; nothing here shows a message.
#include "common/output_files.h"

#include "platform/path.h"

namespace quillory {

bool IsUnsafePath(WStringView relativePath) {
    // Only a whole ".." level climbs, and only above where the path started.
    int depth = 0;
    std::size_t start = 0;
    while (start <= relativePath.size()) {
        std::size_t end = start;
        while (end < relativePath.size() && !platform::IsPathSeparator(relativePath[end]))
            ++end;
        const WStringView level = relativePath.substr(start, end - start);
        if (level == u"..") {
            if (--depth < 0) return true;
        } else if (!level.empty() && level != u".") {
            ++depth;
        }
        start = end + 1;
    }
    return false;
}

PathDecision CheckUnsafePath(WStringView storedPath, WStringView relativePath,
                             WStringView targetPath, MemberRun& run) {
    if (!IsUnsafePath(relativePath) && !platform::LeadsOutside(run.destFolder, relativePath)) {
        return PathDecision::Safe;
    }
    if (run.answers->unsafePathsAllowed) return PathDecision::Allowed;
    if (run.callback == nullptr) return PathDecision::Refused;
    int proceed = 0;
    int forAll = 0;
    run.callback->ConfirmUnsafePath(storedPath, targetPath, &proceed, &forAll);
    if (forAll == 1) run.answers->unsafePathsAllowed = true;
    return proceed == 1 ? PathDecision::Allowed : PathDecision::Refused;
}

platform::OutputPlace PlaceOf(const MemberRun& run, WStringView relativePath,
                              PathDecision decision) {
    return {run.destFolder, relativePath, decision == PathDecision::Safe};
}

WStringView WithoutLeadingSeparators(WStringView relativePath) {
    std::size_t start = 0;
    while (start < relativePath.size() && platform::IsPathSeparator(relativePath[start]))
        ++start;
    return relativePath.substr(start);
}

namespace {

// The existing file's last-write time in whole seconds, as local time.
bool ExistingLocalTime(WStringView path, FileTime* local) {
    const auto written = platform::GetPathLastWriteTime(path);
    if (!written) return false;
    platform::CalendarTime calendar;
    FileTime whole;
    if (!platform::FileTimeToCalendar(*written, &calendar)) return false;
    calendar.milliseconds = 0;
    return platform::CalendarToFileTime(calendar, &whole) &&
           platform::UtcFileTimeToLocal(whole, local);
}

}  // namespace

OverwriteDecision DecideOverwrite(WStringView outputPath, FileTime memberTimeLocal,
                                  std::uint64_t memberSize, WStringView name, MemberRun& run) {
    const auto attributes = platform::GetPathAttributes(outputPath);
    // Nothing there, or a folder, which no file can replace: creating the file decides.
    if (!attributes || *attributes == platform::kAttributeDirectory) {
        return OverwriteDecision::Overwrite;
    }
    FileTime existingLocal = 0;
    const bool haveTime = ExistingLocalTime(outputPath, &existingLocal);
    bool overwrite = run.overwrite == OverwriteRule::Never || run.answers->overwriteWithoutAsking;
    if (!overwrite && run.overwrite == OverwriteRule::AskIfNewer && haveTime &&
        memberTimeLocal != kNoFileTime &&
        platform::CompareFileTimes(existingLocal, memberTimeLocal) <= 0) {
        overwrite = true;
    }
    if (!overwrite) {
        if (run.callback == nullptr) return OverwriteDecision::Skip;
        int answer = 0;
        int forAll = 0;
        run.callback->ConfirmOverwrite(name, outputPath, memberSize, memberTimeLocal, &answer,
                                       &forAll);
        if (forAll == 1) run.answers->overwriteWithoutAsking = true;
        if (answer == 0) return OverwriteDecision::Skip;
    }
    // Nothing is done to the existing file: its replacement takes its place by rename,
    // which a read-only file (or one hard-linked elsewhere) allows without a change.
    return OverwriteDecision::Overwrite;
}

std::uint32_t UnixExecuteBits(std::uint32_t mode) {
    constexpr std::uint32_t kTypeBits = 0170000;
    constexpr std::uint32_t kRegularFile = 0100000;
    constexpr std::uint32_t kExecuteBits = 0111;
    const std::uint32_t type = mode & kTypeBits;
    return type == kRegularFile || type == 0 ? mode & kExecuteBits : 0;
}

}  // namespace quillory
