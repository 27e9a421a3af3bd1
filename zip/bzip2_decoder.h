// The bzip2 decoder (ZIP method 12): one whole stream, "BZh" and the level 1-9, blocks of
// at most level * 100000 bytes before the final run-length stage, the end-of-stream record
// with the CRC combined from every block's. Each block is read in one go (its Huffman
// tables, the move-to-front coded symbols and their zero runs), its inverse Burrows-Wheeler
// transform prepared as one vector, and its output then written in steps through the
// output window, undoing the runs of four and checking the block's big-endian CRC-32.
// The work area (5 bytes per block byte, at most 4.5 MB) is kept for the next member.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "zip/method_decoder.h"

namespace quillory::zip {

class Bzip2Work final : public MethodWork {
public:
    static Bzip2Work* Make() { return new (std::nothrow) Bzip2Work; }

    // Decodes the stream from input into the window up to its end record; what follows
    // that record (another stream, padding) is not decoded, as libbz2 stopped there too.
    MethodResult Decode(InflateInput& input, OutputWindow& window);

private:
    bool Reserve(std::uint32_t blockBytes);

    // Per block: the bytes as the symbols give them (the last column of the sorted
    // rotations), and for every row the position of the next output byte << 8 | that byte.
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::unique_ptr<std::uint32_t[]> vector_;
    std::uint32_t capacity_ = 0;
};

// The block and stream CRC of bzip2: CRC-32 with the polynomial 0x04C11DB7, most
// significant bit first (not reflected), started at all ones; the caller inverts the
// result at the end.
std::uint32_t Bzip2CrcUpdate(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

}  // namespace quillory::zip
