// Canonical Huffman look-up tables for the static-Huffman decoder. A table resolves a
// whole code with one look-up of its first `primaryBits` bits, or two when the code is
// longer (one level of subtables). Lengths that do not fill the code space exactly are
// refused, so a decode never leaves the table; the only other accepted set is the
// empty one (every length 0), whose look-ups all give symbol 0 and consume no bits.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillory::lzh {

// Codes are at most 16 bits long.
inline constexpr int kMaxCodeLength = 16;

// The literal and length codes of every LHA method: c < 256 is the byte c, c >= 256 a
// match of c - 253 bytes.
inline constexpr unsigned kFirstMatchCode = 256;
inline constexpr unsigned kMatchLengthBias = 253;

// A table entry packs what one look-up needs:
//   direct entry:   symbol << 16 | bits to consume (the code length, or what is left
//                   of it after the primary bits)
//   subtable link:  offset << 16 | kLinkFlag | subtable bits << 8 | primary bits
inline constexpr std::uint32_t kLinkFlag = 1u << 15;

inline constexpr std::uint32_t DirectEntry(unsigned symbol, unsigned bits) {
    return symbol << 16 | bits;
}

// Parts of an entry: the symbol or subtable offset, the bits to consume, and for a
// link the index bits of its subtable (below the flag).
inline constexpr unsigned EntryValue(std::uint32_t entry) {
    return entry >> 16;
}
inline constexpr unsigned EntryBits(std::uint32_t entry) {
    return entry & 0xFF;
}
inline constexpr unsigned SubtableBits(std::uint32_t entry) {
    return (entry >> 8) & 0x1F;
}
static_assert(SubtableBits(kLinkFlag | 16u << 8) == 16);

// Entries a table needs: the primary part plus one subtable per primary slot that holds
// longer codes. In a complete code each such slot holds at least two codes, so there
// are at most symbols / 2 of them, each of 2^(16 - primaryBits) entries at most.
inline constexpr std::size_t HuffmanTableEntries(int symbols, int primaryBits) {
    return (std::size_t{1} << primaryBits) + static_cast<std::size_t>(symbols / 2) *
                                                 (std::size_t{1} << (kMaxCodeLength - primaryBits));
}

// Builds the table for code lengths lengths[0 .. symbols) (each 0..16; 0 means the
// symbol is absent), codes assigned in symbol order within each length. Returns false,
// leaving the table undefined, when the lengths over- or under-fill the code space.
bool MakeTable(int symbols, const std::uint8_t* lengths, int primaryBits, std::uint32_t* table);

// Fills the primary part with one symbol of length 0: every look-up gives it at once.
void FillSingleSymbol(unsigned symbol, int primaryBits, std::uint32_t* table);

// Decodes one symbol from the top of bits, consuming its code: one look-up, or two
// for a code longer than the primary bits. Needs count >= 16.
template <int PrimaryBits>
[[gnu::always_inline]] inline unsigned TakeSymbol(const std::uint32_t* table, std::uint64_t& bits,
                                                  unsigned& count) {
    std::uint32_t entry = table[bits >> (64 - PrimaryBits)];
    if (entry & kLinkFlag) [[unlikely]] {
        bits <<= PrimaryBits;
        count -= PrimaryBits;
        entry = table[EntryValue(entry) + (bits >> (64 - SubtableBits(entry)))];
    }
    bits <<= EntryBits(entry);
    count -= EntryBits(entry);
    return EntryValue(entry);
}

}  // namespace quillory::lzh
