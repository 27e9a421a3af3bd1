// -lh3- decoding: a block header (its count of codes, the code lengths of the literal
// and length code, then those of the position code or a flag for the fixed ones), then
// the block's codes through the look-up tables of lzh_huffman.h. Refuses lengths that
// do not form a code, match lengths over 256 and bits past the member's data.
#include "lzh/lzh_lh3_decoder.h"

#include <algorithm>
#include <cstring>

#include "common/code_length_runs.h"
#include "common/decode_check.h"
#include "lzh/lzh_bit_input.h"
#include "lzh/lzh_huffman.h"
#include "lzh/lzh_output_window.h"

namespace quillory::lzh {
namespace {

// Literal and length codes (lzh_huffman.h): 286, the last followed by 8 bits added to
// it. Its encoders write matches of up to 256 bytes.
constexpr int kCodes = 286;
constexpr unsigned kExtensionBits = 8;
constexpr std::size_t kMaxMatch = 256;
static_assert(kMaxMatch <= OutputWindow::kMaxStepBytes);

// A code length is a presence bit and 4 bits of length - 1 (literal and length code)
// or 4 bits of length, 0 for absent (position code). Three lengths of 1 first stand
// for a single code of no bits, named in kSingleCodeBits (9) or 7 bits.
constexpr unsigned kLengthBits = 4;
constexpr unsigned kSingleCodeBits = 9;
constexpr unsigned kSinglePositionBits = 7;
static_assert((1 << kLengthBits) <= kMaxCodeLength);  // every length the tables take
static_assert((1 << kSingleCodeBits) > kCodes);       // why a single code must be checked
constexpr int kBlockSizeBits = 16;

// Positions: 128 top parts of 7 bits, then 6 plain bits; the distance is one more.
constexpr int kPositionCodes = 128;
constexpr unsigned kPositionLowBits = 6;
static_assert((std::size_t{kPositionCodes} << kPositionLowBits) <= OutputWindow::kMaxHistory);

// The fixed position code: 1 code of 2 bits, 2 of 4, 3 of 5, 7 of 6, 18 of 7, 47 of 8
// and 50 of 9, assigned in order; it fills its code space.
constexpr CodeLengthRun kFixedPositionLengths[] = {{2, 1},  {4, 2},  {5, 3}, {6, 7},
                                                   {7, 18}, {8, 47}, {9, 50}};
static_assert(RunSymbols(kFixedPositionLengths) == kPositionCodes &&
              FillsCodeSpace(kFixedPositionLengths));

constexpr int kCodeRootBits = 12;
constexpr int kPositionRootBits = 8;

struct Workspace {
    alignas(64) std::uint8_t window[OutputWindow::kBufferBytes];
    alignas(64) std::uint8_t input[BitInput::kBufferBytes];
    alignas(64) std::uint32_t codeTable[HuffmanTableEntries(kCodes, kCodeRootBits)];
    alignas(64) std::uint32_t positionTable[HuffmanTableEntries(kPositionCodes, kPositionRootBits)];
    std::uint8_t lengths[kCodes];
};

// Reads the lengths of one code; `present` is whether each length has a presence bit.
bool ReadCode(BitInput& in, int symbols, bool present, unsigned singleBits, int tableBits,
              std::uint8_t* lengths, std::uint32_t* table) {
    for (int i = 0; i < symbols; ++i) {
        if (present) {
            lengths[i] =
                static_cast<std::uint8_t>(in.GetBits(1) != 0 ? in.GetBits(kLengthBits) + 1 : 0);
        } else {
            lengths[i] = static_cast<std::uint8_t>(in.GetBits(kLengthBits));
        }
        if (i == 2 && lengths[0] == 1 && lengths[1] == 1 && lengths[2] == 1) {
            const unsigned only = in.GetBits(singleBits);
            DECODE_CHECK(only < static_cast<unsigned>(symbols), false);
            FillSingleSymbol(only, tableBits, table);
            return true;
        }
    }
    return MakeTable(symbols, lengths, tableBits, table);
}

// A block header; its count of codes is 16 bits, 0 standing for 65536.
bool ReadBlockHeader(BitInput& in, Workspace& w, std::uint32_t& blockSize) {
    blockSize = in.GetBits(kBlockSizeBits);
    DECODE_CHECK(ReadCode(in, kCodes, true, kSingleCodeBits, kCodeRootBits, w.lengths, w.codeTable),
                 false);
    if (in.GetBits(1) != 0) {
        DECODE_CHECK(ReadCode(in, kPositionCodes, false, kSinglePositionBits, kPositionRootBits,
                              w.lengths, w.positionTable),
                     false);
    } else {
        ExpandRuns(kFixedPositionLengths, w.lengths);
        DECODE_CHECK(MakeTable(kPositionCodes, w.lengths, kPositionRootBits, w.positionTable),
                     false);
    }
    DECODE_CHECK(!in.Overconsumed(), false);
    return true;
}

}  // namespace

DecodeResult DecodeLh3(const CodedMember& member) {
    if (member.originalSize == 0) return {DecodeOutcome::Ok, 0};
    Workspace& w = member.work.Get<Workspace>();
    std::memset(w.window, ' ', OutputWindow::kMaxHistory);  // the dictionary starts as spaces
    OutputWindow window;
    window.Start(w.window, member.output, member.originalSize, nullptr, 0);
    BitInput in;
    in.Start(member.source, member.offset, member.compressedSize, w.input);
    std::uint32_t blockSize = 0;  // codes left in the block

    return DecodeSteps(window, [&](std::uint8_t* out) -> std::uint8_t* {
        if (blockSize == 0) {
            DECODE_CHECK(ReadBlockHeader(in, w, blockSize), nullptr);
            if (blockSize == 0) blockSize = 0x10000;
        }
        --blockSize;
        if (in.bitCount < 48) in.Refill();
        unsigned code = TakeSymbol<kCodeRootBits>(w.codeTable, in.bitBuffer, in.bitCount);
        if (code < kFirstMatchCode) {
            *out++ = static_cast<std::uint8_t>(code);
        } else {
            if (code == kCodes - 1) code += in.GetBits(kExtensionBits);
            DECODE_CHECK(code - kMatchLengthBias <= kMaxMatch, nullptr);
            if (in.bitCount < 32) in.Refill();
            const std::size_t top =
                TakeSymbol<kPositionRootBits>(w.positionTable, in.bitBuffer, in.bitCount);
            const std::size_t distance =
                (top << kPositionLowBits | in.GetBits(kPositionLowBits)) + 1;
            out = CopyMatch(out, distance, code - kMatchLengthBias);
        }
        DECODE_CHECK(!in.Overconsumed(), nullptr);
        return out;
    });
}

}  // namespace quillory::lzh
