// HMAC-SHA1: the key phase (key gathered in the key block, or hashed once it outgrows a
// block), then the inner hash over key XOR 0x36 and the data, then the outer hash over
// key XOR 0x5C and the inner digest.
#include "crypto/hmac_sha1.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace quillory {
namespace {

constexpr std::int32_t kBlock = static_cast<std::int32_t>(kSha1BlockBytes);

// Ends the key phase: the key block becomes key XOR inner pad and the hash has taken it.
void FixKey(HmacSha1Context& c) {
    if (c.keyLength > kBlock) {
        Sha1Finish(c.hash, c.keyBlock);
        c.keyLength = static_cast<std::int32_t>(kSha1DigestBytes);
    }
    std::memset(c.keyBlock + c.keyLength, 0, kSha1BlockBytes - c.keyLength);
    for (auto& b : c.keyBlock)
        b ^= kHmacSha1InnerPad;
    Sha1Init(c.hash);
    Sha1Add(c.hash, c.keyBlock, kSha1BlockBytes);
    c.keyLength = kHmacSha1DataPhase;
}

}  // namespace

void HmacSha1Init(HmacSha1Context& context) {
    std::memset(&context, 0, sizeof context);
}

int HmacSha1AddKey(HmacSha1Context& context, const std::uint8_t* key, std::size_t length) {
    if (context.keyLength == kHmacSha1DataPhase) return -1;
    const auto have = static_cast<std::size_t>(context.keyLength);
    if (have + length <= kSha1BlockBytes) {
        if (length != 0) std::memcpy(context.keyBlock + have, key, length);
    } else {
        if (have <= kSha1BlockBytes) {  // the key just outgrew the block: hash it from here
            Sha1Init(context.hash);
            Sha1Add(context.hash, context.keyBlock, have);
        }
        Sha1Add(context.hash, key, length);
    }
    // Only "more than one block" matters once the key is hashed, so the count stops at
    // the largest value rather than wrapping into the data-phase mark.
    constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    context.keyLength = static_cast<std::int32_t>(std::min(have + std::min(length, kMax), kMax));
    return 0;
}

void HmacSha1AddData(HmacSha1Context& context, const std::uint8_t* data, std::size_t length) {
    if (context.keyLength != kHmacSha1DataPhase) FixKey(context);
    if (length != 0) Sha1Add(context.hash, data, length);
}

void HmacSha1Finish(HmacSha1Context& context, std::uint8_t* out, std::size_t outLength) {
    if (context.keyLength != kHmacSha1DataPhase) FixKey(context);
    std::uint8_t digest[kSha1DigestBytes];
    Sha1Finish(context.hash, digest);
    for (auto& b : context.keyBlock)
        b ^= kHmacSha1InnerToOuter;
    Sha1Init(context.hash);
    Sha1Add(context.hash, context.keyBlock, kSha1BlockBytes);
    Sha1Add(context.hash, digest, kSha1DigestBytes);
    Sha1Finish(context.hash, digest);
    std::memcpy(out, digest, std::min(outLength, kSha1DigestBytes));
}

}  // namespace quillory
