// The 8-bit sum that protects LZH level 0 and level 1 headers: the low byte of the sum of
// the bytes it is given. It only computes; the header reader chooses the bytes and
// decides what a mismatch means.
#include "common/checksums.h"

namespace quillory {

std::uint8_t HeaderSum8(const void* data, std::size_t length) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    unsigned sum = 0;
    for (std::size_t i = 0; i < length; ++i)
        sum += p[i];
    return static_cast<std::uint8_t>(sum);
}

}  // namespace quillory
