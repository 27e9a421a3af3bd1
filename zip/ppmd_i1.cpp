// PPMd var.I rev. 1 as the decoder sees it: contexts of up to MaxOrder previous bytes,
// each with its symbols' frequencies; a symbol is coded in the longest context that
// knows it, after escapes from the longer ones (with the symbols already ruled out
// masked), binary contexts through adaptive probabilities and masked ones through
// secondary escape estimation. After each symbol the model grows exactly as the
// encoder's did: new contexts, new states, rescaled frequencies, and when memory runs
// out a restart, a cut-off of the deepest contexts or a freeze, as the word chose.
// Offsets into the model's memory stand for pointers, 0 for none.
#include "zip/ppmd_i1.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "common/decode_check.h"
#include "zip/zip_format.h"

namespace quillory::zip {
namespace ppmd {

// A symbol of a context: its byte, its frequency, and the context that follows it (or
// the text position it was seen at, below unitsStart). Two 16-bit halves keep the state
// at 2-byte alignment, 6 bytes, two to a unit.
struct State {
    std::uint8_t symbol;
    std::uint8_t freq;
    std::uint16_t successorLow;
    std::uint16_t successorHigh;
};
static_assert(sizeof(State) == 6 && 2 * sizeof(State) == kUnitSize);

// A context: its last state index (symbols - 1), flags, the sum of its frequencies and
// its escape's, its state list and its suffix (the context one byte shorter). A context
// of one symbol keeps that state in place of the sum and the list (OneState).
struct Context {
    std::uint8_t numStats;
    std::uint8_t flags;
    std::uint16_t summFreq;
    std::uint32_t stats;
    std::uint32_t suffix;
};
static_assert(sizeof(Context) == kUnitSize);

namespace {

constexpr int kUpFreq = 5;
constexpr unsigned kIntBits = 7;
constexpr unsigned kPeriodBits = 7;
constexpr unsigned kTotalBits = kIntBits + kPeriodBits;
constexpr std::uint32_t kInterval = 1u << kIntBits;
constexpr std::uint32_t kBinScale = 1u << kTotalBits;
constexpr unsigned kMaxFreq = 124;
constexpr unsigned kMaxBinaryFreq = 196;  // var.I's limit for a binary context's symbol
constexpr unsigned kOrderBound = 9;       // cut-off keeps shorter contexts without successors
constexpr unsigned kMaxOrder = 16;

// Context flags: a symbol of 0x40 or above in it, or before it; frequencies rescaled.
constexpr std::uint8_t kFlagRescaled = 0x04;
constexpr std::uint8_t kFlagHighSymbol = 0x08;
constexpr std::uint8_t kFlagHighPrevious = 0x10;
constexpr std::uint8_t kHighSymbol = 0x40;

// Restoration methods of the parameter word, and the state a freeze leaves.
constexpr unsigned kRestart = 0;
constexpr unsigned kFreeze = 2;

// The range coder's renormalisation: bytes move in while the top byte is settled, or the
// range has fallen below the bottom.
constexpr std::uint32_t kTop = 1u << 24;
constexpr std::uint32_t kBottom = 1u << 15;

// Frequency (or symbol count) classes: 0-4 as they are, then classes of 1, 2, 3... values.
constexpr std::array<std::uint8_t, 260> QuantTable() {
    std::array<std::uint8_t, 260> q{};
    for (int i = 0; i < kUpFreq; ++i)
        q[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    int m = kUpFreq, k = 1, step = 1;
    for (int i = kUpFreq; i < 260; ++i) {
        q[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(m);
        if (--k == 0) {
            ++m;
            k = ++step;
        }
    }
    return q;
}
constexpr auto kQTable = QuantTable();
// The binary probabilities' rows (frequency classes of up to kMaxBinaryFreq) and the
// escape estimators' rows (symbol counts of up to 255) exist.
static_assert(kQTable[kMaxBinaryFreq - 1] < 25 && kQTable[255 + 2] - 3 < 24);

// A binary context's column from its suffix's symbol count: 1, 2, 3-11, more.
constexpr std::array<std::uint8_t, 256> BinaryIndex() {
    std::array<std::uint8_t, 256> b{};
    b[0] = 0;
    b[1] = 2;
    for (std::size_t i = 2; i < 11; ++i)
        b[i] = 4;
    for (std::size_t i = 11; i < 256; ++i)
        b[i] = 6;
    return b;
}
constexpr auto kBinaryIndex = BinaryIndex();

// The escape's initial frequency after a binary escape, by the probability's top bits.
constexpr std::uint8_t kExpEscape[16] = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};
static_assert(kBinScale >> 10 == std::size(kExpEscape));
constexpr std::uint16_t kInitBinEsc[8] = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3,
                                          0x64A1, 0x5ABC, 0x6632, 0x6051};

// State lists of the model's deepest chain are at most MaxOrder + 1 long.
constexpr unsigned kChain = kMaxOrder + 2;
// Cut-off removes a level of contexts per pass; a model never needs more.
constexpr unsigned kMaxCutOffPasses = 4 * kChain;

std::uint32_t Successor(const State* s) {
    return s->successorLow | (std::uint32_t{s->successorHigh} << 16);
}
void SetSuccessor(State* s, std::uint32_t v) {
    s->successorLow = static_cast<std::uint16_t>(v);
    s->successorHigh = static_cast<std::uint16_t>(v >> 16);
}
State* OneState(Context* c) {
    return reinterpret_cast<State*>(&c->summFreq);
}
std::uint8_t U8(unsigned v) {
    return static_cast<std::uint8_t>(v);
}
std::uint16_t U16(unsigned v) {
    return static_cast<std::uint16_t>(v);
}

// The binary probability's step towards its recent outcomes.
unsigned BinaryMean(unsigned p) {
    return (p + (1u << (kPeriodBits - 2))) >> kPeriodBits;
}

unsigned SeeMean(See& see) {
    const unsigned r = see.summ >> see.shift;
    see.summ = U16(see.summ - r);
    return r == 0 ? 1 : r;
}
void SeeUpdate(See& see) {
    if (see.shift >= kPeriodBits || --see.count != 0) return;
    see.summ = U16(see.summ * 2u);
    see.count = U8(3u << see.shift);
    ++see.shift;
}

// The symbol's state in a suffix context gains: listed (the state in c's list) by 2 with
// the context's sum, below the rescaling limit; a context's only state by 1, up to 32.
State* GainInSuffix(Context* c, State* listed) {
    if (c->numStats != 0) {
        if (listed->freq < kMaxFreq - 9) {
            listed->freq = U8(listed->freq + 2);
            c->summFreq = U16(c->summFreq + 2);
        }
        return listed;
    }
    State* one = OneState(c);
    if (one->freq < 32) ++one->freq;
    return one;
}

}  // namespace

void RangeDecoder::Init() {
    for (int i = 0; i < 4; ++i)
        code_ = (code_ << 8) | Byte();
}

void RangeDecoder::Decode(std::uint32_t start, std::uint32_t size) {
    low_ += start * range_;
    range_ *= size;
    for (;;) {
        if ((low_ ^ (low_ + range_)) >= kTop) {
            if (range_ >= kBottom) break;
            range_ = (0u - low_) & (kBottom - 1);
        }
        code_ = (code_ << 8) | Byte();
        range_ <<= 8;
        low_ <<= 8;
    }
}

State* Model::States(const Context* c) {
    return reinterpret_cast<State*>(heap_.At(c->stats));
}

void Model::Start(unsigned maxOrder, unsigned restoration) {
    maxOrder_ = maxOrder;
    restoration_ = restoration;
    escCount_ = 1;
    initEsc_ = 0;
    foundState_ = nullptr;
    dummySee_ = See{0xAF8F, kPeriodBits, 0x84};
    Restart();
}

void Model::ClearMask() {
    escCount_ = 1;
    std::memset(charMask_, 0, sizeof charMask_);
}

void Model::Restart() {
    heap_.Init();
    std::memset(charMask_, 0, sizeof charMask_);
    prevSuccess_ = 0;
    orderFall_ = static_cast<int>(maxOrder_);
    runLength_ = initRunLength_ = -static_cast<int>(std::min(maxOrder_, 12u)) - 1;
    // The order-0 context: every byte once.
    maxContext_ = Ctx(heap_.AllocContext());
    maxContext_->numStats = 255;
    maxContext_->flags = 0;
    maxContext_->suffix = 0;
    maxContext_->summFreq = 257;
    maxContext_->stats = heap_.AllocUnits(256 / 2);
    State* s = States(maxContext_);
    for (unsigned i = 0; i < 256; ++i) {
        s[i].symbol = U8(i);
        s[i].freq = 1;
        SetSuccessor(&s[i], 0);
    }
    unsigned i = 0;
    for (unsigned m = 0; m < 25; ++m) {
        while (kQTable[i] == m)
            ++i;
        for (unsigned k = 0; k < 8; ++k)
            binSumm_[m][k] = U16(kBinScale - kInitBinEsc[k] / (i + 1));
        for (unsigned k = 8; k < 64; k += 8)
            std::memcpy(&binSumm_[m][k], &binSumm_[m][0], 8 * sizeof binSumm_[m][0]);
    }
    i = 0;
    for (unsigned m = 0; m < 24; ++m) {
        while (kQTable[i + 3] == m + 3)
            ++i;
        for (See& see : see_[m])
            see = See{U16((2 * i + 5) << (kPeriodBits - 4)), kPeriodBits - 4, 7};
    }
}

int Model::DecodeSymbol(RangeDecoder& rc) {
    Context* c = maxContext_;
    if (!(c->numStats != 0 ? DecodeFirst(c, rc) : DecodeBinary(c, rc))) return kError;
    while (foundState_ == nullptr) {
        // Escape to the next shorter context that has symbols not yet ruled out.
        do {
            ++orderFall_;
            if (c->suffix == 0) return kEndMark;
            c = Ctx(c->suffix);
        } while (c->numStats == lastMaskIndex_);
        if (!DecodeMasked(c, rc)) return kError;
    }
    const int symbol = foundState_->symbol;
    if (orderFall_ == 0 && Successor(foundState_) >= heap_.unitsStart) {
        maxContext_ = Ctx(Successor(foundState_));
    } else {
        UpdateModel(c);
        if (escCount_ == 0) ClearMask();
    }
    return symbol;
}

bool Model::DecodeBinary(Context* c, RangeDecoder& rc) {
    State* s = OneState(c);
    const unsigned column = kBinaryIndex[Ctx(c->suffix)->numStats] + prevSuccess_ + c->flags +
                            ((static_cast<unsigned>(runLength_) >> 26) & 0x20);
    std::uint16_t& p = binSumm_[kQTable[s->freq - 1]][column & 63];
    const std::uint32_t count = rc.Threshold(kBinScale);
    DECODE_CHECK(count < kBinScale, false);
    if (count < p) {
        rc.Decode(0, p);
        prevSuccess_ = 1;
        ++runLength_;
        foundState_ = s;
        if (s->freq < kMaxBinaryFreq) ++s->freq;
        p = U16(p + kInterval - BinaryMean(p));
    } else {
        rc.Decode(p, kBinScale - p);
        prevSuccess_ = 0;
        foundState_ = nullptr;
        lastMaskIndex_ = 0;
        charMask_[s->symbol] = escCount_;
        p = U16(p - BinaryMean(p));
        initEsc_ = kExpEscape[p >> 10];
    }
    return true;
}

bool Model::DecodeFirst(Context* c, RangeDecoder& rc) {
    scale_ = c->summFreq;
    State* s = States(c);
    const std::uint32_t count = rc.Threshold(scale_);
    DECODE_CHECK(count < scale_, false);
    std::uint32_t high = s->freq;
    if (count < high) {
        // The most probable symbol, which counts as a success when it had half the mass.
        rc.Decode(0, high);
        prevSuccess_ = 2 * high >= scale_ ? 1 : 0;
        runLength_ += prevSuccess_;
        foundState_ = s;
        s->freq = U8(high + 4);
        c->summFreq = U16(c->summFreq + 4);
        if (high + 4 > kMaxFreq) Rescale(c);
        return true;
    }
    prevSuccess_ = 0;
    for (unsigned i = 1; i <= c->numStats; ++i) {
        ++s;
        high += s->freq;
        if (high > count) {
            rc.Decode(high - s->freq, s->freq);
            s->freq = U8(s->freq + 4);
            c->summFreq = U16(c->summFreq + 4);
            // Kept in order of frequency, the found symbol moved up past its neighbour.
            if (s[0].freq > s[-1].freq) {
                std::swap(s[0], s[-1]);
                foundState_ = s - 1;
                if (s[-1].freq > kMaxFreq) Rescale(c);
            } else {
                foundState_ = s;
            }
            return true;
        }
    }
    // The escape: every symbol of this context is ruled out in the shorter ones.
    rc.Decode(high, scale_ - high);
    lastMaskIndex_ = c->numStats;
    foundState_ = nullptr;
    s = States(c);
    for (unsigned i = 0; i <= c->numStats; ++i)
        charMask_[s[i].symbol] = escCount_;
    return true;
}

bool Model::DecodeMasked(Context* c, RangeDecoder& rc) {
    See* see = &dummySee_;
    scale_ = 1;
    if (c->numStats != 255) {
        const unsigned suffixStats = Ctx(c->suffix)->numStats;
        see = &see_[kQTable[c->numStats + 2u] - 3u]
                   [(c->summFreq > 11u * (c->numStats + 1u) ? 1u : 0u) +
                    (2u * c->numStats < suffixStats + lastMaskIndex_ ? 2u : 0u) + c->flags];
        scale_ = SeeMean(*see);
    }
    // The symbols not ruled out: their frequencies summed without a branch per symbol.
    DECODE_CHECK(c->numStats > lastMaskIndex_, false);
    State* const states = States(c);
    const unsigned count = c->numStats + 1u;
    std::uint32_t total = 0;
    for (unsigned i = 0; i < count; ++i) {
        const std::uint32_t open = charMask_[states[i].symbol] != escCount_ ? 0xFF : 0;
        total += states[i].freq & open;
    }
    scale_ += total;
    const std::uint32_t at = rc.Threshold(scale_);
    DECODE_CHECK(at < scale_, false);
    if (at < total) {
        State* s = states;
        std::uint32_t high = 0;
        for (;; ++s) {
            if (charMask_[s->symbol] == escCount_) continue;
            high += s->freq;
            if (high > at) break;
        }
        rc.Decode(high - s->freq, s->freq);
        SeeUpdate(*see);
        foundState_ = s;
        s->freq = U8(s->freq + 4);
        c->summFreq = U16(c->summFreq + 4);
        if (s->freq > kMaxFreq) Rescale(c);
        ++escCount_;
        runLength_ = initRunLength_;
    } else {
        rc.Decode(total, scale_ - total);
        lastMaskIndex_ = c->numStats;
        see->summ = U16(see->summ + scale_);
        for (unsigned i = 0; i < count; ++i)
            charMask_[states[i].symbol] = escCount_;
    }
    return true;
}

void Model::Rescale(Context* c) {
    State* s = States(c);
    const int n = c->numStats + 1;
    foundState_->freq = U8(foundState_->freq + 4);
    // Halve every frequency, keeping the list sorted by frequency.
    int escFreq = c->summFreq + 4;
    const unsigned adder = (orderFall_ != 0 || restoration_ > kFreeze) ? 1 : 0;
    c->summFreq = 0;
    for (int i = 0; i < n; ++i) {
        escFreq -= s[i].freq;
        s[i].freq = U8((s[i].freq + adder) >> 1);
        c->summFreq = U16(c->summFreq + s[i].freq);
        if (i > 0 && s[i].freq > s[i - 1].freq) {
            const State moving = s[i];
            int j = i - 1;
            while (j > 0 && moving.freq > s[j - 1].freq)
                --j;
            std::memmove(&s[j + 1], &s[j], sizeof(State) * static_cast<std::size_t>(i - j));
            s[j] = moving;
        }
    }
    // Symbols whose frequency fell to 0 leave the context.
    if (s[n - 1].freq == 0) {
        int zeros = 1;
        while (zeros < n && s[n - 1 - zeros].freq == 0)
            ++zeros;
        escFreq += zeros;
        c->numStats = U8(c->numStats - zeros);
        if (c->numStats == 0) {
            State only = s[0];
            escFreq = std::max(escFreq, 1);
            only.freq =
                U8(std::min<unsigned>((2 * only.freq + escFreq - 1) / escFreq, kMaxFreq / 3));
            heap_.FreeUnits(c->stats, static_cast<unsigned>(n + 1) >> 1);
            foundState_ = OneState(c);
            *foundState_ = only;
            c->flags = U8((c->flags & kFlagHighPrevious) +
                          (only.symbol >= kHighSymbol ? kFlagHighSymbol : 0));
            return;
        }
        c->stats =
            heap_.ShrinkUnits(c->stats, static_cast<unsigned>(n + 1) >> 1, (c->numStats + 2u) >> 1);
        s = States(c);
        c->flags = U8(c->flags & ~kFlagHighSymbol);
        for (unsigned i = 0; i <= c->numStats; ++i) {
            if (s[i].symbol >= kHighSymbol) c->flags |= kFlagHighSymbol;
        }
    }
    c->summFreq = U16(c->summFreq + ((escFreq + 1) >> 1));
    c->flags |= kFlagRescaled;
    foundState_ = States(c);
}

void Model::UpdateModel(Context* minContext) {
    const State fs = *foundState_;
    std::uint32_t fsSuccessor = Successor(&fs);
    State* p = nullptr;
    Context* current = maxContext_;
    // The symbol gains in the suffix context too.
    if (fs.freq < kMaxFreq / 4 && minContext->suffix != 0) {
        Context* c = Ctx(minContext->suffix);
        if (c->numStats != 0) {
            p = States(c);
            if (p->symbol != fs.symbol) {
                do {
                    ++p;
                } while (p->symbol != fs.symbol);
                if (p[0].freq >= p[-1].freq) {
                    std::swap(p[0], p[-1]);
                    --p;
                }
            }
        }
        p = GainInSuffix(c, p);
    }
    // In the longest context already: its successor chain is made, nothing else grows.
    if (orderFall_ == 0 && fsSuccessor != 0) {
        Context* made = CreateSuccessors(true, p, minContext);
        SetSuccessor(foundState_, Off(made));
        if (made == nullptr) return RestoreModel(current, minContext, fsSuccessor);
        maxContext_ = made;
        return;
    }
    // The symbol goes into the text; the new states' successor is its position there.
    *heap_.At(heap_.text) = fs.symbol;
    std::uint32_t successor = ++heap_.text;
    if (heap_.text >= heap_.unitsStart) return RestoreModel(current, minContext, fsSuccessor);
    if (fsSuccessor != 0) {
        if (fsSuccessor < heap_.unitsStart)
            fsSuccessor = Off(CreateSuccessors(false, p, minContext));
    } else {
        fsSuccessor = Off(ReduceOrder(p, minContext));
    }
    if (fsSuccessor == 0) return RestoreModel(current, minContext, 0);
    if (--orderFall_ == 0) {
        successor = fsSuccessor;
        if (maxContext_ != minContext) --heap_.text;
    } else if (restoration_ > kFreeze) {
        successor = fsSuccessor;
        heap_.text = heap_.heapStart;
        orderFall_ = 0;
    }
    // Every longer context, from the longest down to the one that coded the symbol,
    // learns it with a frequency estimated from the coding context's.
    const unsigned minNum = minContext->numStats + 1u;
    const int s0 = minContext->summFreq - static_cast<int>(minNum) - (fs.freq - 1);
    const std::uint8_t flag = fs.symbol >= kHighSymbol ? kFlagHighSymbol : 0;
    for (; current != minContext; current = Ctx(current->suffix)) {
        const unsigned num = current->numStats + 1u;
        if (num != 1) {
            if ((num & 1) == 0) {
                const std::uint32_t grown = heap_.ExpandUnits(current->stats, num >> 1);
                if (grown == 0) return RestoreModel(current, minContext, fsSuccessor);
                current->stats = grown;
            }
            if (3 * num - 1 < minNum) current->summFreq = U16(current->summFreq + 1);
        } else {
            const std::uint32_t list = heap_.AllocUnits(1);
            if (list == 0) return RestoreModel(current, minContext, fsSuccessor);
            State* first = reinterpret_cast<State*>(heap_.At(list));
            *first = *OneState(current);
            current->stats = list;
            first->freq = first->freq < kMaxFreq / 4 - 1 ? U8(first->freq * 2) : U8(kMaxFreq - 4);
            current->summFreq =
                U16(first->freq + static_cast<unsigned>(initEsc_) + (minNum > 3 ? 1 : 0));
        }
        const std::uint32_t cf = 2u * fs.freq * (current->summFreq + 6u);
        const std::uint32_t sf = static_cast<std::uint32_t>(s0 + current->summFreq);
        unsigned freq;
        if (cf < 6 * sf) {
            freq = 1 + (cf > sf ? 1 : 0) + (cf >= 4 * sf ? 1 : 0);
            current->summFreq = U16(current->summFreq + 4);
        } else {
            freq = 4 + (cf > 9 * sf ? 1 : 0) + (cf > 12 * sf ? 1 : 0) + (cf > 15 * sf ? 1 : 0);
            current->summFreq = U16(current->summFreq + freq);
        }
        ++current->numStats;
        State* added = States(current) + current->numStats;
        SetSuccessor(added, successor);
        added->symbol = fs.symbol;
        added->freq = U8(freq);
        current->flags |= flag;
    }
    maxContext_ = Ctx(fsSuccessor);
}

Context* Model::CreateSuccessors(bool skip, State* p, Context* c) {
    const std::uint32_t upBranch = Successor(foundState_);
    const std::uint8_t symbol = foundState_->symbol;
    State* chain[kChain];
    unsigned n = 0;
    // The states, down the suffixes, whose successor is still the text position.
    bool walk = true;
    if (!skip) {
        chain[n++] = foundState_;
        walk = c->suffix != 0;
    }
    if (walk && p != nullptr) {
        c = Ctx(c->suffix);
        if (Successor(p) != upBranch) {
            c = Ctx(Successor(p));
            walk = false;
        } else {
            chain[n++] = p;
            walk = c->suffix != 0;
        }
    }
    if (walk) {
        do {
            c = Ctx(c->suffix);
            if (c->numStats != 0) {
                p = States(c);
                while (p->symbol != symbol)
                    ++p;
                if (p->freq < kMaxFreq - 9) {
                    ++p->freq;
                    c->summFreq = U16(c->summFreq + 1);
                }
            } else {
                p = OneState(c);
                p->freq = U8(p->freq + ((Ctx(c->suffix)->numStats == 0) & (p->freq < 24)));
            }
            if (Successor(p) != upBranch) {
                c = Ctx(Successor(p));
                break;
            }
            if (n == kChain) return nullptr;
            chain[n++] = p;
        } while (c->suffix != 0);
    }
    if (n == 0) return c;
    // The new contexts all predict the byte that followed in the text.
    const std::uint8_t next = *heap_.At(upBranch);
    State one{};
    one.symbol = next;
    SetSuccessor(&one, upBranch + 1);
    const std::uint8_t flags = U8((symbol >= kHighSymbol ? kFlagHighPrevious : 0) |
                                  (next >= kHighSymbol ? kFlagHighSymbol : 0));
    if (c->numStats != 0) {
        State* q = States(c);
        while (q->symbol != next)
            ++q;
        const int cf = q->freq - 1;
        // Never below 1 in a model built by these rules; it keeps a division defined.
        const int s0 = std::max(c->summFreq - c->numStats - cf, 1);
        one.freq = U8(2 * cf <= s0 ? (5 * cf > s0 ? 2 : 1) : 1 + (cf + 2 * s0 - 3) / s0);
    } else {
        one.freq = OneState(c)->freq;
    }
    while (n-- > 0) {
        const std::uint32_t offset = heap_.AllocContext();
        if (offset == 0) return nullptr;
        Context* made = Ctx(offset);
        made->numStats = 0;
        made->flags = flags;
        *OneState(made) = one;
        made->suffix = Off(c);
        SetSuccessor(chain[n], offset);
        c = made;
    }
    return c;
}

Context* Model::ReduceOrder(State* p, Context* start) {
    State* chain[kChain];
    Context* c = start;
    const std::uint32_t upBranch = heap_.text;
    const std::uint8_t symbol = foundState_->symbol;
    unsigned n = 0;
    chain[n++] = foundState_;
    ++orderFall_;
    bool found = false;
    if (p != nullptr) {
        c = Ctx(c->suffix);
        if (Successor(p) != 0) {
            found = true;
        } else {
            chain[n++] = p;
            ++orderFall_;
        }
    }
    while (!found) {
        if (c->suffix == 0) {
            const std::uint32_t to = restoration_ > kFreeze ? Off(c) : upBranch;
            for (unsigned i = 0; i < n; ++i)
                SetSuccessor(chain[i], to);
            if (restoration_ > kFreeze) {
                heap_.text = heap_.heapStart + 1;
                orderFall_ = 1;
            }
            return c;
        }
        c = Ctx(c->suffix);
        if (c->numStats != 0) {
            p = States(c);
            while (p->symbol != symbol)
                ++p;
        }
        p = GainInSuffix(c, p);
        if (Successor(p) != 0) break;
        if (n == kChain) return nullptr;
        chain[n++] = p;
        ++orderFall_;
    }
    if (restoration_ > kFreeze) {
        const std::uint32_t to = Successor(p);
        for (unsigned i = 0; i < n; ++i)
            SetSuccessor(chain[i], to);
        heap_.text = heap_.heapStart + 1;
        orderFall_ = 1;
        return Ctx(to);
    }
    for (unsigned i = 0; i < n; ++i)
        SetSuccessor(chain[i], upBranch);
    if (Successor(p) <= upBranch) {
        State* const kept = foundState_;
        foundState_ = p;
        SetSuccessor(p, Off(CreateSuccessors(false, nullptr, c)));
        foundState_ = kept;
    }
    if (orderFall_ == 1 && start == maxContext_) {
        SetSuccessor(foundState_, Successor(p));
        --heap_.text;
    }
    return Ctx(Successor(p));
}

void Model::RestoreModel(Context* current, Context* minContext, std::uint32_t foundSuccessor) {
    heap_.text = heap_.heapStart;
    // Undo the states this symbol added, then let the coding context's suffixes forget.
    Context* c = maxContext_;
    for (; c != current; c = Ctx(c->suffix)) {
        if (c->numStats == 1) {
            State only = *States(c);
            heap_.SpecialFreeUnit(c->stats);
            only.freq = U8((only.freq + 11) >> 3);
            *OneState(c) = only;
            c->numStats = 0;
            c->flags &= kFlagHighPrevious;
            if (only.symbol >= kHighSymbol) c->flags += kFlagHighSymbol;
        } else {
            ShrinkContext(c, c->numStats - 1u, false);
        }
    }
    for (; c != minContext; c = Ctx(c->suffix)) {
        if (c->numStats == 0) {
            State* only = OneState(c);
            only->freq = U8((only->freq + 1) >> 1);
        } else {
            c->summFreq = U16(c->summFreq + 4);
            if (c->summFreq > 128u + 4u * c->numStats) ShrinkContext(c, c->numStats, true);
        }
    }
    if (restoration_ > kFreeze) {
        // Frozen: go on from the successor. A frozen model that found none (which the
        // reference model would follow into nothing) goes on from the order-0 context.
        maxContext_ = Ctx(foundSuccessor);
        if (maxContext_ == nullptr) {
            maxContext_ = c;
            while (maxContext_->suffix != 0)
                maxContext_ = Ctx(maxContext_->suffix);
        }
        if ((heap_.lists[1].stamp & 1) == 0) ++heap_.glueCount;
    } else if (restoration_ == kFreeze) {
        while (maxContext_->suffix != 0)
            maxContext_ = Ctx(maxContext_->suffix);
        RemoveBinaryContexts(maxContext_, 0);
        ++restoration_;
        heap_.glueCount = 0;
        orderFall_ = static_cast<int>(maxOrder_);
    } else if (restoration_ == kRestart || heap_.UsedMemory() < (heap_.size >> 1)) {
        Restart();
        escCount_ = 0;
    } else {
        // Cut off: drop contexts deepest first until a quarter of the memory is free.
        while (maxContext_->suffix != 0)
            maxContext_ = Ctx(maxContext_->suffix);
        unsigned passes = 0;
        do {
            CutOff(maxContext_, 0);
            heap_.ExpandTextArea();
        } while (heap_.UsedMemory() > 3 * (heap_.size >> 2) && ++passes < kMaxCutOffPasses);
        if (passes == kMaxCutOffPasses) {
            Restart();
            escCount_ = 0;
            return;
        }
        heap_.glueCount = 0;
        orderFall_ = static_cast<int>(maxOrder_);
    }
}

void Model::ShrinkContext(Context* c, unsigned newLast, bool scale) {
    c->stats = heap_.ShrinkUnits(c->stats, (c->numStats + 2u) >> 1, (newLast + 2) >> 1);
    c->numStats = U8(newLast);
    c->flags &= scale ? (kFlagRescaled | kFlagHighPrevious) : kFlagHighPrevious;
    State* s = States(c);
    int escFreq = c->summFreq;
    c->summFreq = 0;
    for (unsigned i = 0; i <= c->numStats; ++i) {
        escFreq -= s[i].freq;
        if (scale) s[i].freq = U8((s[i].freq + 1) >> 1);
        c->summFreq = U16(c->summFreq + s[i].freq);
        if (s[i].symbol >= kHighSymbol) c->flags |= kFlagHighSymbol;
    }
    if (scale) escFreq = (escFreq + 1) >> 1;
    c->summFreq = U16(c->summFreq + escFreq);
}

Context* Model::CutOff(Context* c, unsigned order) {
    if (c->numStats == 0) {
        State* s = OneState(c);
        if (Successor(s) >= heap_.unitsStart) {
            SetSuccessor(s, order < maxOrder_ ? Off(CutOff(Ctx(Successor(s)), order + 1)) : 0);
            if (Successor(s) == 0 && order > kOrderBound) {
                heap_.SpecialFreeUnit(Off(c));
                return nullptr;
            }
            return c;
        }
        heap_.SpecialFreeUnit(Off(c));
        return nullptr;
    }
    const unsigned oldUnits = (c->numStats + 2u) >> 1;
    c->stats = heap_.MoveUnitsUp(c->stats, oldUnits);
    int n = c->numStats;
    State* s = States(c);
    for (int i = n; i >= 0; --i) {
        if (Successor(&s[i]) < heap_.unitsStart) {
            SetSuccessor(&s[i], 0);
            std::swap(s[i], s[n]);
            --n;
        } else if (order < maxOrder_) {
            SetSuccessor(&s[i], Off(CutOff(Ctx(Successor(&s[i])), order + 1)));
        } else {
            SetSuccessor(&s[i], 0);
        }
    }
    if (n != c->numStats && order != 0) {
        if (n < 0) {
            heap_.FreeUnits(c->stats, oldUnits);
            heap_.SpecialFreeUnit(Off(c));
            return nullptr;
        }
        if (n == 0) {
            State only = s[0];
            heap_.FreeUnits(c->stats, oldUnits);
            only.freq = U8((only.freq + 11) >> 3);
            *OneState(c) = only;
            c->numStats = 0;
            c->flags &= kFlagHighPrevious;
            if (only.symbol >= kHighSymbol) c->flags += kFlagHighSymbol;
        } else {
            ShrinkContext(c, static_cast<unsigned>(n), c->summFreq > 16 * n);
        }
    }
    return c;
}

Context* Model::RemoveBinaryContexts(Context* c, unsigned order) {
    if (c->numStats == 0) {
        State* s = OneState(c);
        if (Successor(s) >= heap_.unitsStart && order < maxOrder_) {
            SetSuccessor(s, Off(RemoveBinaryContexts(Ctx(Successor(s)), order + 1)));
        } else {
            SetSuccessor(s, 0);
        }
        if (Successor(s) == 0) {
            const Context* suffix = Ctx(c->suffix);
            if (suffix->numStats == 0 || suffix->flags == 0xFF) {
                heap_.FreeUnits(Off(c), 1);
                return nullptr;
            }
        }
        return c;
    }
    State* s = States(c);
    for (int i = c->numStats; i >= 0; --i) {
        if (Successor(&s[i]) >= heap_.unitsStart && order < maxOrder_) {
            SetSuccessor(&s[i], Off(RemoveBinaryContexts(Ctx(Successor(&s[i])), order + 1)));
        } else {
            SetSuccessor(&s[i], 0);
        }
    }
    return c;
}

}  // namespace ppmd

namespace {

// The parameter word: order - 1, memory in MB - 1, restoration method.
constexpr unsigned kOrderBits = 4;
constexpr unsigned kMemoryBits = 8;
constexpr unsigned kMinOrder = 2;
constexpr unsigned kMaxRestoration = 2;
constexpr std::uint32_t kMaxModelBytes = (1u << kMemoryBits) << 20;  // 256 MiB
static_assert(kMaxModelBytes <= kMaxDictionaryBytes);
static_assert((1u << kOrderBits) == ppmd::kMaxOrder);

class PpmdWork final : public MethodWork {
public:
    static PpmdWork* Make() { return new (std::nothrow) PpmdWork; }
    ppmd::Model model;
};

}  // namespace

MethodResult DecodePpmd(const MethodParams& params, InflateInput& input, OutputWindow& window,
                        MethodDecoders& decoders) {
    std::uint8_t word[2];
    if (!TakeBytes(input, word, sizeof word)) return MethodResult::DataError;
    const unsigned w = format::Le16(word);
    const unsigned order = (w & ((1u << kOrderBits) - 1)) + 1;
    const std::uint32_t bytes = (((w >> kOrderBits) & ((1u << kMemoryBits) - 1)) + 1) << 20;
    const unsigned restoration = w >> (kOrderBits + kMemoryBits);
    DECODE_CHECK(order >= kMinOrder, MethodResult::DataError);
    if (restoration > kMaxRestoration) return MethodResult::Unsupported;

    PpmdWork* work = decoders.WorkIn<PpmdWork>(MethodDecoders::kPpmd);
    if (work == nullptr || !work->model.Allocate(bytes)) return MethodResult::OutOfMemory;
    ppmd::RangeDecoder rc(input);
    rc.Init();
    work->model.Start(order, restoration);
    const std::uint64_t size = params.uncompressedSize;
    for (std::uint64_t produced = 0; produced < size;) {
        std::uint8_t* const stepEnd = BeginStep(window, 1);
        if (stepEnd == nullptr) return MethodResult::OutputFailed;
        std::uint8_t* const end =
            window.out + std::min<std::uint64_t>(static_cast<std::size_t>(stepEnd - window.out),
                                                 size - produced);
        for (std::uint8_t* out = window.out; out < end; ++out) {
            const int symbol = work->model.DecodeSymbol(rc);
            DECODE_CHECK(symbol >= 0, MethodResult::DataError);
            *out = static_cast<std::uint8_t>(symbol);
        }
        produced += static_cast<std::uint64_t>(end - window.out);
        window.out = end;
        DECODE_CHECK(rc.overrun() == 0, MethodResult::DataError);
    }
    return MethodResult::Ok;
}

}  // namespace quillory::zip
