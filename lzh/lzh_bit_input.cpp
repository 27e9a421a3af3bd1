// Block reads and the careful refill near the end of a member's data: whole blocks from
// the source while data remains (all of it at once from memory), then the last bytes one
// at a time, then zero bytes, counted, so that the decoder can refuse a stream that
// consumed them.
#include "lzh/lzh_bit_input.h"

#include <algorithm>

namespace quillory::lzh {

void BitInput::Start(const ByteSource& source, std::uint64_t offset, std::uint32_t compressedSize,
                     std::uint8_t* buffer) {
    source_ = &source;
    offset_ = offset;
    block_ = buffer;
    buffer_ = buffer;
    remaining_ = compressedSize;
    dataBytes_ = 0;
    bytesBeforeBuffer_ = 0;
    zeroBytes_ = 0;
    inputEnded_ = false;
    bitBuffer = 0;
    bitCount = 0;
    if (const auto bytes = source.Bytes(); !bytes.empty() || source.Size() == 0) {
        // Memory: the member's bytes are the buffer, as far as the source holds them.
        const std::uint64_t start = std::min<std::uint64_t>(offset, bytes.size());
        const std::uint64_t size = std::min<std::uint64_t>(compressedSize, bytes.size() - start);
        buffer_ = bytes.data() + start;
        next = buffer_;
        end = buffer_ + size;
        dataBytes_ = size;
        remaining_ = 0;
        inputEnded_ = true;
    } else {
        next = end = buffer_;
        ReadBlock();
    }
    Refill();
}

bool BitInput::ReadBlock() {
    if (inputEnded_) return false;
    const std::size_t left = static_cast<std::size_t>(end - next);
    std::memmove(block_, next, left);
    bytesBeforeBuffer_ += static_cast<std::uint64_t>(next - buffer_);
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(kBlockBytes - left, remaining_));
    const std::size_t got = want == 0 ? 0 : source_->ReadAt(offset_, block_ + left, want);
    offset_ += got;
    remaining_ -= got;
    dataBytes_ += got;
    // A short read means the archive ends inside the member: what arrived is its data.
    if (got < want || remaining_ == 0) inputEnded_ = true;
    buffer_ = block_;
    next = block_;
    end = block_ + left + got;
    return got > 0;
}

void BitInput::RefillSlow() {
    while (bitCount < kMinBitsAfterRefill) {
        if (CanLoadWord(next, end)) {
            RefillWord(bitBuffer, bitCount, next);
            return;
        }
        if (ReadBlock()) continue;
        if (next < end) {
            bitBuffer |= static_cast<std::uint64_t>(*next++) << (kMinBitsAfterRefill - bitCount);
        } else {
            ++zeroBytes_;  // past the data: the bits below the count are already zero
        }
        bitCount += 8;
    }
}

}  // namespace quillory::lzh
