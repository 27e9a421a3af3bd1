// SHA-1 (FIPS 180-1), for HMAC-SHA1 and the key derivation of ZIP AES. A portable
// compression works everywhere; one with the x86-64 SHA instructions is chosen at run
// time where the CPU has them, with identical results. The context is a plain value:
// copying it copies the whole state.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillory {

inline constexpr std::size_t kSha1BlockBytes = 64;
inline constexpr std::size_t kSha1DigestBytes = 20;

struct Sha1Context {
    std::uint32_t countLow;   // bytes hashed so far, low word
    std::uint32_t countHigh;  // and high word
    std::uint32_t state[5];
    std::uint8_t buffer[kSha1BlockBytes];  // the unprocessed tail of the input
};

void Sha1Init(Sha1Context& context);
void Sha1Add(Sha1Context& context, const std::uint8_t* data, std::size_t length);
// Pads, processes the last block or blocks and writes the big-endian digest.
void Sha1Finish(Sha1Context& context, std::uint8_t digest[20]);
// The compression of one 64-byte block (sixteen big-endian words) into state.
void Sha1Transform(std::uint32_t state[5], const std::uint8_t block[64]);

namespace detail {

// Most independent states one compressLanes call takes.
inline constexpr std::size_t kSha1MaxLanes = 4;

// One implementation of the compression.
struct Sha1Path {
    // Compresses consecutive 64-byte blocks into one state.
    void (*compressBlocks)(std::uint32_t state[5], const std::uint8_t* data, std::size_t blocks);
    // Compresses blocks[j] into states[j] for j below lanes (at most kSha1MaxLanes): work
    // on independent states that the hardware path overlaps, for key derivation.
    void (*compressLanes)(std::uint32_t (*states)[5], const std::uint8_t (*blocks)[64],
                          std::size_t lanes);
};

const Sha1Path& Sha1PortablePath();
// Null when the CPU lacks the SHA instructions.
const Sha1Path* Sha1HardwarePath();
// The path every SHA-1 user here calls: the hardware one where it exists. Tests and
// benchmarks select another to compare; null restores the default.
const Sha1Path& Sha1Selected();
void SelectSha1Path(const Sha1Path* path);

}  // namespace detail
}  // namespace quillory
