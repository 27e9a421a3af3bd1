// The application's answers to the readers' questions: the unsafe-path and overwrite
// questions as typed questions to the front end (with "for all" kept for this run), the
// password through the password dialog, and the output count for the progress dialog.
// It never answers the run "for all": the run's own rule, which the settings show, stays.
#include "document/extract_callback_impl.h"

#include <algorithm>

#include "document/shown_name.h"
#include "document/texts.h"
#include "platform/file.h"

namespace quillory {
namespace {

// Progress reaches the user at most this often: often enough to look smooth, rarely
// enough that a fast member does not flood a front end with updates.
constexpr std::chrono::milliseconds kProgressInterval{50};

}  // namespace

WStringView CutWithoutSplittingPairs(WStringView text, std::size_t maxUnits) {
    if (text.size() <= maxUnits) return text;
    std::size_t n = maxUnits;
    if (n > 0 && platform::IsHighSurrogate(text[n - 1])) --n;
    return text.substr(0, n);
}

void CExtractCallbackImpl::ConfirmUnsafePath(WStringView storedPath, WStringView targetPath,
                                             int* proceed, int*) {
    // The place shown is where the file would really go, ".." and links followed.
    if (ui_.AskUnsafePath({WString(storedPath), platform::ResolvedPath(targetPath)})) {
        *proceed = 1;
    }
}

void CExtractCallbackImpl::ConfirmOverwrite(WStringView name, WStringView outputPath,
                                            std::uint64_t memberSize, FileTime memberTimeLocal,
                                            int* overwrite, int*) {
    if (overwriteAll_ || keepAll_) {
        *overwrite = overwriteAll_ ? 1 : 0;
        return;
    }
    OverwriteQuestion question{
        WString(name), WString(outputPath), platform::GetPathSize(outputPath),
        kNoFileTime,   memberSize,          memberTimeLocal};
    if (const auto written = platform::GetPathLastWriteTime(outputPath)) {
        FileTime local = kNoFileTime;
        if (platform::UtcFileTimeToLocal(*written, &local)) question.existingTime = local;
    }
    switch (ui_.AskOverwrite(question)) {
        case OverwriteAnswer::YesToAll:
            overwriteAll_ = true;
            *overwrite = 1;
            break;
        case OverwriteAnswer::Yes:
            *overwrite = 1;
            break;
        case OverwriteAnswer::NoToAll:
            keepAll_ = true;
            break;
        case OverwriteAnswer::No:
            break;
    }
}

bool CExtractCallbackImpl::AskPassword(WStringView memberName, bool wrongBefore, WChar* password) {
    if (skipEncrypted_ || stopAsked_) {
        passwordCancelled_ = true;
        return false;
    }
    const std::optional<WString> typed = ui_.AskPassword(ShownName(memberName), wrongBefore);
    if (!typed) {
        passwordCancelled_ = true;
        if (askBeforeSkipping_) {
            // Asked once: either answer ends the password questions of this run.
            askBeforeSkipping_ = false;
            (ui_.AskSkipEncrypted() ? skipEncrypted_ : stopAsked_) = true;
        }
        return false;
    }
    // The dialog stops at 32 characters; a front end that takes passwords elsewhere
    // (a command-line flag) is held to the caller's buffer.
    const WStringView kept =
        CutWithoutSplittingPairs(*typed, static_cast<std::size_t>(kPasswordBufferUnits - 1));
    std::copy(kept.begin(), kept.end(), password);
    password[kept.size()] = u'\0';
    return true;
}

void CExtractCallbackImpl::OutputProduced(std::size_t count) {
    produced_ += count;
    ReportProgress(false);
}

void CExtractCallbackImpl::ReportProgress(bool force) {
    if (!reportProgress_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastReport_ < kProgressInterval) return;
    lastReport_ = now;
    ui_.SetProgressBytes(produced_, progressTotal_);
}

}  // namespace quillory
