// The one password the ZIP reader remembers between members, shared by the traditional
// cipher and ZIP AES: a NUL-terminated byte string in the ANSI code page, and the rules
// for emptying it on open, trying it, and asking the user once per member. It never
// holds more than 127 bytes and never ends in the middle of a multibyte character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

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

    // Replaces the password with text (up to its first U+0000) in the ANSI code page,
    // dropping whole characters from the end until it fits in kMaxLength bytes.
    void SetFromAnswer(WStringView text);

    // The password steps for one encrypted member. accepts(password) runs the member's
    // check (the header check or the AES verifier) and says whether it passed.
    //  1. passwordNeedsReset non-zero (an archive was opened): set it to 0, empty the
    //     password.
    //  2. Try the remembered password.
    //  3. Rejected and passwordFromCaller is 0: ask once through callback->AskPassword
    //     with memberName and a 64-unit buffer that starts empty (so a cancelled
    //     question, or a null callback, gives the empty password), remember the answer
    //     with SetFromAnswer and try again.
    // Returns whether a check passed; the password that passed stays remembered. A check
    // that fails for reasons no password changes belongs before this call.
    bool Obtain(const std::function<bool(const char* password)>& accepts, ExtractCallback* callback,
                WStringView memberName, int& passwordNeedsReset, int passwordFromCaller);

private:
    char bytes_[kCapacity] = {};
};

}  // namespace quillory
