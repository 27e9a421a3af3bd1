// Most-significant-bit-first input of a member's compressed bytes, read from the archive
// in large blocks. The next bits sit at the top of a 64-bit register; a refill loads
// eight bytes at once while eight real bytes remain, and byte by byte near the end.
// Past the member's data it supplies zero bits without reading anything, and counts
// them, so the decoder can tell when a stream has consumed more than the member holds.
// It never reads outside its buffer or past the member's compressed size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/file.h"

namespace quillory::lzh {

class BitInput {
public:
    // Bytes read from the archive per request, and the slack behind them that lets the
    // 8-byte load stay inside the buffer.
    static constexpr std::size_t kBlockBytes = 64 * 1024;
    static constexpr std::size_t kSlackBytes = 16;
    static constexpr std::size_t kBufferBytes = kBlockBytes + kSlackBytes;
    // After any refill at least this many bits are loaded: every single step of the
    // decoder (a code of up to 16 bits plus up to 16 extra bits) fits.
    static constexpr unsigned kMinBitsAfterRefill = 56;

    // Starts reading up to compressedSize bytes from the file's current position into
    // buffer (kBufferBytes long).
    void Start(platform::FileHandle file, std::uint32_t compressedSize, std::uint8_t* buffer);

    // The state below is public so that the decoder's hot loop can hold it in locals
    // and hand it back at the edges of a batch.
    std::uint64_t bits = 0;              // next bits, most significant first
    unsigned count = 0;                  // how many of the top bits are loaded
    const std::uint8_t* next = nullptr;  // next byte to load
    const std::uint8_t* end = nullptr;   // end of the bytes in the buffer

    // True when eight bytes can be loaded at next.
    static bool CanLoadWord(const std::uint8_t* at, const std::uint8_t* limit) {
        return limit - at >= 8;
    }

    // Loads bytes until at least kMinBitsAfterRefill bits are there.
    void Refill() {
        if (CanLoadWord(next, end)) {
            RefillWord(bits, count, next);
        } else {
            RefillSlow();
        }
    }

    // The branch-free refill: one big-endian 8-byte load shifted in below the loaded
    // bits, then as many whole bytes counted as fit. Bits below the count are the
    // following stream bits, so loading them again later changes nothing.
    static void RefillWord(std::uint64_t& bits, unsigned& count, const std::uint8_t*& next) {
        std::uint64_t word;
        std::memcpy(&word, next, sizeof word);
        bits |= __builtin_bswap64(word) >> count;
        next += (63 - count) >> 3;
        count |= kMinBitsAfterRefill;
    }

    // The next n bits (1 <= n <= 32), not consumed. Needs count >= n.
    std::uint32_t Peek(unsigned n) const { return static_cast<std::uint32_t>(bits >> (64 - n)); }
    void Consume(unsigned n) {
        bits <<= n;
        count -= n;
    }
    // Reads n bits (0 <= n <= 16), refilling as needed.
    std::uint32_t GetBits(unsigned n) {
        if (n == 0) return 0;
        if (count < n) Refill();
        const std::uint32_t value = Peek(n);
        Consume(n);
        return value;
    }
    // The next 16 bits, refilling as needed.
    std::uint32_t Peek16() {
        if (count < 16) Refill();
        return Peek(16);
    }

    // Bits consumed since Start, and whether they went past the member's data.
    std::uint64_t ConsumedBits() const {
        return (bytesBeforeBuffer_ + static_cast<std::uint64_t>(next - buffer_) + zeroBytes_) * 8 -
               count;
    }
    bool SuppliedZeros() const { return zeroBytes_ != 0; }
    bool Overconsumed() const { return zeroBytes_ != 0 && ConsumedBits() > dataBytes_ * 8; }
    // How many bits were consumed past the member's data (0 while within it).
    std::uint64_t BitsPastData() const {
        return Overconsumed() ? ConsumedBits() - dataBytes_ * 8 : 0;
    }

    // The careful refill: reads the next block when eight bytes are not left, loads
    // byte by byte at the end of the data and supplies zeros after it.
    void RefillSlow();

private:
    // Moves what is left to the front of the buffer and reads the next block; false
    // when the member's data is used up (or the file ended early).
    bool ReadBlock();

    platform::FileHandle file_ = platform::kInvalidFileHandle;
    std::uint8_t* buffer_ = nullptr;
    std::uint64_t remaining_ = 0;          // compressed bytes not yet read from the file
    std::uint64_t dataBytes_ = 0;          // compressed bytes read from the file so far
    std::uint64_t bytesBeforeBuffer_ = 0;  // stream position of buffer_[0]
    std::uint64_t zeroBytes_ = 0;          // zero bytes supplied past the data
    bool dataEnded_ = false;
};

}  // namespace quillory::lzh
