// The static-Huffman decoder of -lh4- to -lh7- and -lhx- members: LZ77 over a sliding
// dictionary of 4 KiB to 512 KiB, coded in blocks whose Huffman tables come first.
// Output goes to the member's output in whole multiples of the dictionary size, with the
// running CRC-16, and ends at exactly the member's original size; the output may stop it
// between two pieces. It refuses tables that would lead outside its arrays and streams
// that read past the member's compressed data; its work areas are the caller's.
#pragma once

#include <cstdint>

#include "common/byte_source.h"
#include "common/member_output.h"
#include "common/work_areas.h"

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

// One member's compressed data and where its output goes, as every decoder takes it.
struct CodedMember {
    const ByteSource& source;  // the archive's bytes
    std::uint64_t offset;      // where the member's compressed data starts in them
    std::uint32_t compressedSize;
    std::uint32_t originalSize;
    MemberOutput& output;  // each piece of output, in order
    WorkAreas& work;       // the decoders' work areas of the calling thread
};

// Decodes one member. methodCode: -lh4- to -lh7-, -lhx-. A last match that runs past
// originalSize is cut there, as other LHA decoders cut it: the output and its CRC cover
// originalSize bytes exactly, and the CRC decides whether the member is good. On failure
// the output holds the whole dictionary-sized pieces decoded before the failing step.
DecodeResult DecodeStatic(int methodCode, const CodedMember& member);

}  // namespace quillory::lzh
