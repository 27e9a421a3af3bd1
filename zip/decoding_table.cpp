// Canonical Huffman table construction.
#include "zip/decoding_table.h"

#include <algorithm>

namespace quillory {

using namespace table_entry;

namespace {

// The first `bits` bits of a canonical code (most significant first) in the order the
// stream delivers them (least significant first).
std::uint32_t Reversed(std::uint32_t code, unsigned bits) {
    std::uint32_t r = 0;
    for (unsigned i = 0; i < bits; ++i) {
        r = (r << 1) | (code & 1);
        code >>= 1;
    }
    return r;
}

// An entry for a symbol whose code is `length` bits long.
std::uint32_t WithLength(std::uint32_t symbolEntry, unsigned length) {
    if ((symbolEntry & kInvalid) != 0) return symbolEntry;
    return symbolEntry + length + (length << kCodeLengthShift);
}

}  // namespace

TableResult BuildDecodingTable(const std::uint8_t* lengths, unsigned count,
                               const std::uint32_t* symbolEntries, unsigned rootBits,
                               std::uint32_t* table, std::size_t capacity, unsigned* lookupBits) {
    const std::size_t rootSize = std::size_t{1} << rootBits;
    if (capacity < rootSize) return TableResult::OutOfSpace;

    unsigned lengthCount[kMaxCodeLength + 1] = {};
    for (unsigned i = 0; i < count; ++i)
        ++lengthCount[lengths[i]];
    lengthCount[0] = 0;

    // Kraft sum: the codes must not need more than the 2^15 leaves of the code tree.
    int left = 1;
    unsigned longest = 0;
    for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
        left = 2 * left - static_cast<int>(lengthCount[len]);
        if (left < 0) return TableResult::OverSubscribed;
        if (lengthCount[len] != 0) longest = len;
    }
    if (longest == 0 || left > 0) std::fill_n(table, rootSize, Invalid());
    if (longest == 0) {
        *lookupBits = 0;
        return TableResult::Complete;
    }

    // Symbols ordered by code length, then by symbol: the canonical code order.
    unsigned offset[kMaxCodeLength + 2] = {};
    for (unsigned len = 1; len <= kMaxCodeLength; ++len)
        offset[len + 1] = offset[len] + lengthCount[len];
    std::uint16_t sorted[kMaxTableSymbols];
    if (count > kMaxTableSymbols) return TableResult::OutOfSpace;
    for (unsigned i = 0; i < count; ++i) {
        if (lengths[i] != 0) sorted[offset[lengths[i]]++] = static_cast<std::uint16_t>(i);
    }
    const unsigned codes = offset[kMaxCodeLength];

    unsigned remaining[kMaxCodeLength + 1];
    std::copy_n(lengthCount, kMaxCodeLength + 1, remaining);
    std::uint32_t code = 0;  // canonical code of the current symbol, most significant bit first
    unsigned codeLength = lengths[sorted[0]];
    std::size_t used = rootSize;
    std::uint32_t currentPrefix = ~std::uint32_t{0};
    std::uint32_t* subTable = nullptr;
    unsigned subBits = 0;
    for (unsigned k = 0; k < codes; ++k) {
        const unsigned symbol = sorted[k];
        const unsigned len = lengths[symbol];
        code <<= len - codeLength;
        codeLength = len;
        const std::uint32_t entry = WithLength(symbolEntries[symbol], len);
        const std::uint32_t stream = Reversed(code, len);
        if (len <= rootBits) {
            for (std::size_t i = stream; i < rootSize; i += std::size_t{1} << len)
                table[i] = entry;
        } else {
            const auto prefix = static_cast<std::uint32_t>(stream & (rootSize - 1));
            if (prefix != currentPrefix) {
                // A new sub-table, as deep as the codes that share this prefix need: grow
                // it until the remaining codes, shortest first, fill it.
                currentPrefix = prefix;
                subBits = len - rootBits;
                int room = 1 << subBits;
                while (subBits + rootBits < longest) {
                    room -= static_cast<int>(remaining[subBits + rootBits]);
                    if (room <= 0) break;
                    ++subBits;
                    room <<= 1;
                }
                const std::size_t subSize = std::size_t{1} << subBits;
                if (used + subSize > capacity) return TableResult::OutOfSpace;
                subTable = table + used;
                std::fill_n(subTable, subSize, Invalid());
                table[prefix] = kLink | (static_cast<std::uint32_t>(used) << kValueShift) | subBits;
                used += subSize;
            }
            const unsigned below = len - rootBits;
            for (std::size_t i = stream >> rootBits; i < (std::size_t{1} << subBits);
                 i += std::size_t{1} << below) {
                subTable[i] = entry;
            }
        }
        --remaining[len];
        ++code;
    }
    *lookupBits = rootBits;
    return (left > 0 && longest > 1) ? TableResult::Incomplete : TableResult::Complete;
}

}  // namespace quillory
