// CRC-32 by folding with carry-less multiplication (x86-64 PCLMULQDQ, and VPCLMULQDQ on
// 256-bit registers where the CPU has it), chosen at run time. The data is folded into
// 128-bit accumulators: an accumulator A standing D bits before the next data becomes
// A.lo * (x^(D+32) mod G) + A.hi * (x^(D-32) mod G), which has the same remainder. At the
// end the 128-bit value is reduced to 32 bits and a Barrett reduction gives the CRC.
// Everything is in the reflected bit order of the ZIP CRC.
#include "common/checksums.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace quillory::detail {

#if defined(__x86_64__)
namespace {

constexpr std::uint64_t kGenerator = 0x104C11DB7;  // G(x), the CRC-32 polynomial with x^32

constexpr std::uint64_t Reflect(std::uint64_t v, int bits) {
    std::uint64_t r = 0;
    for (int i = 0; i < bits; ++i)
        r |= ((v >> i) & 1) << (bits - 1 - i);
    return r;
}

// x^n mod G, reflected and shifted left by one as the folding steps need it.
constexpr std::uint64_t FoldConstant(int n) {
    std::uint64_t r = 1;
    for (int i = 0; i < n; ++i) {
        r <<= 1;
        if (r & (std::uint64_t{1} << 32)) r ^= kGenerator;
    }
    return Reflect(r, 32) << 1;
}

// floor(x^64 / G), the Barrett constant, reflected over 33 bits.
constexpr std::uint64_t BarrettQuotient() {
    std::uint64_t remainder = 0;
    std::uint64_t quotient = 0;
    for (int bit = 64; bit >= 0; --bit) {
        remainder = (remainder << 1) | (bit == 64 ? 1 : 0);
        quotient <<= 1;
        if (remainder & (std::uint64_t{1} << 32)) {
            remainder ^= kGenerator;
            quotient |= 1;
        }
    }
    return Reflect(quotient, 33);
}

constexpr std::uint64_t kFold512Lo = FoldConstant(512 + 32);
constexpr std::uint64_t kFold512Hi = FoldConstant(512 - 32);
constexpr std::uint64_t kFold128Lo = FoldConstant(128 + 32);
constexpr std::uint64_t kFold128Hi = FoldConstant(128 - 32);
constexpr std::uint64_t kFold256Lo = FoldConstant(256 + 32);
constexpr std::uint64_t kFold256Hi = FoldConstant(256 - 32);
constexpr std::uint64_t kFold1024Lo = FoldConstant(1024 + 32);
constexpr std::uint64_t kFold1024Hi = FoldConstant(1024 - 32);
constexpr std::uint64_t kReduce64 = FoldConstant(64);
constexpr std::uint64_t kBarrettMu = BarrettQuotient();
constexpr std::uint64_t kBarrettPoly = Reflect(kGenerator, 33);

// The published values of the widely used folding constants.
static_assert(kFold512Lo == 0x154442BD4 && kFold512Hi == 0x1C6E41596);
static_assert(kFold128Lo == 0x1751997D0 && kFold128Hi == 0x0CCAA009E);
static_assert(kReduce64 == 0x163CD6124);
static_assert(kBarrettMu == 0x1F7011641 && kBarrettPoly == 0x1DB710641);

#define QUILLORY_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))
#define QUILLORY_VCLMUL_TARGET __attribute__((target("vpclmulqdq,pclmul,avx2,sse4.1")))

QUILLORY_CLMUL_TARGET inline __m128i Fold128(__m128i a, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11));
}

QUILLORY_CLMUL_TARGET inline __m128i Load128(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// 128 bits to the raw 32-bit CRC register.
QUILLORY_CLMUL_TARGET std::uint32_t Reduce128(__m128i x) {
    const __m128i mask32 = _mm_set_epi32(0, 0, 0, -1);
    const __m128i k128 =
        _mm_set_epi64x(static_cast<long long>(kFold128Hi), static_cast<long long>(kFold128Lo));
    // 128 -> 96 bits: the low half moves up by 64.
    x = _mm_xor_si128(_mm_clmulepi64_si128(x, k128, 0x10), _mm_srli_si128(x, 8));
    // 96 -> 64 bits.
    const __m128i k64 = _mm_set_epi64x(0, static_cast<long long>(kReduce64));
    x = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x, mask32), k64, 0x00),
                      _mm_srli_si128(x, 4));
    // Barrett reduction to 32 bits.
    const __m128i barrett =
        _mm_set_epi64x(static_cast<long long>(kBarrettMu), static_cast<long long>(kBarrettPoly));
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x, mask32), barrett, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, mask32), barrett, 0x00);
    return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(t, x), 1));
}

// Folds whole 16-byte blocks into x, then reduces and finishes the tail with the table.
QUILLORY_CLMUL_TARGET std::uint32_t FinishFrom128(__m128i x, const std::uint8_t* p, std::size_t n) {
    const __m128i k128 =
        _mm_set_epi64x(static_cast<long long>(kFold128Hi), static_cast<long long>(kFold128Lo));
    while (n >= 16) {
        x = _mm_xor_si128(Fold128(x, k128), Load128(p));
        p += 16;
        n -= 16;
    }
    return Crc32RawPortable(Reduce128(x), p, n);
}

// Four 128-bit accumulators, 64 bytes per step. Needs n >= 64.
QUILLORY_CLMUL_TARGET std::uint32_t Crc32Clmul(std::uint32_t raw, const std::uint8_t* p,
                                               std::size_t n) {
    __m128i x0 = _mm_xor_si128(Load128(p), _mm_cvtsi32_si128(static_cast<int>(raw)));
    __m128i x1 = Load128(p + 16);
    __m128i x2 = Load128(p + 32);
    __m128i x3 = Load128(p + 48);
    p += 64;
    n -= 64;
    const __m128i k512 =
        _mm_set_epi64x(static_cast<long long>(kFold512Hi), static_cast<long long>(kFold512Lo));
    while (n >= 64) {
        x0 = _mm_xor_si128(Fold128(x0, k512), Load128(p));
        x1 = _mm_xor_si128(Fold128(x1, k512), Load128(p + 16));
        x2 = _mm_xor_si128(Fold128(x2, k512), Load128(p + 32));
        x3 = _mm_xor_si128(Fold128(x3, k512), Load128(p + 48));
        p += 64;
        n -= 64;
    }
    const __m128i k128 =
        _mm_set_epi64x(static_cast<long long>(kFold128Hi), static_cast<long long>(kFold128Lo));
    x1 = _mm_xor_si128(x1, Fold128(x0, k128));
    x2 = _mm_xor_si128(x2, Fold128(x1, k128));
    x3 = _mm_xor_si128(x3, Fold128(x2, k128));
    return FinishFrom128(x3, p, n);
}

QUILLORY_VCLMUL_TARGET inline __m256i Fold256(__m256i a, __m256i k) {
    return _mm256_xor_si256(_mm256_clmulepi64_epi128(a, k, 0x00),
                            _mm256_clmulepi64_epi128(a, k, 0x11));
}

QUILLORY_VCLMUL_TARGET inline __m256i Load256(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

QUILLORY_VCLMUL_TARGET inline __m256i Constants256(std::uint64_t lo, std::uint64_t hi) {
    return _mm256_set_epi64x(static_cast<long long>(hi), static_cast<long long>(lo),
                             static_cast<long long>(hi), static_cast<long long>(lo));
}

// Four 256-bit accumulators (eight 128-bit lanes), 128 bytes per step. Needs n >= 256.
QUILLORY_VCLMUL_TARGET std::uint32_t Crc32Vclmul(std::uint32_t raw, const std::uint8_t* p,
                                                 std::size_t n) {
    __m256i y0 =
        _mm256_xor_si256(Load256(p), _mm256_set_epi32(0, 0, 0, 0, 0, 0, 0, static_cast<int>(raw)));
    __m256i y1 = Load256(p + 32);
    __m256i y2 = Load256(p + 64);
    __m256i y3 = Load256(p + 96);
    p += 128;
    n -= 128;
    const __m256i k1024 = Constants256(kFold1024Lo, kFold1024Hi);
    while (n >= 128) {
        y0 = _mm256_xor_si256(Fold256(y0, k1024), Load256(p));
        y1 = _mm256_xor_si256(Fold256(y1, k1024), Load256(p + 32));
        y2 = _mm256_xor_si256(Fold256(y2, k1024), Load256(p + 64));
        y3 = _mm256_xor_si256(Fold256(y3, k1024), Load256(p + 96));
        p += 128;
        n -= 128;
    }
    const __m256i k256 = Constants256(kFold256Lo, kFold256Hi);
    y1 = _mm256_xor_si256(y1, Fold256(y0, k256));
    y2 = _mm256_xor_si256(y2, Fold256(y1, k256));
    y3 = _mm256_xor_si256(y3, Fold256(y2, k256));
    while (n >= 32) {
        y3 = _mm256_xor_si256(Fold256(y3, k256), Load256(p));
        p += 32;
        n -= 32;
    }
    // The lower lane holds the earlier data: fold it onto the upper one.
    const __m128i k128 =
        _mm_set_epi64x(static_cast<long long>(kFold128Hi), static_cast<long long>(kFold128Lo));
    const __m128i x =
        _mm_xor_si128(Fold128(_mm256_castsi256_si128(y3), k128), _mm256_extracti128_si256(y3, 1));
    return FinishFrom128(x, p, n);
}

std::uint32_t Crc32Dispatch(std::uint32_t raw, const std::uint8_t* p, std::size_t n) {
    static const bool wide = __builtin_cpu_supports("vpclmulqdq") && __builtin_cpu_supports("avx2");
    if (wide && n >= 256) return Crc32Vclmul(raw, p, n);
    return Crc32Clmul(raw, p, n);
}

}  // namespace

Crc32RawFunction Crc32RawCarrylessMultiply() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1")) return Crc32Dispatch;
    return nullptr;
}

#else

Crc32RawFunction Crc32RawCarrylessMultiply() {
    return nullptr;
}

#endif

}  // namespace quillory::detail
