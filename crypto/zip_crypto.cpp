// The traditional ZIP cipher: three 32-bit keys, two of them advanced as CRC-32
// registers and one as a linear congruential generator, and a keystream byte taken from
// the third key. The byte loop keeps the keys in locals; it is serial by nature (each
// plaintext byte feeds the next keystream byte), so that is all the speed there is.
#include "crypto/zip_crypto.h"

#include "common/checksums.h"

namespace quillory {
namespace {

// The initial keys every password starts from.
constexpr ZipCryptoKeys kInitialKeys = {0x12345678, 0x23456789, 0x34567890};
constexpr std::uint32_t kKey1Multiplier = 134775813;  // 0x08088405
constexpr std::uint32_t kCrc32Polynomial = 0xEDB88320;

// One CRC-32 register step through the shared table.
struct TableStep {
    const std::uint32_t* table;
    std::uint32_t operator()(std::uint32_t c, std::uint8_t b) const {
        return table[(c ^ b) & 0xFF] ^ (c >> 8);
    }
};

// The same step bit by bit, for the case that the table could not be allocated.
struct BitwiseStep {
    std::uint32_t operator()(std::uint32_t c, std::uint8_t b) const {
        c ^= b;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? kCrc32Polynomial ^ (c >> 1) : c >> 1;
        return c;
    }
};

// Runs f with the step that is available.
template <typename F>
void WithCrcStep(F&& f) {
    const std::uint32_t* table = Crc32Table();
    if (table != nullptr) {
        f(TableStep{table});
    } else {
        f(BitwiseStep{});
    }
}

template <typename Step>
inline void Update(ZipCryptoKeys& k, std::uint8_t plain, Step step) {
    k.key0 = step(k.key0, plain);
    k.key1 = (k.key1 + (k.key0 & 0xFF)) * kKey1Multiplier + 1;
    k.key2 = step(k.key2, static_cast<std::uint8_t>(k.key1 >> 24));
}

inline std::uint8_t Stream(const ZipCryptoKeys& k) {
    // Bit 1 is forced on; t * (t ^ 1) fits in 32 bits because t < 2^16.
    const std::uint32_t t = (k.key2 & 0xFFFF) | 2;
    return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
}

template <typename Step>
void DecryptRun(ZipCryptoKeys& keys, std::uint8_t* data, std::size_t length, Step step) {
    ZipCryptoKeys k = keys;
    for (std::size_t i = 0; i < length; ++i) {
        const auto plain = static_cast<std::uint8_t>(data[i] ^ Stream(k));
        data[i] = plain;
        Update(k, plain, step);
    }
    keys = k;
}

}  // namespace

void ZipCryptoInitKeys(ZipCryptoKeys& keys, const char* password) {
    keys = kInitialKeys;
    WithCrcStep([&](auto step) {
        for (const char* p = password; *p != '\0'; ++p) {
            Update(keys, static_cast<std::uint8_t>(*p), step);
        }
    });
}

void ZipCryptoUpdateKeys(ZipCryptoKeys& keys, std::uint8_t plain) {
    WithCrcStep([&](auto step) { Update(keys, plain, step); });
}

std::uint8_t ZipCryptoStreamByte(const ZipCryptoKeys& keys) {
    return Stream(keys);
}

std::uint8_t ZipCryptoDecryptByte(ZipCryptoKeys& keys, std::uint8_t stored) {
    const auto plain = static_cast<std::uint8_t>(stored ^ Stream(keys));
    ZipCryptoUpdateKeys(keys, plain);
    return plain;
}

void ZipCryptoDecrypt(ZipCryptoKeys& keys, std::uint8_t* data, std::size_t length) {
    WithCrcStep([&](auto step) { DecryptRun(keys, data, length, step); });
}

std::uint8_t ZipCryptoCheckByte(bool hasDataDescriptor, std::uint16_t localTime,
                                std::uint32_t crc32) {
    return static_cast<std::uint8_t>(hasDataDescriptor ? localTime >> 8 : crc32 >> 24);
}

int ZipCryptoCheckHeader(ZipCryptoKeys& keys, const std::uint8_t header[12], const char* password,
                         std::uint8_t checkByte) {
    std::uint8_t h[kZipCryptoHeaderBytes];
    for (std::size_t i = 0; i < kZipCryptoHeaderBytes; ++i)
        h[i] = header[i];
    ZipCryptoInitKeys(keys, password);
    ZipCryptoDecrypt(keys, h, kZipCryptoHeaderBytes);
    return h[kZipCryptoHeaderBytes - 1] == checkByte ? 0 : -1;
}

}  // namespace quillory
