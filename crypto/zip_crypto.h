// The traditional PKWARE stream cipher of ZIP members (general-purpose flag bit 0, no
// AES record): the password check against a member's 12-byte encryption header and the
// decryption of its data. Decryption only; nothing here encrypts. The key update uses
// the shared CRC-32 table and never builds a table of its own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillory {

// The cipher's whole state. ZipCryptoInitKeys starts it from a password; after an
// accepted header check it stands at the first byte of the member's data.
struct ZipCryptoKeys {
    std::uint32_t key0, key1, key2;
};

// Length of the encryption header that precedes a traditional member's data.
inline constexpr std::size_t kZipCryptoHeaderBytes = 12;

// Loads the initial keys and passes every byte of the NUL-terminated password through
// ZipCryptoUpdateKeys. An empty password leaves the initial keys.
void ZipCryptoInitKeys(ZipCryptoKeys& keys, const char* password);

// Advances the keys by one plaintext byte.
void ZipCryptoUpdateKeys(ZipCryptoKeys& keys, std::uint8_t plain);

// The next keystream byte; the keys do not change.
std::uint8_t ZipCryptoStreamByte(const ZipCryptoKeys& keys);

// Decrypts one stored byte and advances the keys by its plaintext.
std::uint8_t ZipCryptoDecryptByte(ZipCryptoKeys& keys, std::uint8_t stored);

// Decrypts length bytes in place; the same result and keys as ZipCryptoDecryptByte on
// each byte in turn, for the reader's whole input chunks.
void ZipCryptoDecrypt(ZipCryptoKeys& keys, std::uint8_t* data, std::size_t length);

// The byte the decrypted header must end with: the high byte of the local header's
// modification time when the member has a data descriptor (flag bit 3, so the CRC was
// not known when the header was written), else the top byte of the member's CRC-32.
std::uint8_t ZipCryptoCheckByte(bool hasDataDescriptor, std::uint16_t localTime,
                                std::uint32_t crc32);

// Starts the keys from password and decrypts a copy of the 12 header bytes (the
// caller's bytes stay as they are). 0 when the last decrypted byte equals checkByte:
// the keys then stand at the first data byte. -1 otherwise. Only one byte is compared,
// so about one wrong password in 256 is accepted; the member's CRC-32 catches it.
int ZipCryptoCheckHeader(ZipCryptoKeys& keys, const std::uint8_t header[12], const char* password,
                         std::uint8_t checkByte);

}  // namespace quillory
