// The inflate engine: decodes deflate (method 8) and Deflate64 (method 9) streams from
// an input into the output window, with one decoder body for both formats. Results are
// those of the careful bit-by-bit definition; a fast loop decodes straight from the
// input buffer while enough input and room remain and gives the same bytes. A stream
// is damaged when a code needs bits past its end, and when a distance reaches before
// the first byte the stream produced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "zip/decoding_table.h"
#include "zip/inflate_input.h"
#include "zip/output_window.h"

namespace quillory::zip {

enum class InflateResult : int {
    BlockType3 = -1,     // a block of the reserved type 3
    Ok = 0,              // every block up to the one marked last decoded and flushed
    DataError = 1,       // an invalid code or length, a bad stored length, input that ended
    OverSubscribed = 2,  // a code set with more codes than its lengths allow
    OutOfMemory = 3,     // the fixed code's tables could not be allocated
    OutputFailed = 4,    // the sink refused output; nothing after it was flushed
};

class InflateEngine {
public:
    // First-level look-up bits of the three codes: literal/length codes up to 11 bits,
    // distance codes up to 8 bits and code-length codes (at most 7 bits) in one look-up.
    static constexpr unsigned kLitLenRootBits = 11;
    static constexpr unsigned kDistanceRootBits = 8;
    static constexpr unsigned kCodeLengthRootBits = 7;
    static constexpr std::size_t kLitLenCapacity = DecodingTableCapacity(288, kLitLenRootBits);
    static constexpr std::size_t kDistanceCapacity = DecodingTableCapacity(32, kDistanceRootBits);
    // A link entry holds a subtable's start in its 16-bit value.
    static_assert(kLitLenCapacity <= 65536 && kDistanceCapacity <= 65536);

    struct CodeTables {
        std::uint32_t litLen[kLitLenCapacity];
        std::uint32_t distance[kDistanceCapacity];
    };

    InflateEngine();
    ~InflateEngine();
    InflateEngine(const InflateEngine&) = delete;
    InflateEngine& operator=(const InflateEngine&) = delete;

    // Decodes one stream to its last block; the window is begun here with sink. Complete
    // 65536-byte pieces go to the sink when decoding needs room and the rest at the end;
    // on an error the complete pieces are flushed first, so the sink always sees what a
    // piece-by-piece decoder would have flushed.
    InflateResult Inflate(InflateInput& input, OutputWindow& window, OutputSink* sink,
                          bool deflate64);

    // The fixed code's tables are built on first use and kept until this is called.
    void FreeFixedTables();
    bool HasFixedTables() const { return fixed_[0] != nullptr || fixed_[1] != nullptr; }

    // Tests and fuzzing run the careful path alone and compare.
    void SetFastPath(bool enabled) { fastPath_ = enabled; }

private:
    template <class Format>
    friend class InflateDecoder;

    template <class Format>
    const CodeTables* FixedTables();

    std::unique_ptr<CodeTables> dynamic_;
    std::unique_ptr<CodeTables> fixed_[2];  // deflate, Deflate64: code 285 differs
    std::uint32_t codeLengthTable_[std::size_t{1} << kCodeLengthRootBits];
    bool fastPath_ = true;
};

}  // namespace quillory::zip
