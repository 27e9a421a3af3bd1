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

    std::uint8_t block[kSha1BlockBytes] = {};
    block[kSha1DigestBytes] = 0x80;
    StoreBigEndian(block + kSha1BlockBytes - 4, kMessageBits);
    const detail::Sha1BlocksFunction compress = detail::Sha1Blocks();

    for (std::uint32_t index = 1; outLength > 0; ++index) {
        std::uint8_t sum[kSha1DigestBytes] = {};
        if (iterations > 0) {
            HmacSha1Context first = salted;
            std::uint8_t be[4];
            StoreBigEndian(be, index);
            HmacSha1AddData(first, be, sizeof be);
            HmacSha1Finish(first, block, kSha1DigestBytes);  // U1, in place in the block
            std::memcpy(sum, block, kSha1DigestBytes);
        }
        for (unsigned j = 1; j < iterations; ++j) {
            std::uint32_t state[5];
            std::memcpy(state, inner, sizeof state);
            compress(state, block, 1);
            StoreState(block, state);  // inner digest
            std::memcpy(state, outer, sizeof state);
            compress(state, block, 1);
            StoreState(block, state);  // Uj
            for (std::size_t k = 0; k < kSha1DigestBytes; ++k)
                sum[k] ^= block[k];
        }
        const std::size_t n = std::min(outLength, kSha1DigestBytes);
        std::memcpy(out, sum, n);
        out += n;
        outLength -= n;
    }
}

}  // namespace quillory
