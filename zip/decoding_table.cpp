// Builds deflate's two-level decoding tables from code lengths: symbols in canonical
// order, the first level doubled one code length at a time, a subtable under each
// first-level prefix that longer codes share. Refuses lengths that overfill the code
// space, and reports incomplete sets for the decoder to refuse.
#include "zip/decoding_table.h"

#include <algorithm>
#include <array>

#include "common/decode_check.h"

namespace quillory::zip {

using namespace table_entry;

namespace {

constexpr std::array<std::uint8_t, 256> ReversedBytes() {
    std::array<std::uint8_t, 256> r{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned v = 0;
        for (unsigned b = 0; b < 8; ++b)
            v |= ((i >> b) & 1) << (7 - b);
        r[i] = static_cast<std::uint8_t>(v);
    }
    return r;
}
constexpr auto kReversedBytes = ReversedBytes();

// The first `bits` bits of a canonical code (most significant first) in the order the
// stream delivers them (least significant first).
std::uint32_t Reversed(std::uint32_t code, unsigned bits) {
    const std::uint32_t r16 =
        (std::uint32_t{kReversedBytes[code & 0xFF]} << 8) | kReversedBytes[(code >> 8) & 0xFF];
    return r16 >> (16 - bits);
}
static_assert(kMaxDeflateCodeLength <= 16);

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
    DECODE_CHECK(capacity >= rootSize && count <= kMaxTableSymbols, TableResult::OutOfSpace);

    unsigned lengthCount[kMaxDeflateCodeLength + 1] = {};
    for (unsigned i = 0; i < count; ++i)
        ++lengthCount[lengths[i]];
    lengthCount[0] = 0;

    // Kraft sum: the codes must not need more than the 2^15 leaves of the code tree.
    int left = 1;
    unsigned longest = 0;
    for (unsigned len = 1; len <= kMaxDeflateCodeLength; ++len) {
        left = 2 * left - static_cast<int>(lengthCount[len]);
        DECODE_CHECK(left >= 0, TableResult::OverSubscribed);
        if (lengthCount[len] != 0) longest = len;
    }
    if (longest == 0) {
        std::fill_n(table, rootSize, Invalid());
        *lookupBits = 0;
        return TableResult::Complete;
    }

    // Symbols ordered by code length, then by symbol: the canonical code order.
    unsigned offset[kMaxDeflateCodeLength + 2] = {};
    for (unsigned len = 1; len <= kMaxDeflateCodeLength; ++len)
        offset[len + 1] = offset[len] + lengthCount[len];
    std::uint16_t sorted[kMaxTableSymbols];
    for (unsigned i = 0; i < count; ++i) {
        if (lengths[i] != 0) sorted[offset[lengths[i]]++] = static_cast<std::uint16_t>(i);
    }
    const unsigned codes = offset[kMaxDeflateCodeLength];

    // First level, one code length at a time: the table so far is complete for the codes
    // of that length and shorter; doubling it makes room for the next length, each slot
    // then standing for both values of the new bit. Slots no code reaches stay invalid.
    table[0] = table[1] = Invalid();
    std::size_t filled = 2;
    std::uint32_t code = 0;  // canonical code of the next symbol, most significant bit first
    unsigned k = 0;
    const unsigned firstLevelLongest = longest < rootBits ? longest : rootBits;
    for (unsigned len = 1; len <= firstLevelLongest; ++len) {
        if ((std::size_t{1} << len) > filled) {
            std::copy_n(table, filled, table + filled);
            filled *= 2;
        }
        for (; k < codes && lengths[sorted[k]] == len; ++k, ++code) {
            table[Reversed(code, len)] = WithLength(symbolEntries[sorted[k]], len);
        }
        code <<= 1;
    }
    while (filled < rootSize) {
        std::copy_n(table, filled, table + filled);
        filled *= 2;
    }

    // Longer codes: one subtable under each first-level prefix they share.
    unsigned remaining[kMaxDeflateCodeLength + 1];
    std::copy_n(lengthCount, kMaxDeflateCodeLength + 1, remaining);
    code >>= 1;  // undo the shift past the first level's last length
    unsigned codeLength = firstLevelLongest;
    std::size_t used = rootSize;
    std::uint32_t currentPrefix = ~std::uint32_t{0};
    std::uint32_t* subtable = nullptr;
    unsigned subBits = 0;
    for (; k < codes; ++k) {
        const unsigned symbol = sorted[k];
        const unsigned len = lengths[symbol];
        code <<= len - codeLength;
        codeLength = len;
        const std::uint32_t entry = WithLength(symbolEntries[symbol], len);
        const std::uint32_t stream = Reversed(code, len);
        const auto prefix = static_cast<std::uint32_t>(stream & (rootSize - 1));
        if (prefix != currentPrefix) {
            // A new subtable, as deep as the codes that share this prefix need: grow it
            // until the remaining codes, shortest first, fill it.
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
            DECODE_CHECK(used + subSize <= capacity, TableResult::OutOfSpace);
            subtable = table + used;
            std::fill_n(subtable, subSize, Invalid());
            table[prefix] = kLink | (static_cast<std::uint32_t>(used) << kValueShift) | subBits;
            used += subSize;
        }
        const unsigned below = len - rootBits;
        for (std::size_t i = stream >> rootBits; i < (std::size_t{1} << subBits);
             i += std::size_t{1} << below) {
            subtable[i] = entry;
        }
        --remaining[len];
        ++code;
    }
    *lookupBits = rootBits;
    // Only a single code of one bit may leave codes unused.
    DECODE_CHECK(left == 0 || longest == 1, TableResult::Incomplete);
    return TableResult::Complete;
}

}  // namespace quillory::zip
