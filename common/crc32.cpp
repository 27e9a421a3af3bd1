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
};

Crc32Tables* g_tables = nullptr;

void FillTables(Crc32Tables& t) {
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? kCrc32Polynomial ^ (c >> 1) : c >> 1;
        t.slice[0][n] = c;
    }
    for (int s = 1; s < kSlices; ++s) {
        for (int n = 0; n < 256; ++n) {
            const std::uint32_t prev = t.slice[s - 1][n];
            t.slice[s][n] = (prev >> 8) ^ t.slice[0][prev & 0xFF];
        }
    }
}

const Crc32Tables* EnsureTables() {
    if (g_tables == nullptr) {
        g_tables = new (std::nothrow) Crc32Tables;
        if (g_tables != nullptr) FillTables(*g_tables);
    }
    return g_tables;
}

std::uint32_t Load32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t Load64(const std::uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    } else {
        return static_cast<std::uint64_t>(Load32(p)) | static_cast<std::uint64_t>(Load32(p + 4))
                                                            << 32;
    }
}

// One 16-byte step of the slicing loop.
inline std::uint32_t Step16(const std::uint32_t (&s)[kSlices][256], std::uint32_t c,
                            const std::uint8_t* p) {
    const std::uint64_t a = Load64(p) ^ c;
    const std::uint64_t b = Load64(p + 8);
    return s[15][a & 0xFF] ^ s[14][(a >> 8) & 0xFF] ^ s[13][(a >> 16) & 0xFF] ^
           s[12][(a >> 24) & 0xFF] ^ s[11][(a >> 32) & 0xFF] ^ s[10][(a >> 40) & 0xFF] ^
           s[9][(a >> 48) & 0xFF] ^ s[8][a >> 56] ^ s[7][b & 0xFF] ^ s[6][(b >> 8) & 0xFF] ^
           s[5][(b >> 16) & 0xFF] ^ s[4][(b >> 24) & 0xFF] ^ s[3][(b >> 32) & 0xFF] ^
           s[2][(b >> 40) & 0xFF] ^ s[1][(b >> 48) & 0xFF] ^ s[0][b >> 56];
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

// x^(8 * bytes) mod G: the factor that moves a CRC register past that many zero bytes.
std::uint32_t ShiftFactor(std::uint64_t bytes) {
    std::uint32_t factor = 1u << 31;        // 1
    std::uint32_t power = 1u << (31 - 8);  // x^8, then squared for each bit of bytes
    for (; bytes != 0; bytes >>= 1) {
        if (bytes & 1) factor = MultiplyModG(factor, power);
        power = MultiplyModG(power, power);
    }
    return factor;
}

// Below this size one chain of look-ups is as fast as several.
constexpr std::size_t kStreamedMinimum = 4 * 1024;
constexpr int kStreams = 4;

// The CRC register is linear: the register after A followed by B equals the register
// after A moved past |B| zero bytes, XOR the register of B alone started from 0. Large
// inputs are therefore cut into four streams whose look-up chains run side by side.
std::uint32_t SlicingBy16(const Crc32Tables& t, std::uint32_t c, const std::uint8_t* p,
                          std::size_t n) {
    const auto& s = t.slice;
    if (n >= kStreamedMinimum) {
        const std::size_t part = n / kStreams / 16 * 16;
        std::uint32_t streams[kStreams] = {c};
        for (std::size_t done = 0; done < part; done += 16) {
            for (int k = 0; k < kStreams; ++k) {
                streams[k] = Step16(s, streams[k], p + k * part + done);
            }
        }
        const std::uint32_t shift = ShiftFactor(part);
        c = streams[0];
        for (int k = 1; k < kStreams; ++k) c = MultiplyModG(c, shift) ^ streams[k];
        p += kStreams * part;
        n -= kStreams * part;
    }
    for (; n >= 16; n -= 16, p += 16) c = Step16(s, c, p);
    while (n-- > 0) c = s[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
    return c;
}

// Without a table (allocation failed) the definition is computed bit by bit.
std::uint32_t Bitwise(std::uint32_t c, const std::uint8_t* p, std::size_t n) {
    while (n-- > 0) {
        c ^= *p++;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? kCrc32Polynomial ^ (c >> 1) : c >> 1;
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
    while (n-- > 0) raw = t->slice[0][(raw ^ *p++) & 0xFF] ^ (raw >> 8);
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
