// The cipher of one encrypted member: reading the traditional encryption header or the
// AES salt and verifier that precede the data, running the remembered-password rules
// against them, decrypting the data pieces as the input stream reads them, and for AES
// checking the 10-byte code that follows the data. A member whose sizes cannot hold the
// cipher's own bytes is refused before anything is read or asked.
#pragma once

#include <cstdint>

#include "common/byte_source.h"
#include "common/extract_callback.h"
#include "crypto/remembered_password.h"
#include "crypto/zip_aes.h"
#include "crypto/zip_crypto.h"
#include "platform/text.h"
#include "zip/input_stream.h"
#include "zip/zip_archive.h"

namespace quillory::zip {

class MemberCipher {
public:
    enum class Kind { None, Traditional, Aes };

    // What the password rules need besides the member's own fields.
    struct PasswordRules {
        RememberedPassword& password;
        ExtractCallback* callback;
        WStringView memberName;              // the member's name as listed, shown in the question
        const platform::CodePage& codePage;  // of the archive, for a typed password
    };

    // The cipher's own bytes within the member's compressed size: the traditional
    // encryption header, or the AES salt, verifier and code (by the entry's strength).
    static std::uint32_t CipherBytes(Kind kind, const ZipEntry& entry);

    // Reads the cipher's leading bytes at offset in source (where the member's stored data
    // starts) and checks the password. Traditional: the decrypted header must end with
    // checkByte (ZipCryptoCheckByte of the local header's fields). Ok, BadLocalHeader
    // (sizes too small, a short read), WrongPassword or AesSetupFailed (a strength other
    // than 1, 2, 3).
    ZipStatus Begin(Kind kind, const ByteSource& source, std::uint64_t offset,
                    const ZipEntry& entry, std::uint8_t checkByte, PasswordRules rules);

    // The member's data between the cipher's bytes, for the input stream: its length and
    // how far past the stored data's start it begins.
    std::uint64_t DataLength() const { return dataLength_; }
    std::uint32_t DataSkip() const { return dataSkip_; }
    ZipInputStream::Decryptor Decryptor() const;
    void* Context() { return kind_ == Kind::Aes ? static_cast<void*>(&aes_) : &keys_; }

    // AES: the code over all the data passed through the decryptor against the 10 bytes
    // stored at dataEnd. False when they differ or cannot be read.
    bool Authenticated(const ByteSource& source, std::uint64_t dataEnd);

private:
    ZipStatus BeginTraditional(const ByteSource& source, std::uint64_t offset,
                               const ZipEntry& entry, std::uint8_t checkByte, PasswordRules& rules);
    ZipStatus BeginAes(const ByteSource& source, std::uint64_t offset, const ZipEntry& entry,
                       PasswordRules& rules);

    Kind kind_ = Kind::None;
    std::uint64_t dataLength_ = 0;
    std::uint32_t dataSkip_ = 0;
    ZipCryptoKeys keys_{};
    ZipAesContext aes_{};
};

}  // namespace quillory::zip
