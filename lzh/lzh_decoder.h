// The static-Huffman decoder of -lh4- to -lh7- and -lhx- members: LZ77 over a sliding
// dictionary of 4 KiB to 512 KiB, coded in blocks whose Huffman tables come first.
// Output goes to a file (or nowhere, to test) in whole multiples of the dictionary
// size, with the running CRC-16, and ends at exactly the member's original size. It
// stops between two pieces of output when a stop is requested. It refuses tables that would lead
// outside its arrays and streams that read past the member's compressed data; it is not re-entrant
// (its work areas exist once per process).
#pragma once

#include <cstdint>

#include "common/extract_callback.h"
#include "platform/file.h"

namespace quillory::lzh {

// Named as the inflate engine's results are (zip/inflate.h): one word per idea in both.
enum class DecodeOutcome {
    Ok,            // originalSize bytes were produced
    DataError,     // a block's tables are invalid, or the stream needs more than the data
    OutputFailed,  // the output file took fewer bytes than it was given
    Stopped,       // a stop was requested (platform/stop_request.h)
};

struct DecodeResult {
    DecodeOutcome outcome;
    std::uint16_t crc;  // CRC-16 of everything produced; meaningful when Ok
};

// Decodes one member whose compressed data starts at the input file's position.
// methodCode: -lh4- to -lh7-, -lhx-. output may be the invalid handle (test mode). A last match
// that runs past originalSize is cut there, as other LHA decoders cut it: the output and
// its CRC cover originalSize bytes exactly, and the CRC decides whether the member is
// good. On failure the output holds the whole dictionary-sized pieces decoded before the
// failing step. progress, when given, hears of each piece of output as it is produced.
DecodeResult DecodeStatic(int methodCode, platform::FileHandle input, platform::FileHandle output,
                          std::uint32_t compressedSize, std::uint32_t originalSize,
                          ExtractCallback* progress = nullptr);

}  // namespace quillory::lzh
