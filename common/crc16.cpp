// CRC-16/ARC of LZH, slicing-by-16: table k gives the CRC of a byte followed by k zero
// bytes, so 16 input bytes take 16 independent look-ups per step.
#include "common/checksums.h"

namespace quillory {
namespace {

constexpr std::uint16_t kCrc16Polynomial = 0xA001;  // reflected form of 0x8005
constexpr int kSlices = 16;

struct Crc16Tables {
    std::uint16_t slice[kSlices][256];
};

constexpr Crc16Tables BuildTables() {
    Crc16Tables t{};
    for (int n = 0; n < 256; ++n) {
        unsigned c = static_cast<unsigned>(n);
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ kCrc16Polynomial : c >> 1;
        t.slice[0][n] = static_cast<std::uint16_t>(c);
    }
    for (int s = 1; s < kSlices; ++s) {
        for (int n = 0; n < 256; ++n) {
            const unsigned prev = t.slice[s - 1][n];
            t.slice[s][n] = static_cast<std::uint16_t>((prev >> 8) ^ t.slice[0][prev & 0xFF]);
        }
    }
    return t;
}

// Filled at compile time; Crc16Init writes the same values again.
constinit Crc16Tables g_crc16 = BuildTables();

}  // namespace

void Crc16Init() {
    g_crc16 = BuildTables();
}

const std::uint16_t* Crc16Table() {
    return g_crc16.slice[0];
}

std::uint16_t Crc16Update(std::uint16_t crc, const void* data, std::size_t length) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    const auto& s = g_crc16.slice;
    unsigned c = crc;
    while (length >= 16) {
        const unsigned a = c ^ (p[0] | p[1] << 8);
        c = s[15][a & 0xFF] ^ s[14][a >> 8] ^ s[13][p[2]] ^ s[12][p[3]] ^ s[11][p[4]] ^
            s[10][p[5]] ^ s[9][p[6]] ^ s[8][p[7]] ^ s[7][p[8]] ^ s[6][p[9]] ^ s[5][p[10]] ^
            s[4][p[11]] ^ s[3][p[12]] ^ s[2][p[13]] ^ s[1][p[14]] ^ s[0][p[15]];
        p += 16;
        length -= 16;
    }
    while (length-- > 0)
        c = s[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
    return static_cast<std::uint16_t>(c);
}

namespace detail {

std::uint16_t Crc16Bytewise(std::uint16_t crc, const std::uint8_t* p, std::size_t n) {
    unsigned c = crc;
    while (n-- > 0)
        c = g_crc16.slice[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
    return static_cast<std::uint16_t>(c);
}

}  // namespace detail

}  // namespace quillory
