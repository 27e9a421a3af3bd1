// HMAC over SHA-1 (RFC 2104): the key may be given in pieces before the data, and the
// code may be cut short. Once data has been added the key is fixed: more key bytes are
// refused. The context is a plain value; copying it copies the whole state.
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/sha1.h"

namespace quillory {

struct HmacSha1Context {
    // The key while it is gathered, then key XOR the inner pad (XOR the outer pad while
    // finishing).
    std::uint8_t keyBlock[kSha1BlockBytes];
    Sha1Context hash;
    // Key bytes supplied so far, or kHmacSha1DataPhase once data has begun.
    std::int32_t keyLength;
};

inline constexpr std::int32_t kHmacSha1DataPhase = -1;
// The pads XORed into the key block; one XOR with their difference turns one into the
// other.
inline constexpr std::uint8_t kHmacSha1InnerPad = 0x36;
inline constexpr std::uint8_t kHmacSha1OuterPad = 0x5C;
inline constexpr std::uint8_t kHmacSha1InnerToOuter = kHmacSha1InnerPad ^ kHmacSha1OuterPad;

// Zero-fills the context: an empty key, still in the key phase.
void HmacSha1Init(HmacSha1Context& context);
// Appends key bytes. A key longer than one block is hashed as it arrives. 0, or -1
// without any change once data has been added.
int HmacSha1AddKey(HmacSha1Context& context, const std::uint8_t* key, std::size_t length);
// Fixes the key on the first call, then hashes the data.
void HmacSha1AddData(HmacSha1Context& context, const std::uint8_t* data, std::size_t length);
// Writes the first outLength bytes of the code; more than 20 are not written.
void HmacSha1Finish(HmacSha1Context& context, std::uint8_t* out, std::size_t outLength);

}  // namespace quillory
