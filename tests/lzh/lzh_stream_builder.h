// Writes -lh5-/-lh6-/-lh7- streams for tests: a most-significant-bit-first bit writer,
// blocks whose tables are made from the symbols they carry, and a simple LZ77 parse,
// so decoder tests can state streams as the symbols they hold. Hand-made faults are
// written with the bit writer directly.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "tests/support/test_support.h"

namespace quillory::testing {

class BitWriter {
public:
    // Appends the low `bits` bits of value, most significant first.
    void Put(std::uint32_t value, int bits);
    std::size_t BitCount() const { return bitCount_; }
    // The bytes so far, the last one padded with zero bits.
    Bytes Finish() const { return bytes_; }

private:
    Bytes bytes_;
    std::size_t bitCount_ = 0;
};

// One coded step: a literal byte or a match (code >= 256 is length code - 253, which
// copies from `back` bytes behind the write position).
struct LzhSymbol {
    int code = 0;
    std::uint32_t back = 0;
};
inline LzhSymbol Literal(std::uint8_t byte) {
    return {byte, 0};
}
inline LzhSymbol Match(int length, std::uint32_t back) {
    return {length + 253, back};
}

// Dictionary bits of a method number: 12, 13, 15, 16 or 19 (-lh4- to -lh7-, -lhx- as 8).
int DictionaryBits(int method);

// One block: the count field (default: the number of symbols), the code-length code,
// the character lengths and the distance lengths, each in its shortest form, then the
// symbols. Tables with a single symbol use the count-0 form.
void WriteBlock(BitWriter& out, int method, const std::vector<LzhSymbol>& symbols,
                std::optional<std::uint16_t> countField = std::nullopt);

// Whole stream: blocks of at most blockCodes symbols.
Bytes EncodeSymbols(int method, const std::vector<LzhSymbol>& symbols,
                    std::size_t blockCodes = 65535);

// Greedy LZ77 parse of data within the method's dictionary (matches of 3..256 bytes).
std::vector<LzhSymbol> Parse(const Bytes& data, int method);

// Parse and encode.
Bytes Compress(const Bytes& data, int method, std::size_t blockCodes = 65535);

// What the symbols decode to, with the dictionary starting as spaces.
Bytes Expand(const std::vector<LzhSymbol>& symbols);

}  // namespace quillory::testing
