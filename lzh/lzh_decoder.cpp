// Static-Huffman decoding: block headers read step by step through BitInput, symbols
// decoded in a hot loop that holds the bit state in locals. Output accumulates behind
// the dictionary's history in one buffer and is flushed (CRC-16, write) in chunks of a
// multiple of every dictionary size, so what reaches the file is the same whichever
// way the bytes were produced. Every refusal of a stream goes through DECODE_CHECK;
// the hot loop needs only the end-of-data check (and -lh4-'s distance check), as the
// tables cannot send it outside its arrays.
#include "lzh/lzh_decoder.h"

#include <algorithm>
#include <cstring>

#include "common/decode_check.h"
#include "lzh/lzh_bit_input.h"
#include "lzh/lzh_huffman.h"
#include "lzh/lzh_method.h"
#include "lzh/lzh_sink.h"

namespace quillory::lzh {
namespace {

// Character/length codes: 256 literal bytes, then match lengths 3..256.
constexpr int kCharCodes = 510;
constexpr std::size_t kMaxMatch = kCharCodes - 1 - kMatchLengthBias;
static_assert(kMaxMatch == 256);

// The code-length code: 19 symbols, counted in 5 bits; after the third length two bits
// give a run of zero lengths. Character lengths are counted in 9 bits.
constexpr int kLengthCodes = 19;
constexpr int kLengthCountBits = 5;
constexpr int kSpecialPosition = 3;
constexpr int kSpecialRunBits = 2;
static_assert(kSpecialPosition + (1 << kSpecialRunBits) - 1 <= kLengthCodes);
constexpr int kCharCountBits = 9;
static_assert((1 << kCharCountBits) - 1 >= kCharCodes);  // why a count must be checked
constexpr unsigned kShortZeroRunBits = 4;                // code 1: 3..18 zero lengths
constexpr unsigned kShortZeroRunBase = 3;
constexpr unsigned kLongZeroRunBase = 20;  // code 2: 20..531 zero lengths (9 bits)
constexpr unsigned kRunCodes = 3;          // codes 0, 1, 2 are runs; c > 2 is length c - 2
constexpr int kBlockSizeBits = 16;

// Root look-up widths: 12 bits for characters, 8 for code lengths and distances.
constexpr int kCharRootBits = 12;
constexpr int kPtRootBits = 8;
static_assert((1u << kCharRootBits) >= kFirstMatchCode);  // links never look like literals

// The largest distance code table (-lhx-: 20 codes) shares the code-length table's
// arrays, sized for the larger of the two.
constexpr int kMaxDistCodes = 20;
constexpr int kPtCodes = std::max(kLengthCodes, kMaxDistCodes);

// Output: the history that matches may reach, then a chunk being filled, then room for
// the last step to run past the chunk (one whole match plus the overrun of word copies).
// The history is the dictionary, except for -lh4-, whose distance codes (those of
// -lh5-) reach twice as far; a distance past its dictionary is refused.
constexpr std::size_t kMaxHistory = std::size_t{1} << 19;  // -lhx-
constexpr std::size_t kBaseChunkBytes = 256 * 1024;
constexpr std::size_t kMaxChunkBytes = 4 * kMaxHistory;
constexpr std::size_t kCopyWord = 16;
constexpr std::size_t kCopyOverrun = kCopyWord;
constexpr std::size_t kWindowBytes = kMaxHistory + kMaxChunkBytes + kMaxMatch + kCopyOverrun;

// The dictionary holds spaces before a member's first byte, as LHA encoders assume.
constexpr std::uint8_t kInitialDictionaryByte = 0x20;

struct Workspace {
    alignas(64) std::uint8_t window[kWindowBytes];
    alignas(64) std::uint8_t input[BitInput::kBufferBytes];
    alignas(64) std::uint32_t charTable[HuffmanTableEntries(kCharCodes, kCharRootBits)];
    alignas(64) std::uint32_t ptTable[HuffmanTableEntries(kPtCodes, kPtRootBits)];
    std::uint8_t charLengths[kCharCodes];
    std::uint8_t ptLengths[kPtCodes];
};

// Lengths of the code-length code (nn = 19) or of the distance code (nn = NP).
bool ReadPtLen(BitInput& in, int nn, int nbit, int special, std::uint8_t* lengths,
               std::uint32_t* table) {
    const unsigned n = in.GetBits(static_cast<unsigned>(nbit));
    if (n == 0) {
        const unsigned only = in.GetBits(static_cast<unsigned>(nbit));
        DECODE_CHECK(only < static_cast<unsigned>(nn), false);
        std::fill_n(lengths, nn, 0);
        FillSingleSymbol(only, kPtRootBits, table);
        return true;
    }
    DECODE_CHECK(n <= static_cast<unsigned>(nn), false);
    unsigned i = 0;
    while (i < n) {
        // Three bits give 0..6; 7 is followed by one 1 bit per extra unit and a 0 bit.
        const std::uint32_t window = in.Peek16();
        unsigned length = window >> 13;
        if (length == 7) {
            for (std::uint32_t mask = 1u << 12; (window & mask) != 0; mask >>= 1)
                ++length;
        }
        DECODE_CHECK(length <= static_cast<unsigned>(kMaxCodeLength), false);
        in.Consume(length < 7 ? 3 : length - 3);
        lengths[i++] = static_cast<std::uint8_t>(length);
        if (i == static_cast<unsigned>(special)) {
            for (unsigned k = in.GetBits(kSpecialRunBits); k > 0; --k)
                lengths[i++] = 0;
        }
    }
    std::fill(lengths + i, lengths + nn, 0);
    return MakeTable(nn, lengths, kPtRootBits, table);
}

// Lengths of the 510 character/length codes, coded with the code-length code.
bool ReadCLen(BitInput& in, Workspace& w) {
    const unsigned n = in.GetBits(kCharCountBits);
    if (n == 0) {
        const unsigned only = in.GetBits(kCharCountBits);
        DECODE_CHECK(only < static_cast<unsigned>(kCharCodes), false);
        std::fill_n(w.charLengths, kCharCodes, 0);
        FillSingleSymbol(only, kCharRootBits, w.charTable);
        return true;
    }
    DECODE_CHECK(n <= static_cast<unsigned>(kCharCodes), false);
    unsigned i = 0;
    while (i < n) {
        if (in.bitCount < kMaxCodeLength) in.Refill();
        const unsigned c = TakeSymbol<kPtRootBits>(w.ptTable, in.bitBuffer, in.bitCount);
        if (c >= kRunCodes) {
            w.charLengths[i++] = static_cast<std::uint8_t>(c - 2);
            continue;
        }
        const unsigned run = c == 0   ? 1
                             : c == 1 ? in.GetBits(kShortZeroRunBits) + kShortZeroRunBase
                                      : in.GetBits(kCharCountBits) + kLongZeroRunBase;
        DECODE_CHECK(run <= kCharCodes - i, false);
        std::fill_n(w.charLengths + i, run, 0);
        i += run;
    }
    std::fill(w.charLengths + i, w.charLengths + kCharCodes, 0);
    return MakeTable(kCharCodes, w.charLengths, kCharRootBits, w.charTable);
}

// A block header: the number of codes in the block, then the three tables. The
// distance table replaces the code-length table once the character lengths are read.
bool ReadBlockHeader(BitInput& in, Workspace& w, int distCodes, int distCountBits,
                     std::uint16_t& blockSize) {
    blockSize = static_cast<std::uint16_t>(in.GetBits(kBlockSizeBits));
    DECODE_CHECK(
        ReadPtLen(in, kLengthCodes, kLengthCountBits, kSpecialPosition, w.ptLengths, w.ptTable),
        false);
    DECODE_CHECK(ReadCLen(in, w), false);
    DECODE_CHECK(ReadPtLen(in, distCodes, distCountBits, -1, w.ptLengths, w.ptTable), false);
    DECODE_CHECK(!in.Overconsumed(), false);
    return true;
}

// A failed step keeps the whole dictionaries produced before it, as a decoder that
// writes its dictionary each time it fills would have written them. producedEnd is
// where the output stood before the failing step.
DecodeResult Fail(Sink& sink, const std::uint8_t* start, const std::uint8_t* producedEnd,
                  std::uint64_t flushed, std::size_t dictionary) {
    const std::uint64_t produced = flushed + static_cast<std::uint64_t>(producedEnd - start);
    const std::uint64_t keep = produced / dictionary * dictionary - flushed;
    if (keep > 0) {
        const DecodeOutcome put = sink.Put(start, static_cast<std::size_t>(keep));
        if (put == DecodeOutcome::Stopped) return {put, 0};
    }
    return {DecodeOutcome::DataError, 0};
}

template <int DictionaryBits>
DecodeResult DecodeWithDictionary(const CodedMember& member) {
    constexpr std::size_t kDictionary = std::size_t{1} << DictionaryBits;
    // NP: 14 for -lh4- and -lh5-, then one more than the dictionary bits (16, 17, 20).
    constexpr int kDistCodes = std::max(DictionaryBits + 1, 14);
    constexpr int kDistCountBits = kDistCodes <= 14 ? 4 : 5;  // PBIT
    static_assert(kDistCodes <= kMaxDistCodes);
    static_assert((1 << kDistCountBits) > kDistCodes);  // why a count must be checked
    // The farthest distance, 2^(NP-2) + 2^(NP-2) - 1 + 1, is the history kept before
    // the write position, so every match source lies inside the window.
    constexpr std::size_t kHistory = std::size_t{1} << (kDistCodes - 2) << 1;
    static_assert(kHistory >= kDictionary && kHistory <= kMaxHistory);
    // A chunk is a whole number of dictionaries, so flushes stay on their boundaries.
    constexpr std::size_t kChunkBytes = std::max(kBaseChunkBytes, 4 * kDictionary);
    static_assert(kChunkBytes % kDictionary == 0 && kChunkBytes <= kMaxChunkBytes);
    // The hot loop refills once per step. A step takes a character code and a distance
    // code of up to 16 bits each and up to NP - 2 extra bits (16 + 16 + 18 for -lhx-), or
    // two literal codes, the second one resolved in the root table.
    constexpr int kRefilledBits = static_cast<int>(BitInput::kMinBitsAfterRefill);
    static_assert(kMaxCodeLength + kMaxCodeLength + (kDistCodes - 2) <= kRefilledBits);
    static_assert(kMaxCodeLength + kCharRootBits <= kRefilledBits);

    const std::uint32_t originalSize = member.originalSize;
    Workspace& w = member.work.Get<Workspace>();
    Sink sink{&member.output};
    if (originalSize == 0) return {DecodeOutcome::Ok, 0};

    std::uint8_t* const start = w.window + kHistory;
    std::memset(w.window, kInitialDictionaryByte, kHistory);
    std::uint8_t* out = start;
    std::uint64_t flushed = 0;  // bytes already handed to the sink
    std::uint16_t blockSize = 0;
    BitInput in;
    in.Start(member.source, member.offset, member.compressedSize, w.input);

    for (;;) {
        const std::uint64_t produced = flushed + static_cast<std::uint64_t>(out - start);
        if (produced >= originalSize) break;
        if (out >= start + kChunkBytes) {
            const DecodeOutcome put = sink.Put(start, kChunkBytes);
            if (put != DecodeOutcome::Ok) return {put, 0};
            const std::size_t keep =
                static_cast<std::size_t>(out - start) - kChunkBytes + kDictionary;
            std::memmove(w.window + kHistory - kDictionary, start + kChunkBytes - kDictionary,
                         keep);
            out -= kChunkBytes;
            flushed += kChunkBytes;
            continue;
        }
        if (blockSize == 0) {
            std::uint16_t codes = 0;
            DECODE_CHECK(ReadBlockHeader(in, w, kDistCodes, kDistCountBits, codes),
                         Fail(sink, start, out, flushed, kDictionary));
            blockSize = codes;
        }
        std::uint8_t* const limit =
            start + std::min<std::uint64_t>(kChunkBytes, originalSize - flushed);

        // The hot loop: bit state in locals, one refill per step (the budget is asserted
        // above).
        std::uint64_t bitBuffer = in.bitBuffer;
        unsigned bitCount = in.bitCount;
        const std::uint8_t* next = in.next;
        const std::uint8_t* end = in.end;
        bool nearEnd = in.SuppliedZeros();
        const std::uint32_t* const charTable = w.charTable;
        const std::uint32_t* const distTable = w.ptTable;
        do {
            if (BitInput::CanLoadWord(next, end)) [[likely]] {
                BitInput::RefillWord(bitBuffer, bitCount, next);
            } else {
                in.bitBuffer = bitBuffer, in.bitCount = bitCount, in.next = next;
                in.RefillSlow();
                bitBuffer = in.bitBuffer, bitCount = in.bitCount, next = in.next, end = in.end;
                nearEnd = in.SuppliedZeros();
            }
            std::uint8_t* const stepStart = out;
            const unsigned code = TakeSymbol<kCharRootBits>(charTable, bitBuffer, bitCount);
            if (code < kFirstMatchCode) {
                *out++ = static_cast<std::uint8_t>(code);
                // A second literal, when its code is in the root table: a link's value is a
                // subtable offset, never below 256. Taken only while the data is far from
                // its end, so that a failing step is always a single one, and while the
                // block has another code (a count of 0 stands for 65536).
                const std::uint32_t second = charTable[bitBuffer >> (64 - kCharRootBits)];
                if (EntryValue(second) < kFirstMatchCode && !nearEnd && blockSize != 1 &&
                    out < limit) {
                    bitBuffer <<= EntryConsumed(second);
                    bitCount -= EntryConsumed(second);
                    *out++ = static_cast<std::uint8_t>(EntryValue(second));
                    --blockSize;
                }
            } else {
                const std::size_t length = code - kMatchLengthBias;
                // Distance code j: 0 for j = 0, else 2^(j-1) plus j - 1 extra bits.
                const unsigned j = TakeSymbol<kPtRootBits>(distTable, bitBuffer, bitCount);
                const unsigned extra = j - (j != 0);
                const std::size_t distance =
                    ((std::size_t{1} << j) >> 1) +
                    static_cast<std::size_t>((bitBuffer >> 1) >> (63 - extra)) + 1;
                bitBuffer <<= extra;
                bitCount -= extra;
                if constexpr (kHistory > kDictionary) {
                    // -lh4-: its encoders never reach past the 4 KiB they keep.
                    DECODE_CHECK(distance <= kDictionary,
                                 Fail(sink, start, stepStart, flushed, kDictionary));
                }
                const std::uint8_t* from = out - distance;
                std::uint8_t* to = out;
                out += length;
                // Whole words, each read before it is overwritten since the source lies
                // at least a word behind; the last one may run past the match.
                if (distance >= kCopyWord) {
                    do {
                        std::memcpy(to, from, kCopyWord);
                        to += kCopyWord;
                        from += kCopyWord;
                    } while (to < out);
                } else if (distance >= kCopyWord / 2) {
                    do {
                        std::memcpy(to, from, kCopyWord / 2);
                        to += kCopyWord / 2;
                        from += kCopyWord / 2;
                    } while (to < out);
                } else if (distance == 1) {
                    std::memset(to, *from, length);
                } else {
                    do {
                        *to++ = *from++;
                    } while (to < out);
                }
            }
            // Near the end of the data: the step may have read zeros past it.
            if (nearEnd) [[unlikely]] {
                in.bitBuffer = bitBuffer, in.bitCount = bitCount, in.next = next;
                DECODE_CHECK(!in.Overconsumed(),
                             Fail(sink, start, stepStart, flushed, kDictionary));
            }
        } while (--blockSize != 0 && out < limit);
        in.bitBuffer = bitBuffer, in.bitCount = bitCount, in.next = next;
    }
    // The last match may have run past the original size: what lies beyond is no output.
    const std::size_t rest = static_cast<std::size_t>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(out - start), originalSize - flushed));
    const DecodeOutcome put = sink.Put(start, rest);
    if (put != DecodeOutcome::Ok) return {put, 0};
    return {DecodeOutcome::Ok, sink.crc};
}

}  // namespace

DecodeResult DecodeStatic(int methodCode, const CodedMember& member) {
    switch (methodCode) {
        case kMethodLh4:
            return DecodeWithDictionary<12>(member);
        case kMethodLh5:
            return DecodeWithDictionary<13>(member);
        case kMethodLh6:
            return DecodeWithDictionary<15>(member);
        case kMethodLh7:
            return DecodeWithDictionary<16>(member);
        case kMethodLhx:
            return DecodeWithDictionary<19>(member);
        default:
            return {DecodeOutcome::DataError, 0};
    }
}

}  // namespace quillory::lzh
