// Builds the LZH decoders' two-level look-up tables from code lengths: codes assigned
// in symbol order within each length, a subtable under each root slot that longer codes
// share. Refuses lengths that do not fill the code space exactly (but the empty set).
#include "lzh/lzh_huffman.h"

#include <algorithm>

#include "common/decode_check.h"

namespace quillory::lzh {

namespace {
// The code space in units of the longest code: a complete code's weights sum to this.
constexpr std::uint32_t kCodeSpace = 1u << kMaxCodeLength;
}  // namespace

void FillSingleSymbol(unsigned symbol, int rootBits, std::uint32_t* table) {
    std::fill_n(table, std::size_t{1} << rootBits, DirectEntry(symbol, 0));
}

bool MakeTable(int symbols, const std::uint8_t* lengths, int rootBits, std::uint32_t* table) {
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
        FillSingleSymbol(0, rootBits, table);
        return true;
    }
    DECODE_CHECK(used == kCodeSpace, false);

    const std::size_t rootSize = std::size_t{1} << rootBits;
    const int subBits = std::max(longest - rootBits, 0);
    // Slots from the first long code onwards become links; clear them so that the
    // first long code of each slot can see that its subtable is not made yet.
    const std::size_t firstLongSlot =
        next[std::min(rootBits + 1, kMaxCodeLength)] >> (kMaxCodeLength - rootBits);
    if (longest > rootBits) std::fill(table + firstLongSlot, table + rootSize, 0u);
    std::size_t nextSubtable = rootSize;

    for (int s = 0; s < symbols; ++s) {
        const int len = lengths[s];
        if (len == 0) continue;
        const std::uint32_t code = next[len];  // left-aligned in 16 bits
        next[len] += 1u << (kMaxCodeLength - len);
        const std::size_t slot = code >> (kMaxCodeLength - rootBits);
        if (len <= rootBits) {
            std::fill_n(table + slot, std::size_t{1} << (rootBits - len),
                        DirectEntry(static_cast<unsigned>(s), static_cast<unsigned>(len)));
            continue;
        }
        if ((table[slot] & kLink) == 0) {
            table[slot] = static_cast<std::uint32_t>(nextSubtable) << 16 | kLink |
                          static_cast<std::uint32_t>(subBits) << 8 |
                          static_cast<std::uint32_t>(rootBits);
            nextSubtable += std::size_t{1} << subBits;
        }
        // The code's bits after the root ones, widened to the subtable's index bits.
        const int rest = len - rootBits;
        const std::uint32_t tail = (code >> (kMaxCodeLength - len)) & ((1u << rest) - 1);
        const std::size_t first = EntryValue(table[slot]) + (std::size_t{tail} << (subBits - rest));
        std::fill_n(table + first, std::size_t{1} << (subBits - rest),
                    DirectEntry(static_cast<unsigned>(s), static_cast<unsigned>(rest)));
    }
    return true;
}

}  // namespace quillory::lzh
