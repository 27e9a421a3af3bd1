// The one password remembered between members of an open ZIP archive, shared by the
// traditional cipher and ZIP AES: a NUL-terminated byte string in the archive's code
// page, and the rules for trying it and asking the user for a member. Its owner empties
// it when another archive is opened. It never holds more than 127 bytes and never ends in
// the middle of a multibyte character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/codepage.h"
#include "platform/text.h"

namespace quillory {

class ExtractCallback;

class RememberedPassword {
public:
    // Buffer size, terminator included.
    static constexpr std::size_t kCapacity = 128;
    static constexpr std::size_t kMaxLength = kCapacity - 1;

    // The password, NUL-terminated; empty at first.
    const char* Text() const { return bytes_; }
    const std::uint8_t* Bytes() const { return reinterpret_cast<const std::uint8_t*>(bytes_); }
    std::size_t Length() const;

    void Clear();

    // Replaces the password with text (up to its first U+0000) in codePage, dropping
    // whole characters from the end until it fits in kMaxLength bytes.
    void SetFromAnswer(WStringView text, const platform::CodePage& codePage);

    // How many times one member's password is asked for before the member fails.
    static constexpr int kTries = 3;

    // The password steps for one encrypted member. accepts(password) runs the member's
    // check (the header check or the AES verifier) and says whether it passed.
    //  1. Try the remembered password (for a worker of a pool: its copy, brought up to
    //     the one this member's turn has through the callback's RefreshPassword and
    //     PasswordOfTurn).
    //  2. Rejected: ask through callback->AskPassword with memberName and a 64-unit
    //     buffer that starts empty, remember the answer with SetFromAnswer and try it;
    //     rejected in codePage, try (and on success remember) the answer's UTF-8 bytes.
    //     A wrong answer is asked for again (saying so), kTries questions in all.
    //  3. A cancelled question (or a null callback) ends the steps at once, and the
    //     remembered password stays as it was for the next member.
    //  4. After the questions (answered or not), callback->PasswordAnswered passes on the
    //     password they left.
    // Returns whether a check passed; the password that passed stays remembered. A check
    // that fails for reasons no password changes belongs before this call.
    bool Obtain(const std::function<bool(const char* password)>& accepts, ExtractCallback* callback,
                WStringView memberName, const platform::CodePage& codePage);

private:
    // Remembers the answer and tries it, in codePage and then in UTF-8.
    bool TakeAnswer(WStringView typed, const std::function<bool(const char* password)>& accepts,
                    const platform::CodePage& codePage);

    char bytes_[kCapacity] = {};
};

}  // namespace quillory
