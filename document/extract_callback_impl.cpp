// The callback object's questions and the password hand-over.
#include "document/extract_callback_impl.h"

#include <algorithm>

#include "document/texts.h"

namespace quillory {
namespace {

bool IsHighSurrogate(WChar c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

}  // namespace

WStringView CutWithoutSplittingPairs(WStringView text, std::size_t maxUnits) {
    if (text.size() <= maxUnits) return text;
    std::size_t n = maxUnits;
    if (n > 0 && IsHighSurrogate(text[n - 1])) --n;
    return text.substr(0, n);
}

bool CExtractCallbackImpl::Ask(WStringView before, WStringView name, WStringView after) {
    WString question;
    question.reserve(before.size() + name.size() + after.size());
    question.append(before).append(name).append(after);
    return ui_.AskYesNo(CutWithoutSplittingPairs(question, kQuestionBufferUnits - 1));
}

void CExtractCallbackImpl::ConfirmUnsafePath(WStringView name, int* proceed, int*) {
    if (Ask(texts::kUnsafeBefore, name, texts::kUnsafeAfter)) *proceed = 1;
}

void CExtractCallbackImpl::ConfirmOverwrite(WStringView name, int* overwrite, int*) {
    if (Ask(texts::kOverwriteBefore, name, texts::kOverwriteAfter)) *overwrite = 1;
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
