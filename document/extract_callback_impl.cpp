// The callback object's questions and the password hand-over.
#include "document/extract_callback_impl.h"

#include <algorithm>

#include "document/texts.h"
#include "platform/file.h"

namespace quillory {
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

void CExtractCallbackImpl::ConfirmOverwrite(WStringView name, int* overwrite, int*) {
    WString question(texts::kOverwriteBefore);
    question.append(name).append(texts::kOverwriteAfter);
    if (ui_.AskYesNo(question)) *overwrite = 1;
}

void CExtractCallbackImpl::AskPassword(WStringView memberName, WChar* password) {
    const std::optional<WString> typed = ui_.AskPassword(memberName);
    if (!typed) return;
    // The dialog stops at 32 characters; a front end that takes passwords elsewhere
    // (a command-line flag) is held to the caller's buffer.
    const WStringView kept =
        CutWithoutSplittingPairs(*typed, static_cast<std::size_t>(kPasswordBufferUnits - 1));
    std::copy(kept.begin(), kept.end(), password);
    password[kept.size()] = u'\0';
}

}  // namespace quillory
