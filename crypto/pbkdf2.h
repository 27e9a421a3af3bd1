// PBKDF2 (RFC 2898) with HMAC-SHA1 as the pseudo-random function: the key derivation of
// ZIP AES. Nothing is allocated; the contexts live on the stack.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillory {

// Fills out with outLength bytes derived from the password and salt; a length that is
// not a multiple of 20 is cut from the last block. outLength 0 writes nothing; zero
// iterations give zero bytes.
void Pbkdf2HmacSha1(const std::uint8_t* password, std::size_t passwordLength,
                    const std::uint8_t* salt, std::size_t saltLength, unsigned iterations,
                    std::uint8_t* out, std::size_t outLength);

}  // namespace quillory
