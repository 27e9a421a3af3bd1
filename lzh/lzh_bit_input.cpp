// Block reads and the careful refill near the end of a member's data: whole blocks from
// the archive while data remains, then the last bytes one at a time, then zero bytes,
// counted, so that the decoder can refuse a stream that consumed them.
#include "lzh/lzh_bit_input.h"

#include <algorithm>

#include "common/output_files.h"

namespace quillory::lzh {

void BitInput::Start(platform::FileHandle file, std::uint32_t compressedSize,
                     std::uint8_t* buffer) {
    file_ = file;
    buffer_ = buffer;
    remaining_ = compressedSize;
    dataBytes_ = 0;
    bytesBeforeBuffer_ = 0;
    zeroBytes_ = 0;
    inputEnded_ = false;
    bitBuffer = 0;
    bitCount = 0;
    next = end = buffer_;
    ReadBlock();
    Refill();
}

bool BitInput::ReadBlock() {
    if (inputEnded_) return false;
    const std::size_t left = static_cast<std::size_t>(end - next);
    std::memmove(buffer_, next, left);
    bytesBeforeBuffer_ += static_cast<std::uint64_t>(next - buffer_);
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(kBlockBytes - left, remaining_));
    const std::size_t got = want == 0 ? 0 : ReadBytes(file_, buffer_ + left, want);
    remaining_ -= got;
    dataBytes_ += got;
    // A short read means the archive ends inside the member: what arrived is its data.
    if (got < want || remaining_ == 0) inputEnded_ = true;
    next = buffer_;
    end = buffer_ + left + got;
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
