// The cipher of one encrypted member: the traditional header or the AES salt and
// verifier read and checked against the remembered password (asking for one through the
// callback), the data decrypted as it is read, and AES's code checked after it. Sizes too
// small to hold the cipher's own bytes are refused before anything is read or asked.
#include "zip/member_cipher.h"

#include <cstring>

namespace quillory::zip {

namespace {

void DecryptTraditional(void* keys, std::uint8_t* data, std::size_t size) {
    ZipCryptoDecrypt(*static_cast<ZipCryptoKeys*>(keys), data, size);
}

void DecryptAes(void* context, std::uint8_t* data, std::size_t size) {
    ZipAesDecrypt(data, size, *static_cast<ZipAesContext*>(context));
}

}  // namespace

std::uint32_t MemberCipher::CipherBytes(Kind kind, const ZipEntry& entry) {
    switch (kind) {
        case Kind::None:
            break;
        case Kind::Traditional:
            return kZipCryptoHeaderBytes;
        case Kind::Aes: {
            const int mode = entry.aesStrength;
            if (mode < 1 || mode > 3) break;
            return static_cast<std::uint32_t>(ZipAesSaltBytes(mode) + kZipAesVerifierBytes +
                                              kZipAesCodeBytes);
        }
    }
    return 0;
}

ZipStatus MemberCipher::Begin(Kind kind, const ByteSource& source, std::uint64_t offset,
                              const ZipEntry& entry, std::uint8_t checkByte, PasswordRules rules) {
    kind_ = kind;
    keys_ = {};
    aes_ = {};  // all zero for every member, whatever the last one left
    dataLength_ = entry.compressedSize;
    dataSkip_ = 0;
    switch (kind) {
        case Kind::None:
            return ZipStatus::Ok;
        case Kind::Traditional:
            return BeginTraditional(source, offset, entry, checkByte, rules);
        case Kind::Aes:
            return BeginAes(source, offset, entry, rules);
    }
    return ZipStatus::Ok;
}

ZipStatus MemberCipher::BeginTraditional(const ByteSource& source, std::uint64_t offset,
                                         const ZipEntry& entry, std::uint8_t checkByte,
                                         PasswordRules& rules) {
    if (entry.compressedSize < kZipCryptoHeaderBytes) return ZipStatus::BadLocalHeader;
    std::uint8_t header[kZipCryptoHeaderBytes];
    if (!source.ReadExactly(offset, header, sizeof header)) return ZipStatus::BadLocalHeader;
    const bool accepted = rules.password.Obtain(
        [&](const char* password) {
            return ZipCryptoCheckHeader(keys_, header, password, checkByte) == 0;
        },
        rules.callback, rules.memberName, rules.codePage);
    if (!accepted) return ZipStatus::WrongPassword;
    dataLength_ = entry.compressedSize - kZipCryptoHeaderBytes;
    dataSkip_ = kZipCryptoHeaderBytes;
    return ZipStatus::Ok;
}

ZipStatus MemberCipher::BeginAes(const ByteSource& source, std::uint64_t offset,
                                 const ZipEntry& entry, PasswordRules& rules) {
    // The strength is the mode: 1 AES-128, 2 AES-192, 3 AES-256. ZipAesSetup refuses any
    // other; it is refused here before a password is asked for.
    const int mode = entry.aesStrength;
    if (mode < 1 || mode > 3) return ZipStatus::AesSetupFailed;
    const std::size_t saltBytes = ZipAesSaltBytes(mode);
    const std::uint32_t overhead = CipherBytes(Kind::Aes, entry);
    if (entry.compressedSize < overhead) return ZipStatus::BadLocalHeader;
    std::uint8_t saltAndVerifier[ZipAesSaltBytes(3) + kZipAesVerifierBytes];
    if (!source.ReadExactly(offset, saltAndVerifier, saltBytes + kZipAesVerifierBytes)) {
        return ZipStatus::BadLocalHeader;
    }
    const std::uint8_t* stored = saltAndVerifier + saltBytes;
    bool refused = false;
    const bool accepted = rules.password.Obtain(
        [&](const char* password) {
            std::uint8_t verifier[kZipAesVerifierBytes];
            if (ZipAesSetup(mode, reinterpret_cast<const std::uint8_t*>(password),
                            std::strlen(password), saltAndVerifier, verifier, aes_) != 0) {
                refused = true;
                return true;  // no other password is tried
            }
            return std::memcmp(verifier, stored, kZipAesVerifierBytes) == 0;
        },
        rules.callback, rules.memberName, rules.codePage);
    if (refused) return ZipStatus::AesSetupFailed;
    if (!accepted) return ZipStatus::WrongPassword;
    dataLength_ = entry.compressedSize - overhead;
    dataSkip_ = static_cast<std::uint32_t>(saltBytes + kZipAesVerifierBytes);
    return ZipStatus::Ok;
}

ZipInputStream::Decryptor MemberCipher::Decryptor() const {
    switch (kind_) {
        case Kind::None:
            break;
        case Kind::Traditional:
            return DecryptTraditional;
        case Kind::Aes:
            return DecryptAes;
    }
    return nullptr;
}

bool MemberCipher::Authenticated(const ByteSource& source, std::uint64_t dataEnd) {
    std::uint8_t computed[kZipAesCodeBytes];
    ZipAesFinish(computed, aes_);
    std::uint8_t stored[kZipAesCodeBytes];
    if (!source.ReadExactly(dataEnd, stored, sizeof stored)) return false;
    return std::memcmp(computed, stored, sizeof stored) == 0;
}

}  // namespace quillory::zip
