// The AES block cipher (FIPS-197), encryption direction only, with 128-, 192- and
// 256-bit keys, for the counter-mode keystream of ZIP AES. There is no inverse cipher.
// A table-driven path works everywhere; an AES-NI path is chosen at run time where the
// CPU has it, with identical results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace quillory {

inline constexpr std::size_t kAesBlockBytes = 16;

// The expanded encryption key. roundKeys holds 4 * (rounds + 1) words, each a column of
// the state with its first byte in bits 0-7. blockWord is the block length, 16, with
// bit 0 set once a key has been expanded; a zero-filled schedule therefore has no key.
struct AesKeySchedule {
    std::uint32_t roundKeys[64];
    std::uint32_t rounds;
    std::uint32_t blockWord;
};

// Expands a key of 16, 24 or 32 bytes; the length may also be given in bits (128, 192,
// 256): lengths below 128 count as bytes. 1 on success (blockWord 17, rounds 10, 12 or
// 14). 0 for any other length: blockWord 16, rounds 0, round keys untouched.
int AesExpandKey(const std::uint8_t* key, unsigned length, AesKeySchedule& schedule);

// Encrypts one block (in and out may be the same). 0 without writing out when the
// schedule holds no key (bit 0 of blockWord clear, or a round count other than 10, 12
// or 14, which only a damaged schedule has); 1 otherwise.
int AesEncryptBlock(const std::uint8_t in[16], std::uint8_t out[16],
                    const AesKeySchedule& schedule);

// Counter mode as ZIP AES runs it, over whole blocks: for each 16-byte block of data,
// add 1 to the counter (a 64-bit little-endian number in bytes 0-7 of the counter
// block; bytes 8-15 are not touched), encrypt the counter block and XOR the result into
// the data. keystream receives the last encrypted counter block. Without a key the
// counter still advances, and data and keystream are not written; the result is 0.
int AesCtrXorBlocks(const AesKeySchedule& schedule, std::uint8_t counter[16],
                    std::uint8_t keystream[16], std::uint8_t* data, std::size_t blocks);

namespace detail {

// One implementation of the two operations, given a schedule that holds a key.
struct AesPath {
    void (*encryptBlock)(const AesKeySchedule& schedule, const std::uint8_t in[16],
                         std::uint8_t out[16]);
    void (*ctrXorBlocks)(const AesKeySchedule& schedule, std::uint8_t counter[16],
                         std::uint8_t keystream[16], std::uint8_t* data, std::size_t blocks);
};

// Calls f(std::integral_constant<unsigned, R>{}) with the schedule's round count R (10,
// 12 or 14; anything else counts as 14) for code unrolled per key size.
template <typename F>
void WithRounds(unsigned rounds, F&& f) {
    if (rounds == 10) {
        f(std::integral_constant<unsigned, 10>{});
    } else if (rounds == 12) {
        f(std::integral_constant<unsigned, 12>{});
    } else {
        f(std::integral_constant<unsigned, 14>{});
    }
}

const AesPath& AesPortablePath();
// Null when the CPU lacks AES-NI.
const AesPath* AesHardwarePath();
// The path the public functions use: the hardware one where it exists. Tests and
// benchmarks select another to compare; null restores the default.
void SelectAesPath(const AesPath* path);

}  // namespace detail
}  // namespace quillory
