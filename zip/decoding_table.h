// Decoding tables for canonical Huffman codes (RFC 1951): one look-up of the first
// `rootBits` stream bits gives a packed entry; codes longer than that go through one
// subtable. An entry carries everything a decoder needs in one word: what it decodes
// to, how many bits the code and its extra bits take together, and the code length
// alone so the extra bits can be cut out of the same bit buffer. It refuses code sets
// that overfill the code space and reports incomplete ones (but a single one-bit code).
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillory::zip {

// Longest code length in deflate and Deflate64 (LZH codes have their own, 16).
inline constexpr unsigned kMaxDeflateCodeLength = 15;
// The largest alphabet: 288 literal/length symbols (the fixed code's).
inline constexpr unsigned kMaxTableSymbols = 288;

// Packed entry:
//   bits 0-4    bits consumed: code length plus extra bits (a link: its subtable's index bits)
//   bits 5-7    always 0, so that the low six bits are the consumed count as well
//   bits 8-11   code length alone
//   bits 12-15  kind flags below
//   bits 16-31  value: a literal byte, a length or distance base, a symbol, a subtable start
namespace table_entry {
inline constexpr std::uint32_t kConsumedMask = 0x1F;
inline constexpr unsigned kCodeLengthShift = 8;
inline constexpr std::uint32_t kCodeLengthMask = 0xF;
inline constexpr std::uint32_t kInvalid = 0x1000;     // no code, or a symbol with no meaning
inline constexpr std::uint32_t kEndOfBlock = 0x2000;  // symbol 256 of a literal/length code
inline constexpr std::uint32_t kLink = 0x4000;        // the value is a subtable start
inline constexpr std::uint32_t kLiteral = 0x8000;     // the value is a literal byte
inline constexpr std::uint32_t kExceptional = kInvalid | kEndOfBlock | kLink;
inline constexpr unsigned kValueShift = 16;

// What a symbol decodes to, before its code length is known.
constexpr std::uint32_t Literal(std::uint32_t byte) {
    return kLiteral | (byte << kValueShift);
}
constexpr std::uint32_t EndOfBlock() {
    return kEndOfBlock;
}
constexpr std::uint32_t Invalid() {
    return kInvalid;
}
constexpr std::uint32_t Base(std::uint32_t base, std::uint32_t extraBits) {
    return (base << kValueShift) | extraBits;
}
// A symbol that is its own value (code-length codes).
constexpr std::uint32_t Symbol(std::uint32_t symbol) {
    return symbol << kValueShift;
}

// Parts of an entry: its value, the bits it consumes, the code length alone, and for a
// link the index bits of its subtable.
constexpr std::uint32_t EntryValue(std::uint32_t e) {
    return e >> kValueShift;
}
constexpr unsigned EntryConsumed(std::uint32_t e) {
    return e & kConsumedMask;
}
constexpr unsigned EntryCodeLength(std::uint32_t e) {
    return (e >> kCodeLengthShift) & kCodeLengthMask;
}
constexpr unsigned EntrySubtableBits(std::uint32_t link) {
    return link & kConsumedMask;
}
}  // namespace table_entry

static_assert(kMaxDeflateCodeLength <= table_entry::kCodeLengthMask);
// The longest entry: a 15-bit code with 16 extra bits (Deflate64 length 285).
static_assert(kMaxDeflateCodeLength + 16 <= table_entry::kConsumedMask);

// Table capacity for `symbols` symbols with `rootBits` first-level bits: every code
// longer than the root opens at most one subtable of at most 2^(15 - rootBits) entries.
constexpr std::size_t DecodingTableCapacity(unsigned symbols, unsigned rootBits) {
    return (std::size_t{1} << rootBits) +
           symbols * (std::size_t{1} << (kMaxDeflateCodeLength - rootBits));
}

enum class TableResult : int {
    Complete = 0,        // also an empty set, and a single one-bit code
    Incomplete = 1,      // codes left unused, and the longest code is longer than one bit
    OverSubscribed = 2,  // more codes than the lengths allow
    OutOfSpace = 3,      // the table would not fit its capacity (cannot happen within it)
};

// Builds the table of `count` (at most 288) code lengths, each 0..15, whose symbols decode to
// symbolEntries[i]. *lookupBits becomes rootBits, or 0 for a set without any code
// (then every slot is invalid). Slots no code reaches are invalid.
TableResult BuildDecodingTable(const std::uint8_t* lengths, unsigned count,
                               const std::uint32_t* symbolEntries, unsigned rootBits,
                               std::uint32_t* table, std::size_t capacity, unsigned* lookupBits);

}  // namespace quillory::zip
