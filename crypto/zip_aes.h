// ZIP AES (WinZip AE-1/AE-2) decryption with authentication: key derivation from the
// password and salt, AES counter-mode decryption in place, and the 10-byte code over the
// stored (encrypted) bytes. Decryption only. A context left all zero passes data through
// unchanged, so members without AES may run through the same data step.
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/aes.h"
#include "crypto/hmac_sha1.h"

namespace quillory {

// Sizes by mode m (1 AES-128, 2 AES-192, 3 AES-256).
inline constexpr std::size_t ZipAesKeyBytes(int mode) {
    return 8 * mode + 8;
}
inline constexpr std::size_t ZipAesSaltBytes(int mode) {
    return 4 * mode + 4;
}
inline constexpr std::size_t kZipAesVerifierBytes = 2;
inline constexpr std::size_t kZipAesCodeBytes = 10;
inline constexpr unsigned kZipAesIterations = 1000;
inline constexpr std::size_t kZipAesMaxPassword = 128;

// Results of ZipAesSetup besides 0.
inline constexpr int kZipAesPasswordTooLong = -100;
inline constexpr int kZipAesBadMode = -101;

struct ZipAesContext {
    std::uint8_t counter[16];    // counter block: a 64-bit little-endian count, then zeros
    std::uint8_t keystream[16];  // the last encrypted counter block
    AesKeySchedule cipher;
    HmacSha1Context authenticator;
    std::uint32_t keystreamPosition;  // next unused keystream byte; 16 = block used up
    std::uint32_t passwordLength;
    std::uint32_t mode;
};

// Derives the keys (PBKDF2-HMAC-SHA1, 1000 iterations, 2 * key + 2 bytes) and writes the
// 2-byte password verifier. salt holds ZipAesSaltBytes(mode) bytes. 0 on success;
// kZipAesPasswordTooLong for more than 128 password bytes, then kZipAesBadMode for a
// mode other than 1, 2 or 3 (in that order); after a failure context and verifier are
// as they were.
int ZipAesSetup(int mode, const std::uint8_t* password, std::size_t passwordLength,
                const std::uint8_t* salt, std::uint8_t verifier[2], ZipAesContext& context);

// Authenticates the bytes as stored, then decrypts them in place. The data may come in
// pieces of any size: the keystream position carries over.
void ZipAesDecrypt(std::uint8_t* data, std::size_t length, ZipAesContext& context);

// Writes the authentication code over everything passed to ZipAesDecrypt; returns 10.
int ZipAesFinish(std::uint8_t code[10], ZipAesContext& context);

}  // namespace quillory
