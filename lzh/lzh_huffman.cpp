// Canonical Huffman table construction.
#include "lzh/lzh_huffman.h"

#include <algorithm>

#include "lzh/lzh_check.h"

namespace quillory::lzh {

namespace {
// The code space in units of the longest code: a complete code's weights sum to this.
constexpr std::uint32_t kCodeSpace = 1u << kMaxCodeLength;
}  // namespace

void FillSingleSymbol(unsigned symbol, int primaryBits, std::uint32_t* table) {
    std::fill_n(table, std::size_t{1} << primaryBits, DirectEntry(symbol, 0));
}

bool MakeTable(int symbols, const std::uint8_t* lengths, int primaryBits, std::uint32_t* table) {
    std::uint32_t count[kMaxCodeLength + 1] = {};
    int longest = 0;
    for (int s = 0; s < symbols; ++s) {
        ++count[lengths[s]];
        longest = std::max<int>(longest, lengths[s]);
    }
    // Each code of length len takes 2^(16 - len) of the code space. Summed without
    // wrapping, so that sets overfilling it by a multiple of 2^16 are caught as well.
    std::uint32_t used = 0;
    std::uint32_t next[kMaxCodeLength + 1] = {};
    for (int len = 1; len <= kMaxCodeLength; ++len) {
        next[len] = used;
        used += count[len] << (kMaxCodeLength - len);
    }
    if (used == 0) {  // no codes at all: every look-up gives symbol 0 without bits
        FillSingleSymbol(0, primaryBits, table);
        return true;
    }
    LZH_CHECK(used == kCodeSpace);

    const std::size_t primarySize = std::size_t{1} << primaryBits;
    const int subBits = std::max(longest - primaryBits, 0);
    // Slots from the first long code onwards become links; clear them so that the
    // first long code of each slot can see that its subtable is not made yet.
    const std::size_t firstLongSlot =
        next[std::min(primaryBits + 1, kMaxCodeLength)] >> (kMaxCodeLength - primaryBits);
    if (longest > primaryBits) std::fill(table + firstLongSlot, table + primarySize, 0u);
    std::size_t nextSubtable = primarySize;

    for (int s = 0; s < symbols; ++s) {
        const int len = lengths[s];
        if (len == 0) continue;
        const std::uint32_t code = next[len];  // left-aligned in 16 bits
        next[len] += 1u << (kMaxCodeLength - len);
        const std::size_t slot = code >> (kMaxCodeLength - primaryBits);
        if (len <= primaryBits) {
            std::fill_n(table + slot, std::size_t{1} << (primaryBits - len),
                        DirectEntry(static_cast<unsigned>(s), static_cast<unsigned>(len)));
            continue;
        }
        if ((table[slot] & kLinkFlag) == 0) {
            table[slot] = static_cast<std::uint32_t>(nextSubtable) << 16 | kLinkFlag |
                          static_cast<std::uint32_t>(subBits) << 8 |
                          static_cast<std::uint32_t>(primaryBits);
            nextSubtable += std::size_t{1} << subBits;
        }
        // The code's bits after the primary ones, widened to the subtable's index bits.
        const int rest = len - primaryBits;
        const std::uint32_t tail = (code >> (kMaxCodeLength - len)) & ((1u << rest) - 1);
        const std::size_t first = EntryValue(table[slot]) + (std::size_t{tail} << (subBits - rest));
        std::fill_n(table + first, std::size_t{1} << (subBits - rest),
                    DirectEntry(static_cast<unsigned>(s), static_cast<unsigned>(rest)));
    }
    return true;
}

}  // namespace quillory::lzh
