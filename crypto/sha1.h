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

// Most output blocks one pbkdf2Chains call takes.
inline constexpr std::size_t kSha1MaxLanes = 4;

// One implementation of the compression.
struct Sha1Path {
    // Compresses consecutive 64-byte blocks into one state.
    void (*compressBlocks)(std::uint32_t state[5], const std::uint8_t* data, std::size_t blocks);
    // The chains of PBKDF2-HMAC-SHA1 for `lanes` output blocks at once (at most
    // kSha1MaxLanes), in digest words: u[j] is block j's latest U and sums[j] the XOR of
    // its Us so far. Each of `steps` rounds hashes U after the inner pad block (inner: the
    // state after it), then that digest after the outer pad block, each one compression
    // of a padded 20-byte message, and XORs the new U into sums[j]. The hardware path
    // keeps the chains in registers and interleaves their compressions.
    void (*pbkdf2Chains)(const std::uint32_t inner[5], const std::uint32_t outer[5],
                         std::uint32_t (*u)[5], std::uint32_t (*sums)[5], std::size_t lanes,
                         unsigned steps);
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
