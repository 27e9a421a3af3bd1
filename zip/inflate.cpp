// The inflate engine: deflate and Deflate64 blocks with one decoder body and a format
// parameter, a careful path that reads bit by bit and a fast loop that gives the same
// bytes. Refuses (through DECODE_CHECK) block type 3, bad counts and tables, codes that
// name nothing, distances before the first byte and bits past the end of the input.
#include "zip/inflate.h"

#include <array>
#include <cstring>
#include <new>

#include "common/code_length_runs.h"
#include "common/decode_check.h"

namespace quillory::zip {

using namespace table_entry;

namespace {

// Deflate: length code 285 is the length 258.
struct DeflateFormat {
    static constexpr std::uint32_t kMaxMatch = 258;
    static constexpr std::uint32_t kCode285 = Base(258, 0);
    static constexpr unsigned kMaxLengthEntryBits = kMaxDeflateCodeLength + 5;
    static constexpr int kFixedSlot = 0;
};
// Deflate64: length code 285 takes 16 extra bits for the lengths 3 to 65538.
struct Deflate64Format {
    static constexpr std::uint32_t kMaxMatch = 65538;
    static constexpr std::uint32_t kCode285 = Base(3, 16);
    static constexpr unsigned kMaxLengthEntryBits = kMaxDeflateCodeLength + 16;
    static constexpr int kFixedSlot = 1;
};

constexpr unsigned kLitLenSymbols = 288;
constexpr unsigned kDistanceSymbols = 32;
constexpr unsigned kCodeLengthSymbols = 19;
constexpr unsigned kEndOfBlockSymbol = 256;
// The longest distance entry: a 15-bit code and the 14 extra bits of codes 28 to 31.
constexpr unsigned kMaxDistanceEntryBits = kMaxDeflateCodeLength + 14;

// A block header: one bit for the last block, two for the type (3 is reserved).
constexpr unsigned kBlockHeaderBits = 3;
constexpr std::uint32_t kReservedBlockType = 3;

// A stored block: at the next byte boundary, the length and its complement in 16 bits each.
constexpr unsigned kStoredLengthBits = 16;

// A dynamic block's counts: 5 bits of literal/length codes - 257, 5 bits of distance codes
// - 1, 4 bits of code-length codes - 4. Only the first can name codes that do not exist:
// 287 and 288 are refused, 286 is the most a dynamic block declares.
constexpr unsigned kLitLenCountBits = 5;
constexpr unsigned kMinLitLenCodes = 257;
constexpr unsigned kDistanceCountBits = 5;
constexpr unsigned kMinDistanceCodes = 1;
constexpr unsigned kCodeLengthCountBits = 4;
constexpr unsigned kMinCodeLengthCodes = 4;
constexpr unsigned kMaxDynamicLitLen = 286;
static_assert(kMinLitLenCodes + (1u << kLitLenCountBits) - 1 == kLitLenSymbols);
static_assert(kMinDistanceCodes + (1u << kDistanceCountBits) - 1 == kDistanceSymbols);
static_assert(kMinCodeLengthCodes + (1u << kCodeLengthCountBits) - 1 == kCodeLengthSymbols);

// Each code-length code length takes 3 bits, so those codes are at most 7 bits long and
// one first-level look-up resolves them.
constexpr unsigned kCodeLengthBits = 3;
static_assert((1u << kCodeLengthBits) - 1 <= InflateEngine::kCodeLengthRootBits);

// The order in which a dynamic block lists its code-length code lengths: every symbol once.
constexpr std::array<std::uint8_t, kCodeLengthSymbols> kCodeLengthOrder = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
constexpr bool ListsEverySymbolOnce(const std::array<std::uint8_t, kCodeLengthSymbols>& order) {
    std::array<bool, kCodeLengthSymbols> seen{};
    for (const std::uint8_t symbol : order) {
        if (symbol >= kCodeLengthSymbols || seen[symbol]) return false;
        seen[symbol] = true;
    }
    return true;
}
static_assert(ListsEverySymbolOnce(kCodeLengthOrder));

// Code-length symbols 16 to 18 repeat a length: 16 the previous one 3 to 6 times (2 extra
// bits), 17 zero 3 to 10 times (3 bits), 18 zero 11 to 138 times (7 bits).
constexpr unsigned kFirstRepeatSymbol = 16;
struct Repeat {
    unsigned base;
    unsigned extraBits;
};
constexpr Repeat kRepeats[kCodeLengthSymbols - kFirstRepeatSymbol] = {{3, 2}, {3, 3}, {11, 7}};
static_assert(kRepeats[1].base + (1u << kRepeats[1].extraBits) == kRepeats[2].base);

// The fixed code: literal/length symbols 0-143 of 8 bits, 144-255 of 9, 256-279 of 7 and
// 280-287 of 8; the 32 distance symbols of 5 bits. Both fill their code space.
constexpr CodeLengthRun kFixedLitLenLengths[] = {{8, 144}, {9, 112}, {7, 24}, {8, 8}};
constexpr CodeLengthRun kFixedDistanceLengths[] = {{5, kDistanceSymbols}};
static_assert(RunSymbols(kFixedLitLenLengths) == kLitLenSymbols &&
              FillsCodeSpace(kFixedLitLenLengths));
static_assert(RunSymbols(kFixedDistanceLengths) == kDistanceSymbols &&
              FillsCodeSpace(kFixedDistanceLengths));

// Literal/length symbols: 0-255 literals, 256 end of block, 257-285 lengths with RFC 1951's
// bases and extra bits (285 per format), 286 and 287 meaningless.
template <class Format>
constexpr std::array<std::uint32_t, kLitLenSymbols> LitLenSymbols() {
    std::array<std::uint32_t, kLitLenSymbols> s{};
    for (std::uint32_t i = 0; i < 256; ++i)
        s[i] = Literal(i);
    s[kEndOfBlockSymbol] = EndOfBlock();
    std::uint32_t base = 3;
    for (std::uint32_t i = 0; i < 28; ++i) {
        const std::uint32_t extra = i < 8 ? 0 : (i - 4) / 4;
        s[257 + i] = Base(base, extra);
        base += 1u << extra;
    }
    s[285] = Format::kCode285;
    s[286] = s[287] = Invalid();
    return s;
}

// Distance symbols 0-29 as RFC 1951 has them, and 30 and 31 (32769 and 49153, 14 extra
// bits each), which Deflate64 defines and deflate streams may use as well.
constexpr std::array<std::uint32_t, kDistanceSymbols> DistanceSymbols() {
    std::array<std::uint32_t, kDistanceSymbols> s{};
    std::uint32_t base = 1;
    for (std::uint32_t i = 0; i < kDistanceSymbols; ++i) {
        const std::uint32_t extra = i < 4 ? 0 : (i - 2) / 2;
        s[i] = Base(base, extra);
        base += 1u << extra;
    }
    return s;
}

constexpr std::array<std::uint32_t, kCodeLengthSymbols> CodeLengthSymbols() {
    std::array<std::uint32_t, kCodeLengthSymbols> s{};
    for (std::uint32_t i = 0; i < kCodeLengthSymbols; ++i)
        s[i] = Symbol(i);
    return s;
}

template <class Format>
constexpr auto kLitLenSymbolEntries = LitLenSymbols<Format>();
constexpr auto kDistanceSymbolEntries = DistanceSymbols();
constexpr auto kCodeLengthSymbolEntries = CodeLengthSymbols();
static_assert(EntryValue(DistanceSymbols()[29]) == 24577 &&
              EntryValue(DistanceSymbols()[31]) == 49153);
// The longest match of each format, which the output margin makes room for: 258 (code
// 285, or 284 with its 5 extra bits all set) and 65538 (code 285 with 16 extra bits).
static_assert(EntryValue(LitLenSymbols<DeflateFormat>()[284]) + 31 == DeflateFormat::kMaxMatch);
static_assert(EntryValue(Deflate64Format::kCode285) + 0xFFFF == Deflate64Format::kMaxMatch);

InflateResult FromTableResult(TableResult r) {
    switch (r) {
        case TableResult::Complete:
            return InflateResult::Ok;
        case TableResult::Incomplete:
            return InflateResult::DataError;
        case TableResult::OverSubscribed:
            return InflateResult::OverSubscribed;
        case TableResult::OutOfSpace:
            break;
    }
    return InflateResult::OutOfMemory;
}

// The fast loop has a second build for x86-64 processors with BMI2, chosen at run time.
#if defined(__x86_64__) && defined(__GNUC__)
#define QUILLORY_INFLATE_BMI2 1
#else
#define QUILLORY_INFLATE_BMI2 0
#endif

constexpr std::uint64_t Mask(unsigned n) {
    return (std::uint64_t{1} << n) - 1;
}

inline std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;  // little-endian hosts only, as the bit order requires
}
inline void Store64(std::uint8_t* p, std::uint64_t v) {
    std::memcpy(p, &v, sizeof v);
}

// A match copy writes whole words: the first kCopyWords of them whatever the length
// (most matches are shorter), so it may write up to kCopyOverrun bytes past the match.
constexpr std::size_t kCopyWords = 5;  // as many stores as CopyMatch writes in one pass
constexpr std::size_t kCopyOverrun = kCopyWords * 8;

// Copies a match of `length` bytes from `distance` bytes back, a word at a time; the
// bytes just written repeat when the distance is shorter than the match, as a byte-by-byte
// copy would have it.
inline std::uint8_t* CopyMatch(std::uint8_t* out, std::size_t distance, std::size_t length) {
    const std::uint8_t* src = out - distance;
    std::uint8_t* const stop = out + length;
    if (distance >= 8) {
        // Each word's source lies before its destination, complete when it is loaded.
        for (;;) {
            Store64(out, Load64(src));
            Store64(out + 8, Load64(src + 8));
            Store64(out + 16, Load64(src + 16));
            Store64(out + 24, Load64(src + 24));
            Store64(out + 32, Load64(src + 32));
            out += 8 * kCopyWords;
            src += 8 * kCopyWords;
            if (out >= stop) break;
        }
    } else if (distance == 1) {
        const std::uint64_t run = 0x0101010101010101ull * *src;
        for (;;) {
            Store64(out, run);
            Store64(out + 8, run);
            Store64(out + 16, run);
            Store64(out + 24, run);
            Store64(out + 32, run);
            out += 8 * kCopyWords;
            if (out >= stop) break;
        }
    } else {
        // Each word starts one period further on, so its source is always complete.
        do {
            Store64(out, Load64(src));
            out += distance;
            src += distance;
        } while (out < stop);
    }
    return stop;
}

}  // namespace

// The state of one Inflate call.
template <class Format>
class InflateDecoder {
public:
    InflateDecoder(InflateEngine& engine, InflateInput& input, OutputWindow& window)
        : engine_(engine), in_(input), window_(window) {}

    InflateResult Run() {
        bool last = false;
        while (!last) {
            const InflateResult r = Block(last);
            if (r != InflateResult::Ok) return Fail(r);
        }
        return window_.Finish() ? InflateResult::Ok : InflateResult::OutputFailed;
    }

private:
    enum class Step { More, EndOfBlock, DataError };

    // Input margin of the fast loop: a pass refills at most twice, each refill advancing at
    // most 7 bytes and loading 8; the refill before the first pass comes out of the margin
    // that the loop's own test then checks again.
    static constexpr std::ptrdiff_t kInputMargin = 32;
    static_assert(2 * 7 + 8 <= kInputMargin && kInputMargin <= InflateInput::kMaxCarryBytes);
    // A refill leaves at least 56 bits.
    static constexpr unsigned kRefilledBits = 56;
    // First-level literals per pass of the fast loop: four where the longest length entry
    // still fits in a refill after three of them (deflate), else three (Deflate64, whose
    // length entries take up to 31 bits).
    static constexpr unsigned kLitRoot = InflateEngine::kLitLenRootBits;
    static constexpr unsigned kLiteralsPerPass =
        3 * kLitRoot + Format::kMaxLengthEntryBits <= kRefilledBits ? 4 : 3;
    // Output margin of every pass: its literals, or all but one of them and the longest
    // match with the slack of its copy.
    static constexpr std::ptrdiff_t kOutputMargin =
        kLiteralsPerPass + Format::kMaxMatch + kCopyOverrun;
    static_assert(kOutputMargin < static_cast<std::ptrdiff_t>(OutputWindow::kWorkBytes));
    // The careful path fills once for each of these and then takes bits without looking:
    // a block header, a stored block's two lengths, a dynamic block's three counts, a
    // code-length code with the extra bits of a repeat, a literal/length entry.
    static_assert(kBlockHeaderBits <= kRefilledBits && 2 * kStoredLengthBits <= kRefilledBits);
    static_assert(kLitLenCountBits + kDistanceCountBits + kCodeLengthCountBits <= kRefilledBits);
    static_assert(InflateEngine::kCodeLengthRootBits + kRepeats[2].extraBits <= kRefilledBits);
    static_assert(Format::kMaxLengthEntryBits <= kRefilledBits);

    // ---- the careful path: one byte at a time, zero bytes past the end of the input ----

    // True when [next, end) holds a byte, refilling it when it is empty.
    bool MoreInput() {
        if (in_.next != in_.end) return true;
        if (!inputEnded_ && in_.Refill()) return true;
        inputEnded_ = true;
        return false;
    }

    int NextByte() {
        if (MoreInput()) return *in_.next++;
        ++zeroBytes_;
        return 0;
    }

    // At least 56 bits, the last ones possibly past the end of the input.
    void FillCarefully() {
        while (bitCount_ < kRefilledBits) {
            bitBuffer_ |= static_cast<std::uint64_t>(NextByte()) << bitCount_;
            bitCount_ += 8;
        }
    }

    std::uint32_t Take(unsigned n) {
        const auto v = static_cast<std::uint32_t>(bitBuffer_ & Mask(n));
        bitBuffer_ >>= n;
        bitCount_ -= n;
        return v;
    }

    // True once a bit past the end of the input has been consumed.
    bool Overconsumed() const { return zeroBytes_ * 8 > bitCount_; }

    static std::uint32_t Lookup(const std::uint32_t* table, unsigned rootBits,
                                std::uint64_t bitBuffer) {
        std::uint32_t e = table[bitBuffer & Mask(rootBits)];
        if ((e & kLink) != 0) {
            e = table[EntryValue(e) + ((bitBuffer >> rootBits) & Mask(EntrySubtableBits(e)))];
        }
        return e;
    }

    // The entry's value plus its extra bits, and the bits consumed.
    std::uint32_t TakeEntry(std::uint32_t e) {
        const auto extra =
            static_cast<std::uint32_t>((bitBuffer_ & Mask(EntryConsumed(e))) >> EntryCodeLength(e));
        bitBuffer_ >>= EntryConsumed(e);
        bitCount_ -= EntryConsumed(e);
        return EntryValue(e) + extra;
    }

    Step CarefulStep(const std::uint32_t* litLen, const std::uint32_t* distance) {
        FillCarefully();
        const std::uint32_t e = Lookup(litLen, InflateEngine::kLitLenRootBits, bitBuffer_);
        DECODE_CHECK((e & kInvalid) == 0, Step::DataError);
        const std::uint32_t value = TakeEntry(e);
        DECODE_CHECK(!Overconsumed(), Step::DataError);
        if ((e & kLiteral) != 0) {
            *window_.out++ = static_cast<std::uint8_t>(value);
            return Step::More;
        }
        if ((e & kEndOfBlock) != 0) return Step::EndOfBlock;
        FillCarefully();
        const std::uint32_t d = Lookup(distance, InflateEngine::kDistanceRootBits, bitBuffer_);
        DECODE_CHECK((d & kInvalid) == 0, Step::DataError);
        const std::uint32_t back = TakeEntry(d);
        DECODE_CHECK(!Overconsumed(), Step::DataError);
        DECODE_CHECK(static_cast<std::ptrdiff_t>(back) <= window_.out - window_.base(),
                     Step::DataError);
        window_.out = CopyMatch(window_.out, back, value);
        return Step::More;
    }

    // ---- the fast path: straight from the input buffer, state in locals ----

    // Bits of the fast loop's buffer that a look-up may read: after a refill all 64 are the
    // stream's own (the count says how many of them are consumable), and consuming n bits
    // leaves 64 - n of them. Each look-up below is issued before the refill that follows
    // it, so that the table load does not wait for the input load.
    static constexpr unsigned kPeekBits = 64;
    static constexpr unsigned kDistRoot = InflateEngine::kDistanceRootBits;
    // A pass consumes all but one of its first-level literals and one more item (a literal,
    // a length, or the end of the block) from one refill, and can still look up the next
    // literal/length or distance entry in what is left.
    static constexpr unsigned kPassLiteralBits = (kLiteralsPerPass - 1) * kLitRoot;
    static_assert(kPassLiteralBits + Format::kMaxLengthEntryBits <= kRefilledBits);
    static_assert(kPassLiteralBits + kMaxDeflateCodeLength + kLitRoot <= kPeekBits);
    static_assert(kPassLiteralBits + Format::kMaxLengthEntryBits + kDistRoot <= kPeekBits);
    // Every distance is refilled for (once its entry is looked up): a refill without a
    // branch costs less than a branch on the count that the processor cannot foresee. The
    // distance entry leaves enough for the next look-up.
    static_assert(kMaxDistanceEntryBits + kLitRoot <= kRefilledBits);

    // The loop body, compiled once for any x86-64 and once with BMI2's shifts (below).
    [[gnu::always_inline]] inline Step FastLoopBody(const std::uint32_t* litLen,
                                                    const std::uint32_t* distance) {
        std::uint64_t bitBuffer = bitBuffer_;
        // Only the low byte of `bitCount` is the count: consuming subtracts whole entries,
        // whose higher bits leave garbage above it (one instruction less per code).
        std::uint32_t bitCount = bitCount_;
        const std::uint8_t* in = in_.next;
        const std::uint8_t* const inLast = in_.end - kInputMargin;
        std::uint8_t* out = window_.out;
        std::uint8_t* const outLast = window_.limit() - kOutputMargin;
        std::uint8_t* const base = window_.base();

        // Every exit hands the state back, the bits without the look-ahead above the count,
        // which the careful path does not expect.
        const auto leave = [&](Step step) {
            bitCount_ = static_cast<std::uint8_t>(bitCount);
            bitBuffer_ = bitBuffer & Mask(bitCount_);
            in_.next = in;
            window_.out = out;
            return step;
        };
        // Bits above the count are either 0 or the next input bytes' own bits, so OR-ing the
        // next eight bytes in above the present bits is always right. The whole bytes taken
        // raise the count to 56..63.
        const auto refill = [&] {
            bitBuffer |= Load64(in) << static_cast<std::uint8_t>(bitCount);
            in += 7 - ((bitCount >> 3) & 7);
            bitCount |= 56;
        };
        const auto rootLitLen = [&] { return litLen[bitBuffer & Mask(kLitRoot)]; };
        const auto subtable = [&](const std::uint32_t* table, unsigned rootBits,
                                  std::uint32_t link) {
            return table[EntryValue(link) +
                         ((bitBuffer >> rootBits) & Mask(EntrySubtableBits(link)))];
        };
        // Bits 5-7 of an entry are 0, so its low six bits are the consumed count itself:
        // the shift needs no mask of its own.
        const auto consume = [&](std::uint32_t e) {
            bitBuffer >>= (e & 63);
            bitCount -= e;
        };
        // The extra bits of an entry, from the buffer as it was before the entry was
        // consumed. Length and distance entries have no flags in bits 12-15, so bits 8-13
        // are the code length.
        const auto extraBits = [](std::uint64_t before, std::uint32_t e) {
            return static_cast<std::uint32_t>((before & Mask(e & 63)) >> ((e >> 8) & 63));
        };

        // Each entry is consumed as soon as it is loaded and tested afterwards; literals
        // first, as they are the most common entries and most are in the first level.
        refill();
        std::uint32_t e = rootLitLen();
        while (in <= inLast && out <= outLast) {
            std::uint64_t saved = bitBuffer;
            consume(e);
            // Up to kLiteralsPerPass literals, each looked up while the one before is stored.
            if ((e & kLiteral) != 0) {
                std::uint32_t literal = EntryValue(e);
                e = rootLitLen();
                saved = bitBuffer;
                consume(e);
                *out++ = static_cast<std::uint8_t>(literal);
                if ((e & kLiteral) != 0) {
                    literal = EntryValue(e);
                    e = rootLitLen();
                    saved = bitBuffer;
                    consume(e);
                    *out++ = static_cast<std::uint8_t>(literal);
                    if ((e & kLiteral) != 0) {
                        literal = EntryValue(e);
                        e = rootLitLen();
                        if constexpr (kLiteralsPerPass == 4) {
                            saved = bitBuffer;
                            consume(e);
                            *out++ = static_cast<std::uint8_t>(literal);
                            if ((e & kLiteral) != 0) {
                                literal = EntryValue(e);
                                e = rootLitLen();
                                refill();
                                *out++ = static_cast<std::uint8_t>(literal);
                                continue;
                            }
                        } else {
                            refill();
                            *out++ = static_cast<std::uint8_t>(literal);
                            continue;
                        }
                    }
                }
            }
            // A subtable, the end of the block, or an invalid code.
            if ((e & kExceptional) != 0) [[unlikely]] {
                if ((e & kLink) != 0) {
                    // A link consumes nothing: take its bits back and consume the
                    // subtable's entry, which spans the whole code.
                    bitBuffer = saved;
                    bitCount += e;
                    e = subtable(litLen, kLitRoot, e);
                    saved = bitBuffer;
                    consume(e);
                    if ((e & kLiteral) != 0) {
                        const std::uint32_t literal = EntryValue(e);
                        e = rootLitLen();
                        refill();
                        *out++ = static_cast<std::uint8_t>(literal);
                        continue;
                    }
                }
                // Subtable entries are never links.
                if ((e & kEndOfBlock) != 0) return leave(Step::EndOfBlock);
                DECODE_CHECK((e & kInvalid) == 0, leave(Step::DataError));
            }
            // A match: its length, then its distance, which must stay within the output.
            const std::uint32_t length = EntryValue(e) + extraBits(saved, e);
            std::uint32_t d = distance[bitBuffer & Mask(kDistRoot)];
            refill();
            if ((d & (kLink | kInvalid)) != 0) [[unlikely]] {
                if ((d & kLink) != 0) d = subtable(distance, kDistRoot, d);
                DECODE_CHECK((d & kInvalid) == 0, leave(Step::DataError));
            }
            saved = bitBuffer;
            consume(d);
            const std::uint32_t back = EntryValue(d) + extraBits(saved, d);
            DECODE_CHECK(static_cast<std::ptrdiff_t>(back) <= out - base, leave(Step::DataError));
            e = rootLitLen();
            refill();
            out = CopyMatch(out, back, length);
        }
        return leave(Step::More);
    }

    Step FastLoop(const std::uint32_t* litLen, const std::uint32_t* distance) {
#if QUILLORY_INFLATE_BMI2
        static const bool hasBmi2 = [] {
            __builtin_cpu_init();
            return __builtin_cpu_supports("bmi2") != 0;
        }();
        if (hasBmi2) return FastLoopBmi2(litLen, distance);
#endif
        return FastLoopBody(litLen, distance);
    }

#if QUILLORY_INFLATE_BMI2
    // BMI2's shifts take their count from any register and leave the flags alone, which
    // shortens each step of the loop's chain of table look-ups.
    [[gnu::target("bmi2")]] [[gnu::noinline]] Step FastLoopBmi2(const std::uint32_t* litLen,
                                                                const std::uint32_t* distance) {
        return FastLoopBody(litLen, distance);
    }
#endif

    // Codes until the end of the block, fast while the margins hold.
    InflateResult Codes(const std::uint32_t* litLen, const std::uint32_t* distance) {
        for (;;) {
            if (window_.limit() - window_.out < kOutputMargin && !window_.MakeRoom()) {
                return InflateResult::OutputFailed;
            }
            Step step;
            if (engine_.fastPath_ && in_.end - in_.next < kInputMargin && !inputEnded_ &&
                !in_.Refill()) {
                inputEnded_ = true;
            }
            if (engine_.fastPath_ && in_.end - in_.next >= kInputMargin) {
                step = FastLoop(litLen, distance);
            } else {
                step = CarefulStep(litLen, distance);
            }
            if (step == Step::EndOfBlock) return InflateResult::Ok;
            if (step == Step::DataError) return InflateResult::DataError;
        }
    }

    // One block: its header, then its data as its type has it; `last` tells whether the
    // header marks it the last one.
    InflateResult Block(bool& last) {
        FillCarefully();
        const std::uint32_t header = Take(kBlockHeaderBits);
        DECODE_CHECK(!Overconsumed(), InflateResult::DataError);
        last = (header & 1) != 0;
        const std::uint32_t type = header >> 1;
        DECODE_CHECK(type != kReservedBlockType, InflateResult::BlockType3);
        if (type == 0) return StoredBlock();
        if (type == 1) return FixedBlock();
        return DynamicBlock();
    }

    InflateResult StoredBlock() {
        Take(bitCount_ & 7);  // to the next byte boundary
        FillCarefully();
        const std::uint32_t length = Take(kStoredLengthBits);
        const std::uint32_t complement = Take(kStoredLengthBits);
        DECODE_CHECK(!Overconsumed(), InflateResult::DataError);
        DECODE_CHECK(length + complement == 0xFFFF, InflateResult::DataError);
        std::uint32_t left = length;
        // Whole bytes already in the bit buffer come first.
        while (left > 0 && bitCount_ >= 8) {
            if (window_.out == window_.limit() && !window_.MakeRoom()) {
                return InflateResult::OutputFailed;
            }
            const auto byte = static_cast<std::uint8_t>(Take(8));
            DECODE_CHECK(!Overconsumed(), InflateResult::DataError);
            *window_.out++ = byte;
            --left;
        }
        if (left == 0) return InflateResult::Ok;
        bitBuffer_ = 0;  // empty now; what follows is copied without it
        // Then straight from the input, which must hold the whole block.
        while (left > 0) {
            DECODE_CHECK(MoreInput(), InflateResult::DataError);
            if (window_.out == window_.limit() && !window_.MakeRoom()) {
                return InflateResult::OutputFailed;
            }
            std::size_t n = left;
            n = std::min<std::size_t>(n, static_cast<std::size_t>(in_.end - in_.next));
            n = std::min<std::size_t>(n, static_cast<std::size_t>(window_.limit() - window_.out));
            std::memcpy(window_.out, in_.next, n);
            window_.out += n;
            in_.next += n;
            left -= static_cast<std::uint32_t>(n);
        }
        return InflateResult::Ok;
    }

    InflateResult FixedBlock() {
        const InflateEngine::CodeTables* tables = engine_.FixedTables<Format>();
        if (tables == nullptr) return InflateResult::OutOfMemory;
        return Codes(tables->litLen, tables->distance);
    }

    InflateResult DynamicBlock() {
        // The three counts; every distance and code-length count names codes that exist.
        FillCarefully();
        const unsigned litLenCount = Take(kLitLenCountBits) + kMinLitLenCodes;
        const unsigned distanceCount = Take(kDistanceCountBits) + kMinDistanceCodes;
        const unsigned codeLengthCount = Take(kCodeLengthCountBits) + kMinCodeLengthCodes;
        DECODE_CHECK(!Overconsumed(), InflateResult::DataError);
        DECODE_CHECK(litLenCount <= kMaxDynamicLitLen, InflateResult::DataError);

        // The code-length code, in its own order.
        std::uint8_t codeLengthLengths[kCodeLengthSymbols] = {};
        for (unsigned i = 0; i < codeLengthCount; ++i) {
            FillCarefully();
            codeLengthLengths[kCodeLengthOrder[i]] =
                static_cast<std::uint8_t>(Take(kCodeLengthBits));
            DECODE_CHECK(!Overconsumed(), InflateResult::DataError);
        }
        unsigned lookupBits = 0;
        TableResult built = BuildDecodingTable(
            codeLengthLengths, kCodeLengthSymbols, kCodeLengthSymbolEntries.data(),
            InflateEngine::kCodeLengthRootBits, engine_.codeLengthTable_,
            std::size(engine_.codeLengthTable_), &lookupBits);
        DECODE_CHECK(built == TableResult::Complete, FromTableResult(built));
        DECODE_CHECK(lookupBits != 0, InflateResult::DataError);

        // The literal/length and distance code lengths, as one run: repeats may cross from
        // one into the other.
        const unsigned total = litLenCount + distanceCount;
        std::uint8_t lengths[kMaxDynamicLitLen + kDistanceSymbols] = {};
        std::uint8_t previous = 0;  // a leading repeat code repeats zeros
        for (unsigned i = 0; i < total;) {
            FillCarefully();
            const std::uint32_t e =
                engine_.codeLengthTable_[bitBuffer_ & Mask(InflateEngine::kCodeLengthRootBits)];
            DECODE_CHECK((e & kInvalid) == 0, InflateResult::DataError);
            const std::uint32_t symbol = TakeEntry(e);
            DECODE_CHECK(!Overconsumed(), InflateResult::DataError);
            if (symbol < kFirstRepeatSymbol) {
                lengths[i++] = previous = static_cast<std::uint8_t>(symbol);
                continue;
            }
            const Repeat& r = kRepeats[symbol - kFirstRepeatSymbol];
            const unsigned repeat = r.base + Take(r.extraBits);
            if (symbol != kFirstRepeatSymbol) previous = 0;
            DECODE_CHECK(!Overconsumed(), InflateResult::DataError);
            DECODE_CHECK(repeat <= total - i, InflateResult::DataError);
            std::memset(lengths + i, previous, repeat);
            i += repeat;
        }

        // The two codes of the block.
        InflateEngine::CodeTables& tables = *engine_.dynamic_;
        built = BuildDecodingTable(lengths, litLenCount, kLitLenSymbolEntries<Format>.data(),
                                   InflateEngine::kLitLenRootBits, tables.litLen,
                                   std::size(tables.litLen), &lookupBits);
        DECODE_CHECK(built == TableResult::Complete, FromTableResult(built));
        DECODE_CHECK(lookupBits != 0, InflateResult::DataError);
        built = BuildDecodingTable(lengths + litLenCount, distanceCount,
                                   kDistanceSymbolEntries.data(), InflateEngine::kDistanceRootBits,
                                   tables.distance, std::size(tables.distance), &lookupBits);
        DECODE_CHECK(built == TableResult::Complete, FromTableResult(built));
        // No distance code is allowed only when there is no length code either.
        DECODE_CHECK(lookupBits != 0 || litLenCount <= kEndOfBlockSymbol + 1,
                     InflateResult::DataError);
        return Codes(tables.litLen, tables.distance);
    }

    // Ends the stream on a failure: the complete pieces are flushed, as they would have been.
    InflateResult Fail(InflateResult r) {
        if (r != InflateResult::OutputFailed && !window_.FlushComplete()) {
            return InflateResult::OutputFailed;
        }
        return r;
    }

    InflateEngine& engine_;
    InflateInput& in_;
    OutputWindow& window_;
    std::uint64_t bitBuffer_ = 0;  // unconsumed bits, the next one at bit 0
    unsigned bitCount_ = 0;        // bits in bitBuffer_, counting those of zero bytes
    unsigned zeroBytes_ = 0;       // zero bytes supplied past the end of the input
    bool inputEnded_ = false;      // the input has nothing more
};

InflateEngine::InflateEngine() : dynamic_(std::make_unique<CodeTables>()) {}
InflateEngine::~InflateEngine() = default;

template <class Format>
const InflateEngine::CodeTables* InflateEngine::FixedTables() {
    std::unique_ptr<CodeTables>& slot = fixed_[Format::kFixedSlot];
    if (slot != nullptr) return slot.get();
    std::unique_ptr<CodeTables> tables(new (std::nothrow) CodeTables);
    if (tables == nullptr) return nullptr;
    std::uint8_t lengths[kLitLenSymbols];
    ExpandRuns(kFixedLitLenLengths, lengths);
    unsigned lookupBits = 0;
    if (BuildDecodingTable(lengths, kLitLenSymbols, kLitLenSymbolEntries<Format>.data(),
                           kLitLenRootBits, tables->litLen, kLitLenCapacity,
                           &lookupBits) != TableResult::Complete) {
        return nullptr;
    }
    ExpandRuns(kFixedDistanceLengths, lengths);
    if (BuildDecodingTable(lengths, kDistanceSymbols, kDistanceSymbolEntries.data(),
                           kDistanceRootBits, tables->distance, kDistanceCapacity,
                           &lookupBits) != TableResult::Complete) {
        return nullptr;
    }
    slot = std::move(tables);
    return slot.get();
}

void InflateEngine::FreeFixedTables() {
    fixed_[0].reset();
    fixed_[1].reset();
}

InflateResult InflateEngine::Inflate(InflateInput& input, OutputWindow& window, OutputSink* sink,
                                     bool deflate64) {
    window.Begin(sink);
    if (deflate64) return InflateDecoder<Deflate64Format>(*this, input, window).Run();
    return InflateDecoder<DeflateFormat>(*this, input, window).Run();
}

}  // namespace quillory::zip
