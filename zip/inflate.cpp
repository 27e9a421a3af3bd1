// Inflate engine: one decoder body for deflate and Deflate64, chosen by a format
// parameter. Every validity check of a stream goes through REJECT_IF.
#include "zip/inflate.h"

#include <array>
#include <cstring>
#include <new>

namespace quillory {

using namespace table_entry;

namespace {

// Deflate: length code 285 is the length 258.
struct DeflateFormat {
    static constexpr std::uint32_t kMaxMatch = 258;
    static constexpr std::uint32_t kCode285 = Base(258, 0);
    static constexpr unsigned kMaxLengthEntryBits = kMaxCodeLength + 5;
    static constexpr int kFixedSlot = 0;
};
// Deflate64: length code 285 takes 16 extra bits for the lengths 3 to 65538.
struct Deflate64Format {
    static constexpr std::uint32_t kMaxMatch = 65538;
    static constexpr std::uint32_t kCode285 = Base(3, 16);
    static constexpr unsigned kMaxLengthEntryBits = kMaxCodeLength + 16;
    static constexpr int kFixedSlot = 1;
};

constexpr unsigned kLitLenSymbols = 288;
constexpr unsigned kDistanceSymbols = 32;
constexpr unsigned kCodeLengthSymbols = 19;
constexpr unsigned kEndOfBlockSymbol = 256;
// Dynamic blocks declare at most 286 literal/length codes (287 and 288 are refused).
constexpr unsigned kMaxDynamicLitLen = 286;
constexpr unsigned kMaxDistanceEntryBits = kMaxCodeLength + 14;

// The order in which a dynamic block lists its code-length code lengths.
constexpr std::uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                               11, 4,  12, 3, 13, 2, 14, 1, 15};

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
static_assert(Value(DistanceSymbols()[29]) == 24577 && Value(DistanceSymbols()[31]) == 49153);
static_assert(Value(LitLenSymbols<DeflateFormat>()[284]) == 227);

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

constexpr std::uint64_t Mask(unsigned bits) {
    return (std::uint64_t{1} << bits) - 1;
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
// (most matches are shorter), so it may write up to kCopySlack bytes past the match.
constexpr std::size_t kCopyWords = 5;  // as many stores as CopyMatch writes in one pass
constexpr std::size_t kCopySlack = kCopyWords * 8;

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

// A validity check of the stream: the stream is rejected with `result` when it fails.
#define REJECT_IF(condition, result)  \
    do {                              \
        if (condition) return result; \
    } while (0)

// The state of one Inflate call.
template <class Format>
class InflateDecoder {
public:
    InflateDecoder(InflateEngine& engine, InflateInput& input, OutputWindow& window)
        : engine_(engine), in_(input), window_(window) {}

    InflateResult Run() {
        for (;;) {
            FillCarefully();
            const std::uint32_t header = Take(3);
            InflateResult r = InflateResult::DataError;
            if (!Overrun()) {
                switch (header >> 1) {
                    case 0:
                        r = StoredBlock();
                        break;
                    case 1:
                        r = FixedBlock();
                        break;
                    case 2:
                        r = DynamicBlock();
                        break;
                    default:
                        r = InflateResult::BlockType3;
                        break;
                }
            }
            if (r != InflateResult::Ok) return Stop(r);
            if ((header & 1) != 0) break;
        }
        return window_.Finish() ? InflateResult::Ok : InflateResult::OutputFailed;
    }

private:
    enum class Step { More, EndOfBlock, Damaged };

    // Input margin of the fast loop: up to three refills per pass, each advancing at most
    // 7 bytes and loading 8 (one entry looked up ahead is dropped at the exit: it has not
    // consumed anything).
    static constexpr std::ptrdiff_t kInputMargin = 32;
    static_assert(2 * 7 + 8 <= kInputMargin && kInputMargin <= InflateInput::kMaxCarryBytes);
    // Output margin of every pass: three literals and the longest match with its slack.
    static constexpr std::ptrdiff_t kOutputMargin = 3 + Format::kMaxMatch + kCopySlack;
    static_assert(kOutputMargin < static_cast<std::ptrdiff_t>(OutputWindow::kWorkBytes));
    // A refill leaves at least 56 bits; a pass then needs at most three literal codes, or
    // a length entry and (after one more refill where needed) a distance entry.
    static constexpr unsigned kRefilledBits = 56;
    static_assert(3 * kMaxCodeLength <= kRefilledBits && kMaxDistanceEntryBits <= kRefilledBits);
    static constexpr bool kRefillBeforeDistance =
        Format::kMaxLengthEntryBits + kMaxDistanceEntryBits > kRefilledBits;

    // ---- the careful path: one byte at a time, zero bytes past the end of the input ----

    int NextByte() {
        if (in_.next == in_.end && (exhausted_ || !in_.Refill())) {
            exhausted_ = true;
            ++phantomBytes_;
            return 0;
        }
        return *in_.next++;
    }

    // At least 56 bits, the last ones possibly past the end of the input.
    void FillCarefully() {
        while (count_ < kRefilledBits) {
            buf_ |= static_cast<std::uint64_t>(NextByte()) << count_;
            count_ += 8;
        }
    }

    std::uint32_t Take(unsigned bits) {
        const auto v = static_cast<std::uint32_t>(buf_ & Mask(bits));
        buf_ >>= bits;
        count_ -= bits;
        return v;
    }

    // True once a bit past the end of the input has been consumed.
    bool Overrun() const { return phantomBytes_ * 8 > count_; }

    static std::uint32_t Lookup(const std::uint32_t* table, unsigned rootBits, std::uint64_t bits) {
        std::uint32_t e = table[bits & Mask(rootBits)];
        if ((e & kLink) != 0) e = table[Value(e) + ((bits >> rootBits) & Mask(Consumed(e)))];
        return e;
    }

    // The entry's value plus its extra bits, and the bits consumed.
    std::uint32_t TakeEntry(std::uint32_t e) {
        const auto extra = static_cast<std::uint32_t>((buf_ & Mask(Consumed(e))) >> CodeLength(e));
        buf_ >>= Consumed(e);
        count_ -= Consumed(e);
        return Value(e) + extra;
    }

    Step CarefulStep(const std::uint32_t* litLen, const std::uint32_t* distance) {
        FillCarefully();
        const std::uint32_t e = Lookup(litLen, InflateEngine::kLitLenRootBits, buf_);
        REJECT_IF((e & kInvalid) != 0, Step::Damaged);
        const std::uint32_t value = TakeEntry(e);
        REJECT_IF(Overrun(), Step::Damaged);
        if ((e & kLiteral) != 0) {
            *window_.out++ = static_cast<std::uint8_t>(value);
            return Step::More;
        }
        if ((e & kEndOfBlock) != 0) return Step::EndOfBlock;
        FillCarefully();
        const std::uint32_t d = Lookup(distance, InflateEngine::kDistanceRootBits, buf_);
        REJECT_IF((d & kInvalid) != 0, Step::Damaged);
        const std::uint32_t back = TakeEntry(d);
        REJECT_IF(Overrun(), Step::Damaged);
        REJECT_IF(static_cast<std::ptrdiff_t>(back) > window_.out - window_.base(), Step::Damaged);
        window_.out = CopyMatch(window_.out, back, value);
        return Step::More;
    }

    // ---- the fast path: straight from the input buffer, state in locals ----

    Step FastLoop(const std::uint32_t* litLen, const std::uint32_t* distance) {
        constexpr unsigned kLitRoot = InflateEngine::kLitLenRootBits;
        constexpr unsigned kDistRoot = InflateEngine::kDistanceRootBits;
        std::uint64_t buf = buf_;
        // Only the low byte of `bits` is the bit count: consuming subtracts whole entries,
        // whose higher bits leave garbage above it (one instruction less per code).
        std::uint32_t bits = count_;
        const std::uint8_t* in = in_.next;
        const std::uint8_t* const inLast = in_.end - kInputMargin;
        std::uint8_t* out = window_.out;
        std::uint8_t* const outLast = window_.limit() - kOutputMargin;
        std::uint8_t* const base = window_.base();
        Step step = Step::More;

        // Bits above the count are either 0 or the next input bytes' own bits, so OR-ing the
        // next eight bytes in above the present bits is always right.
        const auto refill = [&] {
            buf |= Load64(in) << static_cast<std::uint8_t>(bits);
            in += (63 - static_cast<std::uint8_t>(bits)) >> 3;
            bits |= 56;  // the whole bytes taken raise the count to 56..63
        };
        const auto rootLitLen = [&] { return litLen[buf & Mask(kLitRoot)]; };
        const auto subTable = [&](const std::uint32_t* table, unsigned rootBits,
                                  std::uint32_t link) {
            return table[Value(link) + ((buf >> rootBits) & Mask(Consumed(link)))];
        };
        // Bits 5-7 of an entry are 0, so its low six bits are the consumed count itself:
        // the shift needs no mask of its own.
        const auto consume = [&](std::uint32_t e) {
            buf >>= (e & 63);
            bits -= e;
        };
        // Length and distance entries have no flags in bits 12-15, so bits 8-13 are the code
        // length: again the shift needs no mask of its own.
        const auto extraBits = [&](std::uint32_t e) {
            return static_cast<std::uint32_t>((buf & Mask(e & 63)) >> ((e >> 8) & 63));
        };

        // The next entry is looked up as early as the bits allow, so that its load overlaps
        // the work on the present one. Literals are tested first: they are the most common
        // entries, and most of them are in the first-level table.
        refill();
        std::uint32_t e = rootLitLen();
        while (in <= inLast && out <= outLast) {
            if ((e & kLiteral) != 0) {
                consume(e);
                std::uint32_t literal = Value(e);
                e = rootLitLen();
                *out++ = static_cast<std::uint8_t>(literal);
                if ((e & kLiteral) != 0) {
                    consume(e);
                    literal = Value(e);
                    e = rootLitLen();
                    *out++ = static_cast<std::uint8_t>(literal);
                    if ((e & kLiteral) != 0) {
                        consume(e);
                        literal = Value(e);
                        refill();
                        e = rootLitLen();
                        *out++ = static_cast<std::uint8_t>(literal);
                        continue;
                    }
                }
                refill();
            }
            if ((e & kExceptional) != 0) {
                if ((e & kLink) != 0) {
                    e = subTable(litLen, kLitRoot, e);
                    if ((e & kLiteral) != 0) {
                        consume(e);
                        *out++ = static_cast<std::uint8_t>(Value(e));
                        refill();
                        e = rootLitLen();
                        continue;
                    }
                }
                // Sub-table entries are never links.
                if ((e & kEndOfBlock) != 0) {
                    consume(e);
                    step = Step::EndOfBlock;
                    break;
                }
                if ((e & kInvalid) != 0) {
                    step = Step::Damaged;  // REJECT: an invalid literal/length code
                    break;
                }
            }
            const std::uint32_t length = Value(e) + extraBits(e);
            consume(e);
            if constexpr (kRefillBeforeDistance) {
                if (static_cast<std::uint8_t>(bits) < kMaxDistanceEntryBits) refill();
            }
            std::uint32_t d = distance[buf & Mask(kDistRoot)];
            if ((d & kLink) != 0) d = subTable(distance, kDistRoot, d);
            if ((d & kInvalid) != 0) {
                step = Step::Damaged;  // REJECT: an invalid distance code
                break;
            }
            const std::uint32_t back = Value(d) + extraBits(d);
            consume(d);
            if (static_cast<std::ptrdiff_t>(back) > out - base) {
                step = Step::Damaged;  // REJECT: a distance before the stream's first byte
                break;
            }
            refill();
            e = rootLitLen();
            out = CopyMatch(out, back, length);
        }
        // Hand the bits back without the look-ahead above `count`, which the careful path
        // does not expect.
        count_ = static_cast<std::uint8_t>(bits);
        buf_ = buf & Mask(count_);
        in_.next = in;
        window_.out = out;
        return step;
    }

    // Codes until the end of the block, fast while the margins hold.
    InflateResult Codes(const std::uint32_t* litLen, const std::uint32_t* distance) {
        for (;;) {
            if (window_.limit() - window_.out < kOutputMargin && !window_.MakeRoom()) {
                return InflateResult::OutputFailed;
            }
            Step step;
            if (engine_.fastPath_ && in_.end - in_.next < kInputMargin && !exhausted_ &&
                !in_.Refill()) {
                exhausted_ = true;
            }
            if (engine_.fastPath_ && in_.end - in_.next >= kInputMargin) {
                step = FastLoop(litLen, distance);
            } else {
                step = CarefulStep(litLen, distance);
            }
            if (step == Step::EndOfBlock) return InflateResult::Ok;
            if (step == Step::Damaged) return InflateResult::DataError;
        }
    }

    InflateResult StoredBlock() {
        Take(count_ & 7);  // to the next byte boundary
        FillCarefully();
        const std::uint32_t length = Take(16);
        const std::uint32_t complement = Take(16);
        REJECT_IF(Overrun(), InflateResult::DataError);
        REJECT_IF(length + complement != 0xFFFF, InflateResult::DataError);
        std::uint32_t left = length;
        // Whole bytes already in the bit buffer come first.
        while (left > 0 && count_ >= 8) {
            if (window_.out == window_.limit() && !window_.MakeRoom()) {
                return InflateResult::OutputFailed;
            }
            const auto byte = static_cast<std::uint8_t>(Take(8));
            REJECT_IF(Overrun(), InflateResult::DataError);
            *window_.out++ = byte;
            --left;
        }
        if (left == 0) return InflateResult::Ok;
        buf_ = 0;  // empty now; what follows is copied without it
        while (left > 0) {
            if (in_.next == in_.end && (exhausted_ || !in_.Refill())) {
                exhausted_ = true;
                return InflateResult::DataError;  // REJECT: the input ended inside the block
            }
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
        REJECT_IF(tables == nullptr, InflateResult::OutOfMemory);
        return Codes(tables->litLen, tables->distance);
    }

    InflateResult DynamicBlock() {
        FillCarefully();
        const unsigned litLenCount = Take(5) + 257;
        const unsigned distanceCount = Take(5) + 1;  // 1 to 32: every count is allowed
        const unsigned codeLengthCount = Take(4) + 4;
        REJECT_IF(Overrun(), InflateResult::DataError);
        REJECT_IF(litLenCount > kMaxDynamicLitLen, InflateResult::DataError);

        std::uint8_t codeLengthLengths[kCodeLengthSymbols] = {};
        for (unsigned i = 0; i < codeLengthCount; ++i) {
            FillCarefully();
            codeLengthLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(Take(3));
            REJECT_IF(Overrun(), InflateResult::DataError);
        }
        unsigned lookupBits = 0;
        TableResult built = BuildDecodingTable(
            codeLengthLengths, kCodeLengthSymbols, kCodeLengthSymbolEntries.data(),
            InflateEngine::kCodeLengthRootBits, engine_.codeLengthTable_,
            std::size(engine_.codeLengthTable_), &lookupBits);
        REJECT_IF(built != TableResult::Complete, FromTableResult(built));
        REJECT_IF(lookupBits == 0, InflateResult::DataError);

        // The literal/length and distance code lengths, as one run: repeats may cross from
        // one into the other.
        const unsigned total = litLenCount + distanceCount;
        std::uint8_t lengths[kMaxDynamicLitLen + kDistanceSymbols] = {};
        std::uint8_t previous = 0;  // a leading repeat code repeats zeros
        for (unsigned i = 0; i < total;) {
            FillCarefully();
            const std::uint32_t e =
                engine_.codeLengthTable_[buf_ & Mask(InflateEngine::kCodeLengthRootBits)];
            REJECT_IF((e & kInvalid) != 0, InflateResult::DataError);
            const std::uint32_t symbol = TakeEntry(e);
            REJECT_IF(Overrun(), InflateResult::DataError);
            if (symbol < 16) {
                lengths[i++] = previous = static_cast<std::uint8_t>(symbol);
                continue;
            }
            unsigned repeat;
            if (symbol == 16) {
                repeat = 3 + Take(2);
            } else {
                repeat = symbol == 17 ? 3 + Take(3) : 11 + Take(7);
                previous = 0;
            }
            REJECT_IF(Overrun(), InflateResult::DataError);
            REJECT_IF(repeat > total - i, InflateResult::DataError);
            std::memset(lengths + i, previous, repeat);
            i += repeat;
        }

        InflateEngine::CodeTables& tables = *engine_.dynamic_;
        built = BuildDecodingTable(lengths, litLenCount, kLitLenSymbolEntries<Format>.data(),
                                   InflateEngine::kLitLenRootBits, tables.litLen,
                                   std::size(tables.litLen), &lookupBits);
        REJECT_IF(built != TableResult::Complete, FromTableResult(built));
        REJECT_IF(lookupBits == 0, InflateResult::DataError);
        built = BuildDecodingTable(lengths + litLenCount, distanceCount,
                                   kDistanceSymbolEntries.data(), InflateEngine::kDistanceRootBits,
                                   tables.distance, std::size(tables.distance), &lookupBits);
        REJECT_IF(built != TableResult::Complete, FromTableResult(built));
        // No distance code is allowed only when there is no length code either.
        REJECT_IF(lookupBits == 0 && litLenCount > kEndOfBlockSymbol + 1, InflateResult::DataError);
        return Codes(tables.litLen, tables.distance);
    }

    // Ends the stream early: the complete pieces are flushed, as they would have been.
    InflateResult Stop(InflateResult r) {
        if (r != InflateResult::OutputFailed && !window_.FlushComplete()) {
            return InflateResult::OutputFailed;
        }
        return r;
    }

    InflateEngine& engine_;
    InflateInput& in_;
    OutputWindow& window_;
    std::uint64_t buf_ = 0;      // unconsumed bits, the next one at bit 0
    unsigned count_ = 0;         // bits in buf_, counting those of phantom bytes
    unsigned phantomBytes_ = 0;  // zero bytes appended past the end of the input
    bool exhausted_ = false;     // the input has nothing more
};

#undef REJECT_IF

InflateEngine::InflateEngine() : dynamic_(std::make_unique<CodeTables>()) {}
InflateEngine::~InflateEngine() = default;

template <class Format>
const InflateEngine::CodeTables* InflateEngine::FixedTables() {
    std::unique_ptr<CodeTables>& slot = fixed_[Format::kFixedSlot];
    if (slot != nullptr) return slot.get();
    std::unique_ptr<CodeTables> tables(new (std::nothrow) CodeTables);
    if (tables == nullptr) return nullptr;
    std::uint8_t lengths[kLitLenSymbols];
    std::memset(lengths, 8, 144);
    std::memset(lengths + 144, 9, 112);
    std::memset(lengths + 256, 7, 24);
    std::memset(lengths + 280, 8, 8);
    unsigned lookupBits = 0;
    if (BuildDecodingTable(lengths, kLitLenSymbols, kLitLenSymbolEntries<Format>.data(),
                           kLitLenRootBits, tables->litLen, kLitLenCapacity,
                           &lookupBits) != TableResult::Complete) {
        return nullptr;
    }
    std::memset(lengths, 5, kDistanceSymbols);
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

}  // namespace quillory
