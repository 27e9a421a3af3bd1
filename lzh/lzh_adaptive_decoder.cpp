// -lh1- and -lh2- decoding: each step walks the adaptive code tree bit by bit to a
// literal or a match length, and for a match reads the position: six coded top bits (a
// fixed code in -lh1-, a second adaptive tree in -lh2-) and six plain ones. Refuses bits
// past the member's data, -lh2- lengths over 256 and a position tree out of room.
#include "lzh/lzh_adaptive_decoder.h"

#include <cstring>

#include "common/code_length_runs.h"
#include "common/decode_check.h"
#include "lzh/lzh_adaptive_huffman.h"
#include "lzh/lzh_bit_input.h"
#include "lzh/lzh_huffman.h"
#include "lzh/lzh_method.h"
#include "lzh/lzh_output_window.h"

namespace quillory::lzh {
namespace {

// Literal and length codes (lzh_huffman.h): -lh1- has 314 (lengths 3..60); -lh2- has
// 286, the last followed by 8 bits that extend it (so lengths 32..287, of which its
// encoders use up to 256).
constexpr int kLh1Codes = 314;
constexpr int kLh2Codes = 286;
constexpr unsigned kLh2ExtensionBits = 8;
constexpr std::size_t kLh2MaxMatch = 256;
static_assert(kLh1Codes - 1 - kMatchLengthBias == 60 && kLh2Codes - 1 - kMatchLengthBias == 32);
static_assert(kLh1Codes <= AdaptiveHuffman::kMaxSymbols);
static_assert(kLh1Codes - 1 - kMatchLengthBias <= OutputWindow::kMaxStepBytes &&
              kLh2MaxMatch <= OutputWindow::kMaxStepBytes);

// A position is a coded top part and kPositionLowBits plain bits; the distance is one
// more than the position.
constexpr unsigned kPositionLowBits = 6;

// -lh1-'s fixed code for the 64 top parts: 1 code of 3 bits, 3 of 4, 8 of 5, 12 of 6,
// 24 of 7 and 16 of 8, assigned in order. It fills its code space and no code is longer
// than the root bits, so one look-up without a link resolves every code.
constexpr int kLh1PositionCodes = 64;
constexpr int kLh1PositionRootBits = 8;
constexpr CodeLengthRun kLh1PositionLengths[] = {{3, 1}, {4, 3}, {5, 8}, {6, 12}, {7, 24}, {8, 16}};
static_assert(RunSymbols(kLh1PositionLengths) == kLh1PositionCodes &&
              FillsCodeSpace(kLh1PositionLengths));
static_assert(LongestCode(kLh1PositionLengths) <= kLh1PositionRootBits);
static_assert((std::size_t{kLh1PositionCodes} << kPositionLowBits) <= OutputWindow::kMaxHistory);

// -lh2-'s position code starts with the top part 0 alone and gains top part k once
// more than 64 k bytes are out, up to its 8 KiB dictionary.
constexpr std::uint64_t kLh2PositionStep = 64;
constexpr std::uint64_t kLh2Dictionary = 8192;
static_assert(kLh2Dictionary <= OutputWindow::kMaxHistory);

struct Workspace {
    alignas(64) std::uint8_t window[OutputWindow::kBufferBytes];
    alignas(64) std::uint8_t input[BitInput::kBufferBytes];
    std::uint32_t lh1Positions[HuffmanTableEntries(kLh1PositionCodes, kLh1PositionRootBits)];
    AdaptiveHuffman codes;
    AdaptiveHuffman positions;
};

void MakeLh1PositionTable(std::uint32_t* table) {
    std::uint8_t lengths[kLh1PositionCodes];
    ExpandRuns(kLh1PositionLengths, lengths);
    MakeTable(kLh1PositionCodes, lengths, kLh1PositionRootBits, table);
}

unsigned TakeBit(BitInput& in) {
    if (in.bitCount == 0) in.Refill();
    const unsigned bit = static_cast<unsigned>(in.bitBuffer >> 63);
    in.Consume(1);
    return bit;
}

// Walks tree from its root to a leaf and counts the symbol found.
int TakeAdaptive(BitInput& in, AdaptiveHuffman& tree) {
    int node = tree.Root();
    while (!tree.IsLeaf(node))
        node = tree.Child(node, TakeBit(in));
    const int symbol = tree.Symbol(node);
    tree.Count(symbol);
    return symbol;
}

template <int Method>
DecodeResult Decode(const CodedMember& member) {
    if (member.originalSize == 0) return {DecodeOutcome::Ok, 0};
    Workspace& w = member.work.Get<Workspace>();
    std::memset(w.window, ' ', OutputWindow::kMaxHistory);  // LHarc's dictionary starts as spaces
    OutputWindow window;
    window.Start(w.window, member.output, member.originalSize, nullptr, 0);
    BitInput in;
    in.Start(member.source, member.offset, member.compressedSize, w.input);
    if constexpr (Method == kMethodLh1) {
        w.codes.StartComplete(kLh1Codes);
        MakeLh1PositionTable(w.lh1Positions);
    } else {
        w.codes.StartComplete(kLh2Codes);
        w.positions.StartGrowing();
    }
    std::uint64_t nextPositionAt = kLh2PositionStep;  // -lh2-: output that adds a top part

    return DecodeSteps(window, [&](std::uint8_t* out) -> std::uint8_t* {
        if (in.bitCount < 32) in.Refill();
        unsigned code = static_cast<unsigned>(TakeAdaptive(in, w.codes));
        if (code < kFirstMatchCode) {
            *out = static_cast<std::uint8_t>(code);
            DECODE_CHECK(!in.Overconsumed(), nullptr);
            return out + 1;
        }
        std::size_t top;
        if constexpr (Method == kMethodLh1) {
            if (in.bitCount < 16) in.Refill();
            const std::uint32_t entry = w.lh1Positions[in.Peek(kLh1PositionRootBits)];
            in.Consume(EntryConsumed(entry));
            top = EntryValue(entry);
        } else {
            if (code == kLh2Codes - 1) code += in.GetBits(kLh2ExtensionBits);
            DECODE_CHECK(code - kMatchLengthBias <= kLh2MaxMatch, nullptr);
            const std::uint64_t produced = window.Produced(out);
            while (produced > nextPositionAt) {
                DECODE_CHECK(
                    w.positions.AddLeaf(static_cast<int>(nextPositionAt / kLh2PositionStep)),
                    nullptr);
                nextPositionAt += kLh2PositionStep;
                if (nextPositionAt >= kLh2Dictionary) nextPositionAt = UINT64_MAX;
            }
            if (in.bitCount < 32) in.Refill();
            top = static_cast<std::size_t>(TakeAdaptive(in, w.positions));
        }
        const std::size_t distance = (top << kPositionLowBits | in.GetBits(kPositionLowBits)) + 1;
        out = CopyMatch(out, distance, code - kMatchLengthBias);
        DECODE_CHECK(!in.Overconsumed(), nullptr);
        return out;
    });
}

}  // namespace

DecodeResult DecodeAdaptive(int methodCode, const CodedMember& member) {
    if (methodCode == kMethodLh1) {
        return Decode<kMethodLh1>(member);
    }
    return Decode<kMethodLh2>(member);
}

}  // namespace quillory::lzh
