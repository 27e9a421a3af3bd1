// CRC-32: the table's lifetime, the portable slicing-by-16 loop and the choice between
// it and the carry-less-multiply path. Slicing-by-16 handles 16 bytes per step with 16
// tables, table k giving the CRC of a byte followed by k zero bytes.
#include <bit>
#include <cstring>
#include <new>

#include "common/checksums.h"

namespace quillory {
namespace {

constexpr std::uint32_t kCrc32Polynomial = 0xEDB88320;  // reflected form
constexpr int kSlices = 16;

struct Crc32Tables {
    std::uint32_t slice[kSlices][256];
    std::uint32_t zeroPowers[64];  // x^(8 * 2^k) mod G, reflected
};

Crc32Tables* g_tables = nullptr;

std::uint32_t MultiplyModG(std::uint32_t a, std::uint32_t b);

void FillTables(Crc32Tables& t) {
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? kCrc32Polynomial ^ (c >> 1) : c >> 1;
        t.slice[0][n] = c;
    }
    for (int s = 1; s < kSlices; ++s) {
        for (int n = 0; n < 256; ++n) {
            const std::uint32_t prev = t.slice[s - 1][n];
            t.slice[s][n] = (prev >> 8) ^ t.slice[0][prev & 0xFF];
        }
    }
    // Bit 31 holds x^0, so x^8 is bit 23; each further power is the square of the last.
    t.zeroPowers[0] = 1u << (31 - 8);
    for (int k = 1; k < 64; ++k)
        t.zeroPowers[k] = MultiplyModG(t.zeroPowers[k - 1], t.zeroPowers[k - 1]);
}

const Crc32Tables* EnsureTables() {
    if (g_tables == nullptr) {
        g_tables = new (std::nothrow) Crc32Tables;
        if (g_tables != nullptr) FillTables(*g_tables);
    }
    return g_tables;
}

std::uint32_t Load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    return v;
}

// One 16-byte step of the slicing loop. Only the first four bytes meet the register; the
// other twelve index their tables straight from memory, which saves the shifts.
inline std::uint32_t Step16(const std::uint32_t (&s)[kSlices][256], std::uint32_t c,
                            const std::uint8_t* p) {
    const std::uint32_t a = Load32(p) ^ c;
    return s[15][a & 0xFF] ^ s[14][(a >> 8) & 0xFF] ^ s[13][(a >> 16) & 0xFF] ^ s[12][a >> 24] ^
           s[11][p[4]] ^ s[10][p[5]] ^ s[9][p[6]] ^ s[8][p[7]] ^ s[7][p[8]] ^ s[6][p[9]] ^
           s[5][p[10]] ^ s[4][p[11]] ^ s[3][p[12]] ^ s[2][p[13]] ^ s[1][p[14]] ^ s[0][p[15]];
}

// a(x) * b(x) mod G in the reflected representation (bit 31 holds x^0).
std::uint32_t MultiplyModG(std::uint32_t a, std::uint32_t b) {
    std::uint32_t product = 0;
    for (std::uint32_t bit = 1u << 31; bit != 0; bit >>= 1) {
        if (a & bit) product ^= b;
        b = (b & 1) ? (b >> 1) ^ kCrc32Polynomial : b >> 1;  // b *= x
    }
    return product;
}

// x^(8 * bytes) mod G: the factor that moves a CRC register past that many zero bytes,
// from the table's powers x^(8 * 2^k).
std::uint32_t ShiftFactor(const Crc32Tables& t, std::uint64_t bytes) {
    std::uint32_t factor = 1u << 31;  // the polynomial 1
    for (int k = 0; bytes != 0; ++k, bytes >>= 1) {
        if (bytes & 1) factor = MultiplyModG(factor, t.zeroPowers[k]);
    }
    return factor;
}

// Below this size one chain of look-ups is as fast as two.
constexpr std::size_t kTwoStreamMinimum = 2048;

// The CRC register is linear: the register after A followed by B equals the register
// after A moved past |B| zero bytes, XOR the register of B alone started from 0. Large
// inputs are therefore cut in two halves whose look-up chains run side by side.
std::uint32_t SlicingBy16(const Crc32Tables& t, std::uint32_t c, const std::uint8_t* p,
                          std::size_t n) {
    const auto& s = t.slice;
    if (n >= kTwoStreamMinimum) {
        const std::size_t half = n / 2 / 16 * 16;
        const std::uint8_t* q = p + half;
        std::uint32_t c2 = 0;
        for (std::size_t done = 0; done < half; done += 16) {
            c = Step16(s, c, p + done);
            c2 = Step16(s, c2, q + done);
        }
        c = MultiplyModG(c, ShiftFactor(t, half)) ^ c2;
        p += 2 * half;
        n -= 2 * half;
    }
    for (; n >= 16; n -= 16, p += 16)
        c = Step16(s, c, p);
    while (n-- > 0)
        c = s[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
    return c;
}

// Without a table (allocation failed) the definition is computed bit by bit.
std::uint32_t Bitwise(std::uint32_t c, const std::uint8_t* p, std::size_t n) {
    while (n-- > 0) {
        c ^= *p++;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? kCrc32Polynomial ^ (c >> 1) : c >> 1;
    }
    return c;
}

// Below this many bytes the table loop wins over setting up the vector registers.
constexpr std::size_t kCarrylessMinimum = 64;

}  // namespace

namespace detail {

std::uint32_t Crc32RawPortable(std::uint32_t raw, const std::uint8_t* p, std::size_t n) {
    const Crc32Tables* t = EnsureTables();
    return t != nullptr ? SlicingBy16(*t, raw, p, n) : Bitwise(raw, p, n);
}

std::uint32_t Crc32RawBytewise(std::uint32_t raw, const std::uint8_t* p, std::size_t n) {
    const Crc32Tables* t = EnsureTables();
    if (t == nullptr) return Bitwise(raw, p, n);
    while (n-- > 0)
        raw = t->slice[0][(raw ^ *p++) & 0xFF] ^ (raw >> 8);
    return raw;
}

}  // namespace detail

std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t length) {
    if (data == nullptr) return 0;
    static const detail::Crc32RawFunction fast = detail::Crc32RawCarrylessMultiply();
    const auto* p = static_cast<const std::uint8_t*>(data);
    const std::uint32_t raw = ~crc;
    if (fast != nullptr && length >= kCarrylessMinimum) return ~fast(raw, p, length);
    return ~detail::Crc32RawPortable(raw, p, length);
}

const std::uint32_t* Crc32Table() {
    const Crc32Tables* t = EnsureTables();
    return t != nullptr ? t->slice[0] : nullptr;
}

void Crc32Release() {
    delete g_tables;
    g_tables = nullptr;
}

}  // namespace quillory
