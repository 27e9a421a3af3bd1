// ZIP AES: set-up from PBKDF2 output (AES key, then HMAC key, then verifier), and the
// counter-mode data step. Whole keystream blocks go through the multi-block counter
// function; only a partial block at either end of a call is done byte by byte.
#include "crypto/zip_aes.h"

#include <algorithm>
#include <cstring>

#include "crypto/pbkdf2.h"

namespace quillory {
namespace {

constexpr std::size_t kLargestDerived = 2 * ZipAesKeyBytes(3) + kZipAesVerifierBytes;
static_assert(kLargestDerived == 66);
static_assert(sizeof(ZipAesContext::counter) == kAesBlockBytes &&
              sizeof(ZipAesContext::keystream) == kAesBlockBytes);

// XORs keystream bytes from the current position into data; returns how many it used.
std::size_t UseKeystream(ZipAesContext& c, std::uint8_t* data, std::size_t length) {
    const std::size_t n = std::min<std::size_t>(length, kAesBlockBytes - c.keystreamPosition);
    for (std::size_t i = 0; i < n; ++i)
        data[i] ^= c.keystream[c.keystreamPosition + i];
    c.keystreamPosition += static_cast<std::uint32_t>(n);
    return n;
}

}  // namespace

int ZipAesSetup(int mode, const std::uint8_t* password, std::size_t passwordLength,
                const std::uint8_t* salt, std::uint8_t verifier[2], ZipAesContext& context) {
    if (passwordLength > kZipAesMaxPassword) return kZipAesPasswordTooLong;
    if (mode < 1 || mode > 3) return kZipAesBadMode;
    const std::size_t keyBytes = ZipAesKeyBytes(mode);
    std::uint8_t derived[kLargestDerived];
    Pbkdf2HmacSha1(password, passwordLength, salt, ZipAesSaltBytes(mode), kZipAesIterations,
                   derived, 2 * keyBytes + kZipAesVerifierBytes);

    context.mode = static_cast<std::uint32_t>(mode);
    context.passwordLength = static_cast<std::uint32_t>(passwordLength);
    std::memset(context.counter, 0, sizeof context.counter);
    std::memset(context.keystream, 0, sizeof context.keystream);
    context.keystreamPosition = kAesBlockBytes;
    AesExpandKey(derived, static_cast<unsigned>(keyBytes), context.cipher);
    HmacSha1Init(context.authenticator);
    HmacSha1AddKey(context.authenticator, derived + keyBytes, keyBytes);
    verifier[0] = derived[2 * keyBytes];
    verifier[1] = derived[2 * keyBytes + 1];
    return 0;
}

void ZipAesDecrypt(std::uint8_t* data, std::size_t length, ZipAesContext& context) {
    HmacSha1AddData(context.authenticator, data, length);
    // A position past the block (never set here) counts as used up.
    context.keystreamPosition = std::min<std::uint32_t>(context.keystreamPosition, kAesBlockBytes);
    const std::size_t used = UseKeystream(context, data, length);
    data += used;
    length -= used;
    const std::size_t blocks = length / kAesBlockBytes;
    if (blocks > 0) {
        AesCtrXorBlocks(context.cipher, context.counter, context.keystream, data, blocks);
        data += blocks * kAesBlockBytes;
        length -= blocks * kAesBlockBytes;
    }
    if (length > 0) {  // a partial block: the next keystream block, used from its start
        std::uint8_t zeros[kAesBlockBytes] = {};
        AesCtrXorBlocks(context.cipher, context.counter, context.keystream, zeros, 1);
        context.keystreamPosition = 0;
        UseKeystream(context, data, length);
    }
}

int ZipAesFinish(std::uint8_t code[10], ZipAesContext& context) {
    HmacSha1Finish(context.authenticator, code, kZipAesCodeBytes);
    return static_cast<int>(kZipAesCodeBytes);
}

}  // namespace quillory
