// Most-significant-bit-first input of a member's compressed bytes, read from the archive's
// source in large blocks (or, when the source is memory, straight where they lie). The
// next bits sit at the top of a 64-bit register; a refill loads eight bytes at once while
// eight real bytes remain, and byte by byte near the end. Past the member's data it
// supplies zero bits without reading anything, and counts them, so the decoder can tell
// when a stream has consumed more than the member holds. It never reads outside its
// buffer or past the member's compressed size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/byte_source.h"

namespace quillory::lzh {

class BitInput {
public:
    // Bytes read from the archive per request, and the slack behind them that lets the
    // 8-byte load stay inside the buffer.
    static constexpr std::size_t kBlockBytes = 64 * 1024;
    static constexpr std::size_t kSlackBytes = 16;
    static constexpr std::size_t kBufferBytes = kBlockBytes + kSlackBytes;
    // After any refill at least this many bits are loaded: enough for one step of the
    // static-Huffman decoder, whose budget is asserted there.
    static constexpr unsigned kMinBitsAfterRefill = 56;

    // Starts reading up to compressedSize bytes of source from offset on, into buffer
    // (kBufferBytes long) unless the source is memory.
    void Start(const ByteSource& source, std::uint64_t offset, std::uint32_t compressedSize,
               std::uint8_t* buffer);

    // The state below is public so that the decoder's hot loop can hold it in locals
    // and hand it back at the edges of a batch.
    std::uint64_t bitBuffer = 0;         // next bits, most significant first
    unsigned bitCount = 0;               // how many of the top bits are loaded
    const std::uint8_t* next = nullptr;  // next byte to load
    const std::uint8_t* end = nullptr;   // end of the bytes in the buffer

    // True when eight bytes can be loaded at next.
    static bool CanLoadWord(const std::uint8_t* at, const std::uint8_t* limit) {
        return limit - at >= 8;
    }

    // Loads bytes until at least kMinBitsAfterRefill bits are there.
    void Refill() {
        if (CanLoadWord(next, end)) {
            RefillWord(bitBuffer, bitCount, next);
        } else {
            RefillSlow();
        }
    }

    // The branch-free refill: one big-endian 8-byte load shifted in below the loaded
    // bits, then as many whole bytes counted as fit. Bits below the count are the
    // following stream bits, so loading them again later changes nothing.
    static void RefillWord(std::uint64_t& bitBuffer, unsigned& bitCount,
                           const std::uint8_t*& next) {
        std::uint64_t word;
        std::memcpy(&word, next, sizeof word);
        bitBuffer |= __builtin_bswap64(word) >> bitCount;
        next += (63 - bitCount) >> 3;
        bitCount |= kMinBitsAfterRefill;
    }

    // The next n bits (1 <= n <= 32), not consumed. Needs bitCount >= n.
    std::uint32_t Peek(unsigned n) const {
        return static_cast<std::uint32_t>(bitBuffer >> (64 - n));
    }
    void Consume(unsigned n) {
        bitBuffer <<= n;
        bitCount -= n;
    }
    // Reads n bits (0 <= n <= 16), refilling as needed.
    std::uint32_t GetBits(unsigned n) {
        if (n == 0) return 0;
        if (bitCount < n) Refill();
        const std::uint32_t value = Peek(n);
        Consume(n);
        return value;
    }
    // The next 16 bits, refilling as needed.
    std::uint32_t Peek16() {
        if (bitCount < 16) Refill();
        return Peek(16);
    }

    // Bits consumed since Start, and whether they went past the member's data.
    std::uint64_t ConsumedBits() const {
        return (bytesBeforeBuffer_ + static_cast<std::uint64_t>(next - buffer_) + zeroBytes_) * 8 -
               bitCount;
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

    const ByteSource* source_ = nullptr;
    std::uint64_t offset_ = 0;              // where the next block is read from
    std::uint8_t* block_ = nullptr;         // where blocks read from a file go
    const std::uint8_t* buffer_ = nullptr;  // the bytes being loaded: block_, or memory
    std::uint64_t remaining_ = 0;           // compressed bytes not yet read from the source
    std::uint64_t dataBytes_ = 0;           // compressed bytes read from the source so far
    std::uint64_t bytesBeforeBuffer_ = 0;   // stream position of buffer_[0]
    std::uint64_t zeroBytes_ = 0;           // zero bytes supplied past the data
    bool inputEnded_ = false;  // nothing more to read: the data is used up or the file ended
};

}  // namespace quillory::lzh
