// The SHA-1 compression with the x86-64 SHA instructions, chosen at run time. Each
// instruction does four of the 80 steps; the message schedule is extended four words at
// a time with the two message instructions. Registers hold words with the earliest in
// the top lane, as the instructions expect: A (or W[4k]) in lane 3, D (or W[4k+3]) in 0.
#include "crypto/sha1.h"

#include <utility>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace quillory::detail {

#if defined(__x86_64__)
namespace {

#define QUILLORY_SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))

// Twenty groups of four steps; group k uses the step function of its fifth, k / 5.
constexpr int kGroups = 20;

struct Registers {
    __m128i abcd;
    __m128i previous;  // abcd before the last group: its A gives the next group's E
    __m128i w[4];      // W[4k..4k+3] of the last four groups, in slot k % 4
    __m128i e;         // the state's E as the block began
};

// Group K of every lane; the lanes' instructions interleave, so one lane's work fills
// the latency of another's. Blocks null: the first sixteen words are already in w.
template <int K, std::size_t Lanes>
QUILLORY_SHA_TARGET inline void Group(Registers (&r)[Lanes], const std::uint8_t* const* blocks,
                                      __m128i reverseBytes) {
    constexpr int slot = K % 4;
#pragma GCC unroll 4
    for (std::size_t j = 0; j < Lanes; ++j) {
        if constexpr (K < 4) {
            if (blocks != nullptr) {
                const __m128i words =
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks[j] + 16 * K));
                r[j].w[slot] = _mm_shuffle_epi8(words, reverseBytes);  // big-endian, W[4k] on top
            }
        } else {
            // W[t] = rol1(W[t-3] ^ W[t-8] ^ W[t-14] ^ W[t-16]) for four words at once.
            const __m128i partial = _mm_sha1msg1_epu32(r[j].w[slot], r[j].w[(K + 1) % 4]);
            r[j].w[slot] = _mm_sha1msg2_epu32(_mm_xor_si128(partial, r[j].w[(K + 2) % 4]),
                                              r[j].w[(K + 3) % 4]);
        }
        // E for this group: the state's E at first, then rol30 of A as the group before
        // began.
        const __m128i eAndWords = K == 0 ? _mm_add_epi32(r[j].e, r[j].w[slot])
                                         : _mm_sha1nexte_epu32(r[j].previous, r[j].w[slot]);
        r[j].previous = r[j].abcd;
        r[j].abcd = _mm_sha1rnds4_epu32(r[j].abcd, eAndWords, K / 5);
    }
}

// One block into each lane's abcd and e.
template <std::size_t Lanes, int... K>
QUILLORY_SHA_TARGET inline void Compress(Registers (&r)[Lanes], const std::uint8_t* const* blocks,
                                         std::integer_sequence<int, K...>) {
    const __m128i reverseBytes = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    __m128i start[Lanes];
    for (std::size_t j = 0; j < Lanes; ++j)
        start[j] = r[j].abcd;
    (Group<K>(r, blocks, reverseBytes), ...);
    for (std::size_t j = 0; j < Lanes; ++j) {
        r[j].e = _mm_sha1nexte_epu32(r[j].previous, r[j].e);  // E + rol30(A four steps back)
        r[j].abcd = _mm_add_epi32(r[j].abcd, start[j]);
    }
}

QUILLORY_SHA_TARGET inline void Load(Registers& r, const std::uint32_t state[5]) {
    const __m128i abcd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
    r.abcd = _mm_shuffle_epi32(abcd, 0x1B);  // reverse the lanes: A on top
    r.e = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
}

QUILLORY_SHA_TARGET inline void Store(const Registers& r, std::uint32_t state[5]) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(r.abcd, 0x1B));
    state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(r.e, 3));
}

QUILLORY_SHA_TARGET void CompressBlocksNi(std::uint32_t state[5], const std::uint8_t* data,
                                          std::size_t blocks) {
    Registers r[1];
    Load(r[0], state);
    for (; blocks > 0; --blocks, data += kSha1BlockBytes) {
        Compress(r, &data, std::make_integer_sequence<int, kGroups>{});
    }
    Store(r[0], state);
}

// PBKDF2's chains in registers: a 20-byte message after a pad block is the digest's
// abcd as W[0..3] and its e as W[4] (already in the top lane, the other lanes zero),
// then the 0x80 mark, zeros and the length, so one compression's state becomes the next
// one's message without a store, a load or a byte swap.
template <std::size_t Lanes>
QUILLORY_SHA_TARGET void ChainsNi(const std::uint32_t inner[5], const std::uint32_t outer[5],
                                  std::uint32_t (*u)[5], std::uint32_t (*sums)[5], unsigned steps) {
    constexpr int kMessageBits = (kSha1BlockBytes + kSha1DigestBytes) * 8;
    const __m128i mark = _mm_set_epi32(0, static_cast<int>(0x80000000u), 0, 0);  // W[5]
    const __m128i length = _mm_set_epi32(0, 0, 0, kMessageBits);                 // W[15]
    Registers innerStart, outerStart;
    Load(innerStart, inner);
    Load(outerStart, outer);
    Registers r[Lanes], sum[Lanes];
    for (std::size_t j = 0; j < Lanes; ++j) {
        Load(r[j], u[j]);
        Load(sum[j], sums[j]);
    }
    const auto start = [&](Registers& lane, const Registers& pad) {
        lane.w[0] = lane.abcd;
        lane.w[1] = _mm_or_si128(lane.e, mark);
        lane.w[2] = _mm_setzero_si128();
        lane.w[3] = length;
        lane.abcd = pad.abcd;
        lane.e = pad.e;
    };
    for (unsigned step = 0; step < steps; ++step) {
        for (std::size_t j = 0; j < Lanes; ++j)
            start(r[j], innerStart);
        Compress(r, nullptr, std::make_integer_sequence<int, kGroups>{});
        for (std::size_t j = 0; j < Lanes; ++j)
            start(r[j], outerStart);
        Compress(r, nullptr, std::make_integer_sequence<int, kGroups>{});
        for (std::size_t j = 0; j < Lanes; ++j) {
            sum[j].abcd = _mm_xor_si128(sum[j].abcd, r[j].abcd);
            sum[j].e = _mm_xor_si128(sum[j].e, r[j].e);
        }
    }
    for (std::size_t j = 0; j < Lanes; ++j) {
        Store(r[j], u[j]);
        Store(sum[j], sums[j]);
    }
}

void Pbkdf2ChainsNi(const std::uint32_t inner[5], const std::uint32_t outer[5],
                    std::uint32_t (*u)[5], std::uint32_t (*sums)[5], std::size_t lanes,
                    unsigned steps) {
    static_assert(kSha1MaxLanes == 4);
    switch (lanes) {
        case 0:
            return;
        case 1:
            return ChainsNi<1>(inner, outer, u, sums, steps);
        case 2:
            return ChainsNi<2>(inner, outer, u, sums, steps);
        case 3:
            return ChainsNi<3>(inner, outer, u, sums, steps);
        default:
            return ChainsNi<4>(inner, outer, u, sums, steps);
    }
}

constexpr Sha1Path kHardwarePath = {CompressBlocksNi, Pbkdf2ChainsNi};

bool CpuHasSha() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("sse4.1") == 0 || __builtin_cpu_supports("ssse3") == 0) {
        return false;
    }
    unsigned a = 0, b = 0, c = 0, d = 0;
    constexpr unsigned kShaBit = 1u << 29;  // CPUID leaf 7, sub-leaf 0, EBX bit 29
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & kShaBit) != 0;
}

}  // namespace

const Sha1Path* Sha1HardwarePath() {
    static const bool present = CpuHasSha();
    return present ? &kHardwarePath : nullptr;
}

#else

const Sha1Path* Sha1HardwarePath() {
    return nullptr;
}

#endif

}  // namespace quillory::detail
