// PBKDF2-HMAC-SHA1. Block i of the output is U1 ^ U2 ^ ... ^ Uc with U1 = HMAC(P, salt ||
// i) and Uj = HMAC(P, Uj-1). From U2 on every message is 20 bytes, so both the inner
// and the outer hash of an iteration are exactly one compression of one fixed-layout
// block after the pad block: the SHA-1 states after the inner and the outer pad block
// are computed once and copied, two compressions per iteration instead of four.
#include "crypto/pbkdf2.h"

#include <algorithm>
#include <cstring>

#include "crypto/hmac_sha1.h"
#include "crypto/sha1.h"

namespace quillory {
namespace {

// The padded second block of a hash over one pad block plus a 20-byte message: the
// message, the 0x80 mark, zeros, and the length of 64 + 20 bytes in bits.
constexpr std::size_t kMessageBits = (kSha1BlockBytes + kSha1DigestBytes) * 8;
static_assert(kSha1DigestBytes + 1 + 8 <= kSha1BlockBytes, "the message fits in one block");

void StoreBigEndian(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

void StoreState(std::uint8_t* p, const std::uint32_t (&state)[5]) {
    for (int i = 0; i < 5; ++i)
        StoreBigEndian(p + 4 * i, state[i]);
}

}  // namespace

void Pbkdf2HmacSha1(const std::uint8_t* password, std::size_t passwordLength,
                    const std::uint8_t* salt, std::size_t saltLength, unsigned iterations,
                    std::uint8_t* out, std::size_t outLength) {
    if (outLength == 0) return;
    HmacSha1Context keyed;
    HmacSha1Init(keyed);
    HmacSha1AddKey(keyed, password, passwordLength);
    HmacSha1AddData(keyed, nullptr, 0);  // fixes the key: key block = key ^ inner pad

    HmacSha1Context salted = keyed;
    HmacSha1AddData(salted, salt, saltLength);

    // The SHA-1 states after the inner and the outer pad block.
    std::uint32_t inner[5], outer[5];
    std::memcpy(inner, keyed.hash.state, sizeof inner);
    std::uint8_t outerPad[kSha1BlockBytes];
    for (std::size_t i = 0; i < kSha1BlockBytes; ++i) {
        outerPad[i] = static_cast<std::uint8_t>(keyed.keyBlock[i] ^ kHmacSha1InnerToOuter);
    }
    Sha1Context outerHash;
    Sha1Init(outerHash);
    Sha1Add(outerHash, outerPad, kSha1BlockBytes);
    std::memcpy(outer, outerHash.state, sizeof outer);

    // Output blocks are independent chains: up to kLanes of them go through each
    // compression call together, so the hardware can overlap them.
    constexpr std::size_t kLanes = detail::kSha1MaxLanes;
    const auto compress = detail::Sha1Selected().compressLanes;
    for (std::uint32_t first = 1; outLength > 0;) {
        const std::size_t wanted = (outLength + kSha1DigestBytes - 1) / kSha1DigestBytes;
        const std::size_t lanes = std::min(wanted, kLanes);
        // Each lane's message block holds U in its first 20 bytes, padded once.
        std::uint8_t blocks[kLanes][kSha1BlockBytes] = {};
        std::uint8_t sums[kLanes][kSha1DigestBytes] = {};
        std::uint32_t states[kLanes][5];
        for (std::size_t j = 0; j < lanes; ++j) {
            blocks[j][kSha1DigestBytes] = 0x80;
            StoreBigEndian(blocks[j] + kSha1BlockBytes - 4, kMessageBits);
            if (iterations == 0) continue;
            HmacSha1Context u1 = salted;
            std::uint8_t index[4];
            StoreBigEndian(index, first + static_cast<std::uint32_t>(j));
            HmacSha1AddData(u1, index, sizeof index);
            HmacSha1Finish(u1, blocks[j], kSha1DigestBytes);
            std::memcpy(sums[j], blocks[j], kSha1DigestBytes);
        }
        for (unsigned i = 1; i < iterations; ++i) {
            for (std::size_t j = 0; j < lanes; ++j)
                std::memcpy(states[j], inner, sizeof inner);
            compress(states, blocks, lanes);
            for (std::size_t j = 0; j < lanes; ++j) {
                StoreState(blocks[j], states[j]);  // the inner digest
                std::memcpy(states[j], outer, sizeof outer);
            }
            compress(states, blocks, lanes);
            for (std::size_t j = 0; j < lanes; ++j) {
                StoreState(blocks[j], states[j]);  // U(i+1)
                for (std::size_t k = 0; k < kSha1DigestBytes; ++k)
                    sums[j][k] ^= blocks[j][k];
            }
        }
        for (std::size_t j = 0; j < lanes; ++j) {
            const std::size_t n = std::min(outLength, kSha1DigestBytes);
            std::memcpy(out, sums[j], n);
            out += n;
            outLength -= n;
        }
        first += static_cast<std::uint32_t>(lanes);
    }
}

}  // namespace quillory
