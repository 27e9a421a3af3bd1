// Fixed Huffman codes written as the formats define them: runs of code lengths in
// symbol order ("144 codes of 8 bits, then 112 of 9 ..."). The decoders expand the runs
// into one length per symbol, and static_asserts check at compile time that a run list
// covers its alphabet and fills the code space exactly, so that building the fixed
// code's table cannot fail at run time. Lengths are 1 to 32 bits.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillory {

struct CodeLengthRun {
    std::uint8_t length;  // bits of each code
    unsigned count;       // symbols in a row with that length
};

// How many symbols the runs cover.
template <std::size_t N>
constexpr unsigned RunSymbols(const CodeLengthRun (&runs)[N]) {
    unsigned symbols = 0;
    for (const CodeLengthRun& run : runs)
        symbols += run.count;
    return symbols;
}

// The longest code of the runs.
template <std::size_t N>
constexpr unsigned LongestCode(const CodeLengthRun (&runs)[N]) {
    unsigned longest = 0;
    for (const CodeLengthRun& run : runs)
        longest = run.length > longest ? run.length : longest;
    return longest;
}

// True when the codes use the whole code space, no more and no less (Kraft's sum is 1):
// the code is complete, every bit string starts a code.
template <std::size_t N>
constexpr bool FillsCodeSpace(const CodeLengthRun (&runs)[N]) {
    std::uint64_t used = 0;  // in units of a 32-bit code's share
    for (const CodeLengthRun& run : runs)
        used += std::uint64_t{run.count} << (32 - run.length);
    return used == std::uint64_t{1} << 32;
}

// Writes the length of each of the RunSymbols(runs) symbols to lengths.
template <std::size_t N>
constexpr void ExpandRuns(const CodeLengthRun (&runs)[N], std::uint8_t* lengths) {
    for (const CodeLengthRun& run : runs) {
        for (unsigned k = 0; k < run.count; ++k)
            *lengths++ = run.length;
    }
}

}  // namespace quillory
