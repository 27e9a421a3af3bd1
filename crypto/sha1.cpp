// SHA-1: buffering, padding and the portable compression (80 steps over a rolling
// sixteen-word message schedule, fully unrolled), and the choice of compression.
#include "crypto/sha1.h"

#include <atomic>
#include <bit>
#include <cstring>

namespace quillory {
namespace {

constexpr std::uint32_t kInitialState[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                            0xC3D2E1F0};
// The step constants of the four groups of twenty steps.
constexpr std::uint32_t kK0 = 0x5A827999, kK1 = 0x6ED9EBA1, kK2 = 0x8F1BBCDC, kK3 = 0xCA62C1D6;
// The padding needs 1 byte (0x80) and 8 length bytes after the data.
constexpr std::size_t kLengthBytes = 8;
constexpr std::size_t kPadLimit = kSha1BlockBytes - kLengthBytes;

std::uint32_t LoadBigEndian(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

void StoreBigEndian(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

void CompressPortable(std::uint32_t state[5], const std::uint8_t* block) {
    std::uint32_t w[16];
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
#pragma GCC unroll 80
    for (int t = 0; t < 80; ++t) {
        std::uint32_t m;
        if (t < 16) {
            m = w[t] = LoadBigEndian(block + 4 * t);
        } else {
            m = w[t & 15] =
                std::rotl(w[(t - 3) & 15] ^ w[(t - 8) & 15] ^ w[(t - 14) & 15] ^ w[t & 15], 1);
        }
        std::uint32_t f;
        if (t < 20) {
            f = (d ^ (b & (c ^ d))) + kK0;  // choose
        } else if (t < 40) {
            f = (b ^ c ^ d) + kK1;  // parity
        } else if (t < 60) {
            f = ((b & c) | (d & (b | c))) + kK2;  // majority
        } else {
            f = (b ^ c ^ d) + kK3;
        }
        const std::uint32_t next = std::rotl(a, 5) + f + e + m;
        e = d;
        d = c;
        c = std::rotl(b, 30);
        b = a;
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

void CompressBlocksPortable(std::uint32_t state[5], const std::uint8_t* data, std::size_t blocks) {
    for (; blocks > 0; --blocks, data += kSha1BlockBytes)
        CompressPortable(state, data);
}

// The message of one HMAC step hashes 20 bytes after a pad block: the digest, the 0x80
// mark, zeros, and the length of 64 + 20 bytes in bits.
constexpr std::uint32_t kChainMessageBits = (kSha1BlockBytes + kSha1DigestBytes) * 8;

void StoreWords(std::uint8_t* block, const std::uint32_t (&words)[5]) {
    for (int i = 0; i < 5; ++i)
        StoreBigEndian(block + 4 * i, words[i]);
}

void Pbkdf2ChainsPortable(const std::uint32_t inner[5], const std::uint32_t outer[5],
                          std::uint32_t (*u)[5], std::uint32_t (*sums)[5], std::size_t lanes,
                          unsigned steps) {
    for (std::size_t j = 0; j < lanes; ++j) {
        std::uint8_t block[kSha1BlockBytes] = {};
        block[kSha1DigestBytes] = 0x80;
        StoreBigEndian(block + kSha1BlockBytes - 4, kChainMessageBits);
        for (unsigned step = 0; step < steps; ++step) {
            StoreWords(block, u[j]);
            std::uint32_t state[5];
            std::memcpy(state, inner, sizeof state);
            CompressPortable(state, block);
            StoreWords(block, state);  // the inner digest
            std::memcpy(state, outer, sizeof state);
            CompressPortable(state, block);
            for (int i = 0; i < 5; ++i) {
                u[j][i] = state[i];
                sums[j][i] ^= state[i];
            }
        }
    }
}

constexpr detail::Sha1Path kPortablePath = {CompressBlocksPortable, Pbkdf2ChainsPortable};

// Read by every worker that decodes an encrypted member; the first to look chooses.
std::atomic<const detail::Sha1Path*> g_selected{nullptr};

}  // namespace

namespace detail {

const Sha1Path& Sha1PortablePath() {
    return kPortablePath;
}

const Sha1Path& Sha1Selected() {
    const Sha1Path* selected = g_selected.load(std::memory_order_acquire);
    if (selected == nullptr) {
        const Sha1Path* hardware = Sha1HardwarePath();
        selected = hardware != nullptr ? hardware : &kPortablePath;
        g_selected.store(selected, std::memory_order_release);
    }
    return *selected;
}

void SelectSha1Path(const Sha1Path* path) {
    g_selected.store(path, std::memory_order_release);
}

}  // namespace detail

void Sha1Init(Sha1Context& context) {
    context.countLow = 0;
    context.countHigh = 0;
    std::memcpy(context.state, kInitialState, sizeof kInitialState);
}

void Sha1Add(Sha1Context& context, const std::uint8_t* data, std::size_t length) {
    if (length == 0) return;
    const std::size_t used = context.countLow % kSha1BlockBytes;
    const std::uint64_t count =
        (static_cast<std::uint64_t>(context.countHigh) << 32 | context.countLow) + length;
    context.countLow = static_cast<std::uint32_t>(count);
    context.countHigh = static_cast<std::uint32_t>(count >> 32);

    const auto compress = detail::Sha1Selected().compressBlocks;
    if (used != 0) {
        const std::size_t room = kSha1BlockBytes - used;
        if (length < room) {
            std::memcpy(context.buffer + used, data, length);
            return;
        }
        std::memcpy(context.buffer + used, data, room);
        compress(context.state, context.buffer, 1);
        data += room;
        length -= room;
    }
    // Whole blocks straight from the caller's data: the same result as passing each
    // through the buffer, without the copy.
    const std::size_t blocks = length / kSha1BlockBytes;
    if (blocks > 0) compress(context.state, data, blocks);
    std::memcpy(context.buffer, data + blocks * kSha1BlockBytes, length % kSha1BlockBytes);
}

void Sha1Finish(Sha1Context& context, std::uint8_t digest[20]) {
    const std::uint64_t bits =
        (static_cast<std::uint64_t>(context.countHigh) << 32 | context.countLow) * 8;
    std::size_t used = context.countLow % kSha1BlockBytes;
    const auto compress = detail::Sha1Selected().compressBlocks;
    context.buffer[used++] = 0x80;
    if (used > kPadLimit) {  // no room for the length: it goes into an extra block
        std::memset(context.buffer + used, 0, kSha1BlockBytes - used);
        compress(context.state, context.buffer, 1);
        used = 0;
    }
    std::memset(context.buffer + used, 0, kPadLimit - used);
    StoreBigEndian(context.buffer + kPadLimit, static_cast<std::uint32_t>(bits >> 32));
    StoreBigEndian(context.buffer + kPadLimit + 4, static_cast<std::uint32_t>(bits));
    compress(context.state, context.buffer, 1);
    for (int i = 0; i < 5; ++i)
        StoreBigEndian(digest + 4 * i, context.state[i]);
}

void Sha1Transform(std::uint32_t state[5], const std::uint8_t block[64]) {
    detail::Sha1Selected().compressBlocks(state, block, 1);
}

}  // namespace quillory
