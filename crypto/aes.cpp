// AES encryption in its 32-bit table-driven form, the FIPS-197 key expansion, and the
// choice between this portable path and the AES-NI one. The tables are computed at
// compile time from the field arithmetic, so no typed-in constant can be wrong; they
// are the FIPS-197 S-box and the combined SubBytes/ShiftRows/MixColumns columns.
#include "crypto/aes.h"

#include <array>
#include <atomic>
#include <bit>

namespace quillory {
namespace {

using Table = std::array<std::uint32_t, 256>;

// Multiplication by x in GF(2^8) modulo the AES polynomial x^8 + x^4 + x^3 + x + 1.
constexpr std::uint8_t Xtime(std::uint8_t a) {
    return static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) != 0 ? 0x1B : 0));
}

// SubBytes: the multiplicative inverse (found through powers of the generator 3)
// followed by the affine map with constant 0x63.
constexpr std::array<std::uint8_t, 256> MakeSbox() {
    std::array<std::uint8_t, 256> exp{};
    std::array<std::uint8_t, 256> log{};
    std::uint8_t p = 1;
    for (int i = 0; i < 255; ++i) {
        exp[i] = p;
        log[p] = static_cast<std::uint8_t>(i);
        p = static_cast<std::uint8_t>(p ^ Xtime(p));  // p *= 3
    }
    std::array<std::uint8_t, 256> sbox{};
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t inverse = x == 0 ? 0 : exp[(255 - log[x]) % 255];
        std::uint8_t s = inverse;
        for (int r = 1; r <= 4; ++r) {
            s = static_cast<std::uint8_t>(s ^ ((inverse << r) | (inverse >> (8 - r))));
        }
        sbox[x] = static_cast<std::uint8_t>(s ^ 0x63);
    }
    return sbox;
}

constexpr std::array<std::uint8_t, 256> kSbox = MakeSbox();
static_assert(kSbox[0x00] == 0x63 && kSbox[0x01] == 0x7C && kSbox[0x53] == 0xED);

// Round table k: the MixColumns column (2, 1, 1, 3) * S[x], rotated to the row that
// byte k of the input column lands in after ShiftRows.
constexpr Table MakeRoundTable(int k) {
    Table t{};
    for (int x = 0; x < 256; ++x) {
        const std::uint32_t s = kSbox[x];
        const std::uint32_t s2 = Xtime(kSbox[x]);
        const std::uint32_t column = s2 | s << 8 | s << 16 | (s2 ^ s) << 24;
        t[x] = std::rotl(column, 8 * k);
    }
    return t;
}

// Last-round table k: S[x] alone in byte k (no MixColumns in the last round).
constexpr Table MakeLastTable(int k) {
    Table t{};
    for (int x = 0; x < 256; ++x)
        t[x] = static_cast<std::uint32_t>(kSbox[x]) << (8 * k);
    return t;
}

constexpr Table kRound[4] = {MakeRoundTable(0), MakeRoundTable(1), MakeRoundTable(2),
                             MakeRoundTable(3)};
constexpr Table kLast[4] = {MakeLastTable(0), MakeLastTable(1), MakeLastTable(2), MakeLastTable(3)};

// Round constants x^(i-1) in GF(2^8), in bits 0-7. AES-128 uses all ten, the longer keys
// fewer (one per Nk words of schedule).
constexpr std::uint32_t kRoundConstants[10] = {0x01, 0x02, 0x04, 0x08, 0x10,
                                               0x20, 0x40, 0x80, 0x1B, 0x36};

constexpr std::uint32_t kBlockWordKeySet = 17;  // block length 16 + key-set mark (bit 0)
constexpr std::uint32_t kBlockWordNoKey = 16;
static_assert(4 * (14 + 1) <= std::size(AesKeySchedule{}.roundKeys));

std::uint32_t Load32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void Store32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

// The counter of counter mode: bytes 0-7 of the counter block, little-endian.
std::uint64_t LoadCounter(const std::uint8_t* p) {
    return Load32(p) | static_cast<std::uint64_t>(Load32(p + 4)) << 32;
}

void StoreCounter(std::uint8_t* p, std::uint64_t v) {
    Store32(p, static_cast<std::uint32_t>(v));
    Store32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

std::uint32_t SubWord(std::uint32_t w) {
    return kLast[0][w & 0xFF] ^ kLast[1][(w >> 8) & 0xFF] ^ kLast[2][(w >> 16) & 0xFF] ^
           kLast[3][w >> 24];
}

// Valid key lengths: 16, 24, 32 bytes, or 128, 192, 256 bits. 0 for anything else.
unsigned KeyWords(unsigned length) {
    const unsigned bytes = length < 128 ? length : (length % 8 == 0 ? length / 8 : 0);
    return bytes == 16 || bytes == 24 || bytes == 32 ? bytes / 4 : 0;
}

bool HasKey(const AesKeySchedule& s) {
    // The round count is checked too, so a damaged schedule can never index past the
    // round keys.
    return (s.blockWord & 1) != 0 && (s.rounds == 10 || s.rounds == 12 || s.rounds == 14);
}

// Lanes independent blocks, encrypted side by side so that their table look-ups overlap:
// the full rounds from First on, then the last round. s holds the state before round
// First.
template <unsigned Rounds, std::size_t Lanes, unsigned First = 1>
inline void EncryptLanes(const std::uint32_t* rk, std::uint32_t (&s)[Lanes][4]) {
    const Table &t0 = kRound[0], &t1 = kRound[1], &t2 = kRound[2], &t3 = kRound[3];
#pragma GCC unroll 14
    for (unsigned r = First; r < Rounds; ++r) {
        const std::uint32_t* k = rk + 4 * r;
#pragma GCC unroll 8
        for (std::size_t j = 0; j < Lanes; ++j) {
            const std::uint32_t a = s[j][0], b = s[j][1], c = s[j][2], d = s[j][3];
            s[j][0] =
                t0[a & 0xFF] ^ t1[(b >> 8) & 0xFF] ^ t2[(c >> 16) & 0xFF] ^ t3[d >> 24] ^ k[0];
            s[j][1] =
                t0[b & 0xFF] ^ t1[(c >> 8) & 0xFF] ^ t2[(d >> 16) & 0xFF] ^ t3[a >> 24] ^ k[1];
            s[j][2] =
                t0[c & 0xFF] ^ t1[(d >> 8) & 0xFF] ^ t2[(a >> 16) & 0xFF] ^ t3[b >> 24] ^ k[2];
            s[j][3] =
                t0[d & 0xFF] ^ t1[(a >> 8) & 0xFF] ^ t2[(b >> 16) & 0xFF] ^ t3[c >> 24] ^ k[3];
        }
    }
    const Table &l0 = kLast[0], &l1 = kLast[1], &l2 = kLast[2], &l3 = kLast[3];
    const std::uint32_t* k = rk + 4 * Rounds;
#pragma GCC unroll 8
    for (std::size_t j = 0; j < Lanes; ++j) {
        const std::uint32_t a = s[j][0], b = s[j][1], c = s[j][2], d = s[j][3];
        s[j][0] = l0[a & 0xFF] ^ l1[(b >> 8) & 0xFF] ^ l2[(c >> 16) & 0xFF] ^ l3[d >> 24] ^ k[0];
        s[j][1] = l0[b & 0xFF] ^ l1[(c >> 8) & 0xFF] ^ l2[(d >> 16) & 0xFF] ^ l3[a >> 24] ^ k[1];
        s[j][2] = l0[c & 0xFF] ^ l1[(d >> 8) & 0xFF] ^ l2[(a >> 16) & 0xFF] ^ l3[b >> 24] ^ k[2];
        s[j][3] = l0[d & 0xFF] ^ l1[(a >> 8) & 0xFF] ^ l2[(b >> 16) & 0xFF] ^ l3[c >> 24] ^ k[3];
    }
}

template <unsigned Rounds>
void EncryptBlockPortable(const AesKeySchedule& schedule, const std::uint8_t in[16],
                          std::uint8_t out[16]) {
    const std::uint32_t* rk = schedule.roundKeys;
    std::uint32_t s[1][4];
    for (int i = 0; i < 4; ++i)
        s[0][i] = Load32(in + 4 * i) ^ rk[i];
    EncryptLanes<Rounds>(rk, s);
    for (int i = 0; i < 4; ++i)
        Store32(out + 4 * i, s[0][i]);
}

// Counter mode changes only byte 0 of the block within each run of 256 counters (the
// same counter bits 8-63). Round 1 then changes only its column 0, by T0 of that byte,
// and round 2 only by one look-up per column from that column. What the run's other
// bytes contribute to rounds 1 and 2 is computed once per run, which leaves 5 of their
// 32 look-ups per block. The result is the full cipher's, exactly.
struct CounterRun {
    std::uint64_t run = ~std::uint64_t{0};  // counter >> 8 that the values below are for
    std::uint32_t column0;                  // round 1, column 0, without T0[byte 0]
    std::uint32_t round2[4];                // round 2 without the look-ups from column 0
};

constexpr unsigned kCachedRounds = 2;

void PrepareRun(const std::uint32_t* rk, std::uint64_t count, CounterRun& c,
                const std::uint32_t (&high)[2]) {
    const Table &t0 = kRound[0], &t1 = kRound[1], &t2 = kRound[2], &t3 = kRound[3];
    c.run = count >> 8;
    const std::uint32_t a = static_cast<std::uint32_t>(count) ^ rk[0];  // byte 0 unused
    const std::uint32_t b = static_cast<std::uint32_t>(count >> 32) ^ rk[1];
    const std::uint32_t x = high[0], y = high[1];
    c.column0 = t1[(b >> 8) & 0xFF] ^ t2[(x >> 16) & 0xFF] ^ t3[y >> 24] ^ rk[4];
    const std::uint32_t r1 =
        t0[b & 0xFF] ^ t1[(x >> 8) & 0xFF] ^ t2[(y >> 16) & 0xFF] ^ t3[a >> 24] ^ rk[5];
    const std::uint32_t r2 =
        t0[x & 0xFF] ^ t1[(y >> 8) & 0xFF] ^ t2[(a >> 16) & 0xFF] ^ t3[b >> 24] ^ rk[6];
    const std::uint32_t r3 =
        t0[y & 0xFF] ^ t1[(a >> 8) & 0xFF] ^ t2[(b >> 16) & 0xFF] ^ t3[x >> 24] ^ rk[7];
    c.round2[0] = t1[(r1 >> 8) & 0xFF] ^ t2[(r2 >> 16) & 0xFF] ^ t3[r3 >> 24] ^ rk[8];
    c.round2[1] = t0[r1 & 0xFF] ^ t1[(r2 >> 8) & 0xFF] ^ t2[(r3 >> 16) & 0xFF] ^ rk[9];
    c.round2[2] = t0[r2 & 0xFF] ^ t1[(r3 >> 8) & 0xFF] ^ t3[r1 >> 24] ^ rk[10];
    c.round2[3] = t0[r3 & 0xFF] ^ t2[(r1 >> 16) & 0xFF] ^ t3[r2 >> 24] ^ rk[11];
}

// The state after round 2 of the block with this counter.
inline void StateAfterRound2(const std::uint32_t* rk, std::uint64_t count, CounterRun& c,
                             const std::uint32_t (&high)[2], std::uint32_t (&s)[4]) {
    if ((count >> 8) != c.run) PrepareRun(rk, count, c, high);
    const Table &t0 = kRound[0], &t1 = kRound[1], &t2 = kRound[2], &t3 = kRound[3];
    const std::uint32_t column0 = c.column0 ^ t0[(count ^ rk[0]) & 0xFF];
    s[0] = c.round2[0] ^ t0[column0 & 0xFF];
    s[1] = c.round2[1] ^ t3[column0 >> 24];
    s[2] = c.round2[2] ^ t2[(column0 >> 16) & 0xFF];
    s[3] = c.round2[3] ^ t1[(column0 >> 8) & 0xFF];
}

// One group of Lanes counter blocks: encrypted side by side, XORed into the data.
template <unsigned Rounds, std::size_t Lanes>
inline void CtrGroup(const std::uint32_t* rk, std::uint64_t& count, CounterRun& run,
                     const std::uint32_t (&high)[2], std::uint8_t* data,
                     std::uint8_t keystream[16]) {
    static_assert(Rounds > kCachedRounds);
    std::uint32_t s[Lanes][4];
#pragma GCC unroll 8
    for (std::size_t j = 0; j < Lanes; ++j)
        StateAfterRound2(rk, ++count, run, high, s[j]);
    EncryptLanes<Rounds, Lanes, kCachedRounds + 1>(rk, s);
#pragma GCC unroll 8
    for (std::size_t j = 0; j < Lanes; ++j) {
        std::uint8_t* block = data + j * kAesBlockBytes;
        for (int i = 0; i < 4; ++i)
            Store32(block + 4 * i, Load32(block + 4 * i) ^ s[j][i]);
    }
    for (int i = 0; i < 4; ++i)
        Store32(keystream + 4 * i, s[Lanes - 1][i]);
}

// Blocks encrypted side by side in counter mode, so that the look-ups of one block
// overlap the latency of another's.
constexpr std::size_t kPortableLanes = 2;

template <unsigned Rounds>
void CtrPortable(const AesKeySchedule& schedule, std::uint8_t counter[16],
                 std::uint8_t keystream[16], std::uint8_t* data, std::size_t blocks) {
    const std::uint32_t* rk = schedule.roundKeys;
    std::uint64_t count = LoadCounter(counter);
    const std::uint32_t high[2] = {Load32(counter + 8) ^ rk[2], Load32(counter + 12) ^ rk[3]};
    CounterRun run;
    for (; blocks >= kPortableLanes; blocks -= kPortableLanes) {
        CtrGroup<Rounds, kPortableLanes>(rk, count, run, high, data, keystream);
        data += kPortableLanes * kAesBlockBytes;
    }
    for (; blocks > 0; --blocks, data += kAesBlockBytes) {
        CtrGroup<Rounds, 1>(rk, count, run, high, data, keystream);
    }
    StoreCounter(counter, count);
}

void PortableBlock(const AesKeySchedule& s, const std::uint8_t in[16], std::uint8_t out[16]) {
    detail::WithRounds(s.rounds,
                       [&](auto r) { EncryptBlockPortable<decltype(r)::value>(s, in, out); });
}

void PortableCtr(const AesKeySchedule& s, std::uint8_t counter[16], std::uint8_t keystream[16],
                 std::uint8_t* data, std::size_t blocks) {
    detail::WithRounds(s.rounds, [&](auto r) {
        CtrPortable<decltype(r)::value>(s, counter, keystream, data, blocks);
    });
}

constexpr detail::AesPath kPortablePath = {PortableBlock, PortableCtr};

// Read by every worker that decodes an encrypted member; the first to look chooses.
std::atomic<const detail::AesPath*> g_selected{nullptr};

const detail::AesPath& Selected() {
    const detail::AesPath* selected = g_selected.load(std::memory_order_acquire);
    if (selected == nullptr) {
        const detail::AesPath* hardware = detail::AesHardwarePath();
        selected = hardware != nullptr ? hardware : &kPortablePath;
        g_selected.store(selected, std::memory_order_release);
    }
    return *selected;
}

}  // namespace

int AesExpandKey(const std::uint8_t* key, unsigned length, AesKeySchedule& schedule) {
    const unsigned nk = KeyWords(length);
    if (nk == 0) {
        schedule.blockWord = kBlockWordNoKey;
        schedule.rounds = 0;
        return 0;
    }
    const unsigned rounds = nk + 6;
    const unsigned words = 4 * (rounds + 1);
    std::uint32_t* w = schedule.roundKeys;
    for (unsigned i = 0; i < nk; ++i)
        w[i] = Load32(key + 4 * i);
    for (unsigned i = nk; i < words; ++i) {
        std::uint32_t t = w[i - 1];
        if (i % nk == 0) {
            t = SubWord(std::rotr(t, 8)) ^ kRoundConstants[i / nk - 1];  // RotWord, SubWord
        } else if (nk == 8 && i % nk == 4) {
            t = SubWord(t);
        }
        w[i] = w[i - nk] ^ t;
    }
    schedule.rounds = rounds;
    schedule.blockWord = kBlockWordKeySet;
    return 1;
}

int AesEncryptBlock(const std::uint8_t in[16], std::uint8_t out[16],
                    const AesKeySchedule& schedule) {
    if (!HasKey(schedule)) return 0;
    Selected().encryptBlock(schedule, in, out);
    return 1;
}

int AesCtrXorBlocks(const AesKeySchedule& schedule, std::uint8_t counter[16],
                    std::uint8_t keystream[16], std::uint8_t* data, std::size_t blocks) {
    if (!HasKey(schedule)) {
        StoreCounter(counter, LoadCounter(counter) + blocks);
        return 0;
    }
    if (blocks == 0) return 1;
    Selected().ctrXorBlocks(schedule, counter, keystream, data, blocks);
    return 1;
}

namespace detail {

const AesPath& AesPortablePath() {
    return kPortablePath;
}

void SelectAesPath(const AesPath* path) {
    g_selected.store(path, std::memory_order_release);
}

}  // namespace detail
}  // namespace quillory
