// -lh1- and -lh2- decoding: each step walks the adaptive code tree bit by bit to a
// literal or a match length, counts it, and for a match reads the position: six coded
// top bits (a fixed code in -lh1-, a second adaptive tree in -lh2-) and six plain ones.
#include "lzh/lzh_adaptive_decoder.h"

#include <cstring>

#include "lzh/lzh_adaptive_huffman.h"
#include "lzh/lzh_bit_input.h"
#include "lzh/lzh_check.h"
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
static_assert(kLh1Codes <= AdaptiveHuffman::kMaxSymbols);
static_assert(kLh2MaxMatch <= OutputWindow::kMaxStepBytes);

// A position is a coded top part and kPositionLowBits plain bits; the distance is one
// more than the position.
constexpr unsigned kPositionLowBits = 6;

// -lh1-'s fixed code for the 64 top parts: 1 code of 3 bits, 3 of 4, 8 of 5, 12 of 6,
// 24 of 7 and 16 of 8, assigned in order.
constexpr int kLh1PositionCodes = 64;
constexpr int kLh1PositionTableBits = 8;

// -lh2-'s position code starts with the top part 0 alone and gains top part k once
// more than 64 k bytes are out, up to its 8 KiB dictionary.
constexpr std::uint64_t kLh2PositionStep = 64;
constexpr std::uint64_t kLh2Dictionary = 8192;
static_assert(kLh2Dictionary <= OutputWindow::kMaxHistory);

struct Workspace {
    alignas(64) std::uint8_t window[OutputWindow::kBufferBytes];
    alignas(64) std::uint8_t input[BitInput::kBufferBytes];
    std::uint32_t lh1Positions[HuffmanTableEntries(kLh1PositionCodes, kLh1PositionTableBits)];
    AdaptiveHuffman codes;
    AdaptiveHuffman positions;
};

Workspace& TheWorkspace() {
    static Workspace workspace;
    return workspace;
}

void MakeLh1PositionTable(std::uint32_t* table) {
    static constexpr int kCodesOfLength[] = {0, 0, 0, 1, 3, 8, 12, 24, 16};
    std::uint8_t lengths[kLh1PositionCodes];
    int next = 0;
    for (int length = 3; length <= 8; ++length) {
        for (int k = 0; k < kCodesOfLength[length]; ++k)
            lengths[next++] = static_cast<std::uint8_t>(length);
    }
    MakeTable(kLh1PositionCodes, lengths, kLh1PositionTableBits, table);
}

unsigned TakeBit(BitInput& in) {
    if (in.count == 0) in.Refill();
    const unsigned bit = static_cast<unsigned>(in.bits >> 63);
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
DecodeResult Decode(platform::FileHandle input, platform::FileHandle output,
                    std::uint32_t compressedSize, std::uint32_t originalSize,
                    ExtractCallback* progress) {
    if (originalSize == 0) return {DecodeOutcome::Completed, 0};
    Workspace& w = TheWorkspace();
    std::memset(w.window, ' ', OutputWindow::kMaxHistory);  // LHarc's dictionary starts as spaces
    OutputWindow window;
    window.Start(w.window, output, originalSize, nullptr, 0, progress);
    BitInput in;
    in.Start(input, compressedSize, w.input);
    if constexpr (Method == kMethodLh1) {
        w.codes.StartComplete(kLh1Codes);
        MakeLh1PositionTable(w.lh1Positions);
    } else {
        w.codes.StartComplete(kLh2Codes);
        w.positions.StartGrowing();
    }
    std::uint64_t nextPositionAt = kLh2PositionStep;  // -lh2-: output that adds a top part

    return DecodeSteps(window, [&](std::uint8_t* out) -> std::uint8_t* {
        if (in.count < 32) in.Refill();
        unsigned code = static_cast<unsigned>(TakeAdaptive(in, w.codes));
        if (code < kFirstMatchCode) {
            *out = static_cast<std::uint8_t>(code);
            LZH_CHECK_OR(!in.Overconsumed(), nullptr);
            return out + 1;
        }
        std::size_t top;
        if constexpr (Method == kMethodLh1) {
            if (in.count < 16) in.Refill();
            const std::uint32_t entry = w.lh1Positions[in.Peek(kLh1PositionTableBits)];
            in.Consume(EntryBits(entry));
            top = EntryValue(entry);
        } else {
            if (code == kLh2Codes - 1) code += in.GetBits(kLh2ExtensionBits);
            LZH_CHECK_OR(code - kMatchLengthBias <= kLh2MaxMatch, nullptr);
            const std::uint64_t produced = window.Produced(out);
            while (produced > nextPositionAt) {
                LZH_CHECK_OR(
                    w.positions.AddLeaf(static_cast<int>(nextPositionAt / kLh2PositionStep)),
                    nullptr);
                nextPositionAt += kLh2PositionStep;
                if (nextPositionAt >= kLh2Dictionary) nextPositionAt = UINT64_MAX;
            }
            if (in.count < 32) in.Refill();
            top = static_cast<std::size_t>(TakeAdaptive(in, w.positions));
        }
        const std::size_t distance = (top << kPositionLowBits | in.GetBits(kPositionLowBits)) + 1;
        out = CopyMatch(out, distance, code - kMatchLengthBias);
        LZH_CHECK_OR(!in.Overconsumed(), nullptr);
        return out;
    });
}

}  // namespace

DecodeResult DecodeAdaptive(int methodCode, platform::FileHandle input, platform::FileHandle output,
                            std::uint32_t compressedSize, std::uint32_t originalSize,
                            ExtractCallback* progress) {
    if (methodCode == kMethodLh1) {
        return Decode<kMethodLh1>(input, output, compressedSize, originalSize, progress);
    }
    return Decode<kMethodLh2>(input, output, compressedSize, originalSize, progress);
}

}  // namespace quillory::lzh
