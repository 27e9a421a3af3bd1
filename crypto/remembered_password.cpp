// The remembered password: conversion of the user's answer into the archive's code page and
// the try, ask, try again steps. Characters are converted one at a time so that a
// cut never splits a multibyte character, whatever the code page.
#include "crypto/remembered_password.h"

#include <cstring>
#include <optional>
#include <string>

#include "common/extract_callback.h"

namespace quillory {
namespace {

bool IsHighSurrogate(WChar c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(WChar c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

std::size_t RememberedPassword::Length() const {
    return std::strlen(bytes_);
}

void RememberedPassword::Clear() {
    std::memset(bytes_, 0, sizeof bytes_);
}

void RememberedPassword::SetFromAnswer(WStringView text, const platform::CodePage& codePage) {
    text = text.substr(0, text.find(u'\0'));
    std::string encoded;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t units =
            IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]) ? 2 : 1;
        const std::string character = codePage.FromWide(text.substr(i, units));
        if (encoded.size() + character.size() > kMaxLength) break;
        encoded += character;
        i += units;
    }
    Clear();
    // A code page could in principle encode a character with a 0 byte; the password ends
    // there, as the terminated buffer would end it anyway.
    std::memcpy(bytes_, encoded.data(), encoded.size());
}

bool RememberedPassword::TakeAnswer(WStringView typed,
                                    const std::function<bool(const char* password)>& accepts,
                                    const platform::CodePage& codePage) {
    SetFromAnswer(typed, codePage);
    if (accepts(bytes_)) return true;
    // Info-ZIP on Linux and macOS's Archive Utility take the password's UTF-8 bytes
    // whatever the names' code page: the same answer in UTF-8 is tried too.
    if (codePage.name() == "UTF-8") return false;
    const std::optional<platform::CodePage> utf8 = platform::CodePage::Named("UTF-8");
    if (!utf8) return false;
    RememberedPassword asUtf8;
    asUtf8.SetFromAnswer(typed, *utf8);
    if (std::strcmp(asUtf8.bytes_, bytes_) == 0 || !accepts(asUtf8.bytes_)) return false;
    std::memcpy(bytes_, asUtf8.bytes_, sizeof bytes_);
    return true;
}

bool RememberedPassword::Obtain(const std::function<bool(const char* password)>& accepts,
                                ExtractCallback* callback, WStringView memberName,
                                const platform::CodePage& codePage) {
    if (callback == nullptr) return accepts(bytes_);
    callback->RefreshPassword(*this);
    bool accepted = accepts(bytes_);
    // Side by side with other workers: a try counts only with the password this member's
    // turn has, once the earlier members' questions are over.
    while (callback->PasswordOfTurn(*this, accepted))
        accepted = accepts(bytes_);
    if (accepted) return true;

    for (int question = 0; question < kTries && !accepted; ++question) {
        WChar answer[kPasswordBufferUnits] = {};
        if (!callback->AskPassword(memberName, question > 0, answer)) break;
        answer[kPasswordBufferUnits - 1] = u'\0';  // an unterminated answer is cut, not overrun
        accepted = TakeAnswer(WStringView(answer, kPasswordBufferUnits), accepts, codePage);
    }
    callback->PasswordAnswered(*this);
    return accepted;
}

}  // namespace quillory
