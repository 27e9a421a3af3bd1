// AES with the x86-64 AES-NI instructions, chosen at run time. The round keys of the
// portable schedule are already in the byte order the instructions take, so both paths
// share one key expansion. Counter mode runs eight blocks at a time to keep the AES
// unit busy while each round waits for the one before.
#include "crypto/aes.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace quillory::detail {

#if defined(__x86_64__)
namespace {

#define QUILLORY_AESNI_TARGET __attribute__((target("aes,sse2")))

// Blocks in flight in counter mode: enough to cover the instruction's latency at the
// rate the CPU issues it.
constexpr std::size_t kLanes = 8;

template <unsigned Rounds>
struct RoundKeys {
    __m128i k[Rounds + 1];

    QUILLORY_AESNI_TARGET explicit RoundKeys(const AesKeySchedule& s) {
        for (unsigned r = 0; r <= Rounds; ++r) {
            k[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.roundKeys + 4 * r));
        }
    }
};

template <unsigned Rounds, std::size_t Lanes>
QUILLORY_AESNI_TARGET inline void EncryptLanes(const RoundKeys<Rounds>& rk, __m128i (&b)[Lanes]) {
#pragma GCC unroll 8
    for (std::size_t j = 0; j < Lanes; ++j)
        b[j] = _mm_xor_si128(b[j], rk.k[0]);
#pragma GCC unroll 14
    for (unsigned r = 1; r < Rounds; ++r) {
#pragma GCC unroll 8
        for (std::size_t j = 0; j < Lanes; ++j)
            b[j] = _mm_aesenc_si128(b[j], rk.k[r]);
    }
#pragma GCC unroll 8
    for (std::size_t j = 0; j < Lanes; ++j)
        b[j] = _mm_aesenclast_si128(b[j], rk.k[Rounds]);
}

template <unsigned Rounds>
QUILLORY_AESNI_TARGET void EncryptBlockNi(const AesKeySchedule& s, const std::uint8_t in[16],
                                          std::uint8_t out[16]) {
    const RoundKeys<Rounds> rk(s);
    __m128i b[1] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(in))};
    EncryptLanes(rk, b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), b[0]);
}

QUILLORY_AESNI_TARGET inline void XorInto(std::uint8_t* data, __m128i keystream) {
    auto* p = reinterpret_cast<__m128i*>(data);
    _mm_storeu_si128(p, _mm_xor_si128(_mm_loadu_si128(p), keystream));
}

template <unsigned Rounds>
QUILLORY_AESNI_TARGET void CtrNi(const AesKeySchedule& s, std::uint8_t counter[16],
                                 std::uint8_t keystream[16], std::uint8_t* data,
                                 std::size_t blocks) {
    const RoundKeys<Rounds> rk(s);
    // The counter is the low 64-bit lane of the block, little-endian, so a 64-bit vector
    // add with 1 in the low lane is the increment with its carries.
    const __m128i one = _mm_set_epi64x(0, 1);
    __m128i ctr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(counter));
    __m128i last = _mm_setzero_si128();
    for (; blocks >= kLanes; blocks -= kLanes, data += kLanes * kAesBlockBytes) {
        __m128i b[kLanes];
#pragma GCC unroll 8
        for (std::size_t j = 0; j < kLanes; ++j)
            b[j] = ctr = _mm_add_epi64(ctr, one);
        EncryptLanes(rk, b);
#pragma GCC unroll 8
        for (std::size_t j = 0; j < kLanes; ++j)
            XorInto(data + j * kAesBlockBytes, b[j]);
        last = b[kLanes - 1];
    }
    for (; blocks > 0; --blocks, data += kAesBlockBytes) {
        __m128i b[1] = {ctr = _mm_add_epi64(ctr, one)};
        EncryptLanes(rk, b);
        XorInto(data, b[0]);
        last = b[0];
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(counter), ctr);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(keystream), last);
}

void Block(const AesKeySchedule& s, const std::uint8_t in[16], std::uint8_t out[16]) {
    WithRounds(s.rounds, [&](auto r) { EncryptBlockNi<decltype(r)::value>(s, in, out); });
}

void Ctr(const AesKeySchedule& s, std::uint8_t counter[16], std::uint8_t keystream[16],
         std::uint8_t* data, std::size_t blocks) {
    WithRounds(s.rounds,
               [&](auto r) { CtrNi<decltype(r)::value>(s, counter, keystream, data, blocks); });
}

constexpr AesPath kHardwarePath = {Block, Ctr};

}  // namespace

const AesPath* AesHardwarePath() {
    static const bool present = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("aes") != 0;
    }();
    return present ? &kHardwarePath : nullptr;
}

#else

const AesPath* AesHardwarePath() {
    return nullptr;
}

#endif

}  // namespace quillory::detail
