// PBKDF2-HMAC-SHA1. Block i of the output is U1 ^ U2 ^ ... ^ Uc with U1 = HMAC(P, salt ||
// i) and Uj = HMAC(P, Uj-1). From U2 on every message is 20 bytes, so both the inner
// and the outer hash of an iteration are exactly one compression of one fixed-layout
// block after the pad block: the SHA-1 states after the inner and the outer pad block
// are computed once, two compressions per iteration instead of four, and the SHA-1
// path runs the chains of several output blocks at once (Sha1Path::pbkdf2Chains).
#include "crypto/pbkdf2.h"

#include <algorithm>
#include <cstring>

#include "crypto/hmac_sha1.h"
#include "crypto/sha1.h"

namespace quillory {
namespace {

void StoreBigEndian(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

std::uint32_t LoadBigEndian(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
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

    // Output blocks are independent chains: up to kLanes of them run together, so the
    // hardware can overlap them.
    constexpr std::size_t kLanes = detail::kSha1MaxLanes;
    const auto chains = detail::Sha1Selected().pbkdf2Chains;
    for (std::uint32_t first = 1; outLength > 0;) {
        const std::size_t wanted = (outLength + kSha1DigestBytes - 1) / kSha1DigestBytes;
        const std::size_t lanes = std::min(wanted, kLanes);
        std::uint32_t u[kLanes][5] = {};
        std::uint32_t sums[kLanes][5] = {};
        if (iterations > 0) {
            for (std::size_t j = 0; j < lanes; ++j) {
                HmacSha1Context u1 = salted;
                std::uint8_t index[4];
                StoreBigEndian(index, first + static_cast<std::uint32_t>(j));
                HmacSha1AddData(u1, index, sizeof index);
                std::uint8_t digest[kSha1DigestBytes];
                HmacSha1Finish(u1, digest, sizeof digest);
                for (int i = 0; i < 5; ++i)
                    u[j][i] = sums[j][i] = LoadBigEndian(digest + 4 * i);
            }
            chains(inner, outer, u, sums, lanes, iterations - 1);
        }
        for (std::size_t j = 0; j < lanes; ++j) {
            std::uint8_t block[kSha1DigestBytes];
            StoreState(block, sums[j]);
            const std::size_t n = std::min(outLength, kSha1DigestBytes);
            std::memcpy(out, block, n);
            out += n;
            outLength -= n;
        }
        first += static_cast<std::uint32_t>(lanes);
    }
}

}  // namespace quillory
