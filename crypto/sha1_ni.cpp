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
};

template <int K>
QUILLORY_SHA_TARGET inline void Group(Registers& r, __m128i e, const std::uint8_t* block,
                                      __m128i reverseBytes) {
    constexpr int slot = K % 4;
    if constexpr (K < 4) {
        const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * K));
        r.w[slot] = _mm_shuffle_epi8(words, reverseBytes);  // big-endian words, W[4k] on top
    } else {
        // W[t] = rol1(W[t-3] ^ W[t-8] ^ W[t-14] ^ W[t-16]) for four words at once.
        const __m128i partial = _mm_sha1msg1_epu32(r.w[slot], r.w[(K + 1) % 4]);
        r.w[slot] = _mm_sha1msg2_epu32(_mm_xor_si128(partial, r.w[(K + 2) % 4]), r.w[(K + 3) % 4]);
    }
    // E for this group: the state's E at first, then rol30 of A as the group before began.
    const __m128i eAndWords =
        K == 0 ? _mm_add_epi32(e, r.w[slot]) : _mm_sha1nexte_epu32(r.previous, r.w[slot]);
    r.previous = r.abcd;
    r.abcd = _mm_sha1rnds4_epu32(r.abcd, eAndWords, K / 5);
}

template <int... K>
QUILLORY_SHA_TARGET inline void AllGroups(Registers& r, __m128i e, const std::uint8_t* block,
                                          __m128i reverseBytes, std::integer_sequence<int, K...>) {
    (Group<K>(r, e, block, reverseBytes), ...);
}

QUILLORY_SHA_TARGET void BlocksNi(std::uint32_t state[5], const std::uint8_t* data,
                                  std::size_t blocks) {
    const __m128i reverseBytes = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)),
                                     0x1B);  // reverse the lanes: A on top
    __m128i e = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    for (; blocks > 0; --blocks, data += kSha1BlockBytes) {
        Registers r;
        r.abcd = abcd;
        AllGroups(r, e, data, reverseBytes, std::make_integer_sequence<int, kGroups>{});
        e = _mm_sha1nexte_epu32(r.previous, e);  // new E = old E + rol30(A four steps back)
        abcd = _mm_add_epi32(r.abcd, abcd);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e, 3));
}

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

Sha1BlocksFunction Sha1BlocksHardware() {
    static const bool present = CpuHasSha();
    return present ? BlocksNi : nullptr;
}

#else

Sha1BlocksFunction Sha1BlocksHardware() {
    return nullptr;
}

#endif

}  // namespace quillory::detail
