// PMarc decoding: literals are positions in a list of byte values by last use; -pm1-
// codes steps with fixed codes that widen with the output, -pm2- with Huffman codes it
// renews as the output grows. Refuses codes that overfill or name nothing, -pm1- copies
// before the first byte, and reads past the data (for -pm1-, past one last copy).
#include "lzh/lzh_pmarc_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "common/decode_check.h"
#include "lzh/lzh_bit_input.h"
#include "lzh/lzh_method.h"
#include "lzh/lzh_output_window.h"

namespace quillory::lzh {
namespace {

// The byte values by last use. A ring linked both ways: from the newest, `older` steps
// back in time and `newer` wraps round to the oldest.
class RecentBytes {
public:
    // The starting order, newest first: printable ASCII, control codes, the upper
    // half's 0xA0..0xDF, 0x80..0x9F, then 0xE0..0xFF.
    void Start() {
        static constexpr std::pair<unsigned, unsigned> kRuns[] = {
            {0x20, 0x7F}, {0x00, 0x1F}, {0xA0, 0xDF}, {0x80, 0x9F}, {0xE0, 0xFF}};
        std::array<std::uint8_t, 256> order{};
        std::size_t at = 0;
        for (const auto& [first, last] : kRuns) {
            for (unsigned value = first; value <= last; ++value)
                order[at++] = static_cast<std::uint8_t>(value);
        }
        for (std::size_t i = 0; i < 256; ++i) {
            older_[order[i]] = order[(i + 1) % 256];
            newer_[order[(i + 1) % 256]] = order[i];
        }
        newest_ = order[0];
    }

    // The value used `back` uses ago (0: the last one).
    std::uint8_t Find(unsigned back) const {
        std::uint8_t value = newest_;
        if (back < 128) {
            for (; back > 0; --back)
                value = older_[value];
        } else {
            for (back = 256 - back; back > 0; --back)
                value = newer_[value];
        }
        return value;
    }

    // Makes value the newest.
    void Use(std::uint8_t value) {
        if (value == newest_) return;
        older_[newer_[value]] = older_[value];
        newer_[older_[value]] = newer_[value];
        const std::uint8_t oldest = newer_[newest_];
        older_[value] = newest_;
        newer_[value] = oldest;
        newer_[newest_] = value;
        older_[oldest] = value;
        newest_ = value;
    }

private:
    std::uint8_t older_[256];
    std::uint8_t newer_[256];
    std::uint8_t newest_ = 0;
};

// Writes a literal found `back` uses ago.
inline std::uint8_t* PutRecent(std::uint8_t* out, RecentBytes& recent, unsigned back) {
    const std::uint8_t value = recent.Find(back);
    recent.Use(value);
    *out = value;
    return out + 1;
}

// Copies a match byte by byte, each byte becoming the newest used.
inline std::uint8_t* CopyRecent(std::uint8_t* out, RecentBytes& recent, std::size_t distance,
                                std::size_t length) {
    for (std::uint8_t* const end = out + length; out < end; ++out) {
        *out = out[-static_cast<std::ptrdiff_t>(distance)];
        recent.Use(*out);
    }
    return out;
}

// A value coded as a base and a count of plain bits, chosen by a preceding code.
struct Range {
    unsigned base;
    unsigned extraBits;
};

inline unsigned ReadRange(BitInput& in, const Range& range) {
    return range.base + in.GetBits(range.extraBits);
}

// True when the ranges follow one another from `first` without a gap and end at `end`.
template <std::size_t N>
constexpr bool RangesCover(const Range (&ranges)[N], unsigned first, unsigned end) {
    unsigned next = first;
    for (const Range& range : ranges) {
        if (range.base != next) return false;
        next = range.base + (1u << range.extraBits);
    }
    return next == end;
}

// ---- -pm2- ----

// A canonical Huffman code of up to kMaxSymbols symbols, decoded bit by bit (its codes
// are few and short). Codes that name no symbol (PMarc sends incomplete codes) fail.
class SmallCode {
public:
    static constexpr int kMaxSymbols = 32;
    static constexpr int kMaxLength = 31;

    void MakeEmpty() { single_ = -1, longest_ = 0; }
    void MakeSingle(int symbol) { single_ = symbol; }
    // False when the lengths (each 0..kMaxLength) overfill the code space.
    bool Make(const std::uint8_t* lengths, int symbols) {
        single_ = -1;
        std::memset(count_, 0, sizeof count_);
        longest_ = 0;
        for (int s = 0; s < symbols; ++s) {
            ++count_[lengths[s]];
            longest_ = std::max<int>(longest_, lengths[s]);
        }
        std::uint64_t left = 1;  // code space left, in codes of the current length
        int offsets[kMaxLength + 2] = {};
        for (int length = 1; length <= longest_; ++length) {
            left = left * 2 - count_[length];
            DECODE_CHECK(left <= (std::uint64_t{1} << length), false);  // went negative: overfilled
            offsets[length + 1] = offsets[length] + count_[length];
        }
        for (int s = 0; s < symbols; ++s) {
            if (lengths[s] != 0) symbols_[offsets[lengths[s]]++] = static_cast<std::uint8_t>(s);
        }
        return true;
    }

    // The next symbol, or -1 for a code that names none.
    int Take(BitInput& in) const {
        if (single_ >= 0) return single_;
        unsigned code = 0;
        unsigned first = 0;
        unsigned index = 0;
        for (int length = 1; length <= longest_; ++length) {
            if (in.bitCount == 0) in.Refill();
            code |= static_cast<unsigned>(in.bitBuffer >> 63);
            in.Consume(1);
            const unsigned count = count_[length];
            if (code - first < count) return symbols_[index + code - first];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }

private:
    int single_ = -1;
    int longest_ = 0;
    std::uint16_t count_[kMaxLength + 1] = {};
    std::uint8_t symbols_[kMaxSymbols] = {};
};

// Step kinds: 0..7 a literal, its list position in kPm2Literal[kind]; 8..22 a copy of
// kind - 6 bytes; 23..27 a copy whose length is in kPm2Length[kind - 23]; 28 a copy of
// 256 bytes from distance 1. Copy kind 8 has a 6-bit distance; kinds 9..27 take a
// width from the distance code: 0 is 6 bits, w >= 1 is 2^(w+5) plus w + 5 bits.
constexpr int kPm2Kinds = 29;
constexpr Range kPm2Literal[8] = {{0, 3},  {8, 3},  {16, 4},  {32, 5},
                                  {64, 5}, {96, 5}, {128, 6}, {192, 6}};
constexpr Range kPm2Length[5] = {{17, 3}, {25, 3}, {33, 5}, {65, 6}, {129, 7}};
constexpr std::size_t kPm2LongCopy = 256;
constexpr std::size_t kPm2Dictionary = 8192;
constexpr int kPm2MaxWidths = 8;  // the width code grows to 8 symbols, widths 0..7
// Literals name positions 0..255 of the list; lengths go on from kind 22's 16 bytes to
// 256; the widest distance, 2^12 + 2^12 - 1 + 1, is the dictionary.
static_assert(RangesCover(kPm2Literal, 0, 256) && RangesCover(kPm2Length, 17, 257));
static_assert((std::size_t{2} << (kPm2MaxWidths - 1 + 5)) == kPm2Dictionary);
static_assert(kPm2LongCopy <= OutputWindow::kMaxStepBytes &&
              kPm2Dictionary <= OutputWindow::kMaxHistory);

struct Pm2Codes {
    SmallCode kinds;
    SmallCode widths;
    bool widthsSent = false;  // whether this kind code uses the width code
};

// The kind code: 5 bits of count, 3 of the shortest length (0: a single kind,
// count - 1, with no bits), 3 of the width of each entry (0: absent, v: shortest + v - 1).
bool ReadKinds(BitInput& in, Pm2Codes& codes) {
    const unsigned count = in.GetBits(5);
    const unsigned shortest = in.GetBits(3);
    codes.widthsSent = count >= 10 && !(count == 29 && shortest == 0);
    if (shortest == 0) {
        DECODE_CHECK(count >= 1, false);
        codes.kinds.MakeSingle(static_cast<int>(count - 1));
        return true;
    }
    const unsigned entryBits = in.GetBits(3);
    std::uint8_t lengths[SmallCode::kMaxSymbols];
    for (unsigned k = 0; k < count; ++k) {
        const unsigned v = in.GetBits(entryBits);
        DECODE_CHECK(v == 0 || shortest + v - 1 <= SmallCode::kMaxLength, false);
        lengths[k] = static_cast<std::uint8_t>(v == 0 ? 0 : shortest + v - 1);
    }
    return codes.kinds.Make(lengths, static_cast<int>(count));
}

// The width code: 3 bits of length for each of `widths` widths; one present width is
// a code of no bits. Sent only when the kind code has copies that use it.
bool ReadWidths(BitInput& in, Pm2Codes& codes, int widths) {
    if (!codes.widthsSent) return true;
    std::uint8_t lengths[kPm2MaxWidths];
    int present = 0;
    int only = 0;
    for (int w = 0; w < widths; ++w) {
        lengths[w] = static_cast<std::uint8_t>(in.GetBits(3));
        if (lengths[w] != 0) ++present, only = w;
    }
    if (present == 1) {
        codes.widths.MakeSingle(only);
        return true;
    }
    return codes.widths.Make(lengths, widths);
}

// Renews the codes at the output position `next` and moves it to the next renewal.
bool Renew(BitInput& in, Pm2Codes& codes, std::uint64_t& next) {
    if (next == 0) {
        DECODE_CHECK(ReadKinds(in, codes) && ReadWidths(in, codes, 5), false);
        next = 1024;
    } else if (next == 1024) {
        DECODE_CHECK(ReadWidths(in, codes, 6), false);
        next = 2048;
    } else if (next == 2048) {
        DECODE_CHECK(ReadWidths(in, codes, 7), false);
        next = 4096;
    } else if (next == 4096) {
        if (in.GetBits(1) != 0) DECODE_CHECK(ReadKinds(in, codes), false);
        DECODE_CHECK(ReadWidths(in, codes, kPm2MaxWidths), false);
        next = 8192;
    } else {
        if (in.GetBits(1) != 0)
            DECODE_CHECK(ReadKinds(in, codes) && ReadWidths(in, codes, kPm2MaxWidths), false);
        next += 4096;
    }
    return true;
}

// One -pm2- step at out; false when the stream is damaged.
bool Pm2Step(BitInput& in, const Pm2Codes& codes, RecentBytes& recent, std::uint8_t*& out) {
    if (in.bitCount < 40) in.Refill();
    const int kind = codes.kinds.Take(in);
    DECODE_CHECK(kind >= 0 && kind < kPm2Kinds, false);
    if (kind < 8) {
        out = PutRecent(out, recent, ReadRange(in, kPm2Literal[kind]));
        return true;
    }
    const int copy = kind - 8;
    const std::size_t length = copy < 15   ? static_cast<std::size_t>(copy) + 2
                               : copy < 20 ? ReadRange(in, kPm2Length[copy - 15])
                                           : kPm2LongCopy;
    std::size_t offset = 0;
    if (copy == 0) {
        offset = in.GetBits(6);
    } else if (copy < 20) {
        const int width = codes.widths.Take(in);
        DECODE_CHECK(width >= 0, false);
        offset = width == 0 ? in.GetBits(6)
                            : (std::size_t{1} << (width + 5)) +
                                  in.GetBits(static_cast<unsigned>(width + 5));
    }
    out = CopyRecent(out, recent, offset + 1, length);
    return true;
}

// ---- -pm1- ----

// The code of a literal's list position: one of 32 small trees, chosen by the stream's
// first 5 bits, gives a range index a..f (0..5); the last choice has no tree (always a).
// Trees are written with a leaf as a letter and a node as "(zero-child one-child)". The
// one at 17 holds d and e twice and no a or b: so PMarc's table has it.
constexpr const char* kPm1Trees[32] = {
    "((((ab)c)d)(ef))",
    "(((ab)(cf))(de))",
    "(((ab)c)(d(ef)))",
    "((a(bc))(d(ef)))",
    "((a(bd))(c(ef)))",
    "((a(b(ef)))(cd))",
    "((ab)((cd)(ef)))",
    "((ab)((c(ef))d))",
    "((ab)(c(d(ef))))",
    "(a(((bf)c)(de)))",
    "(a(((b(ef))c)d))",
    "(a(((bc)d)(ef)))",
    "(a((b(cf))(de)))",
    "(a((bc)(d(ef))))",
    "(a((b(d(ef)))c))",
    "(a(b((cd)(ef))))",
    "(a(b(c(d(ef)))))",
    "(((de)c)(de))",
    "((a(be))(cd))",
    "((ab)(c(de)))",
    "(a(((be)c)d))",
    "(a((bc)(de)))",
    "(a((b(de))c))",
    "(a(b(c(de))))",
    "(((ab)c)d)",
    "((a(bd))c)",
    "((ab)(cd))",
    "(a((bd)c))",
    "(a(b(cd)))",
    "(a(bc))",
    "(ab)",
    "a",
};
constexpr Range kPm1Literal[6] = {{0, 4}, {16, 4}, {32, 5}, {64, 6}, {128, 6}, {192, 6}};
static_assert(RangesCover(kPm1Literal, 0, 256));  // positions 0..255 of the list

// A parsed tree: node n's children are child[n][bit]; a leaf is 0x80 | index.
struct Pm1Tree {
    std::uint8_t child[8][2] = {};
    std::uint8_t root = 0;

    int Parse(const char*& text, int& nodes) {
        if (*text != '(') return 0x80 | (*text++ - 'a');
        ++text;
        const int node = nodes++;
        child[node][0] = static_cast<std::uint8_t>(Parse(text, nodes));
        child[node][1] = static_cast<std::uint8_t>(Parse(text, nodes));
        ++text;  // ')'
        return node;
    }
};

const std::array<Pm1Tree, 32>& Pm1Trees() {
    static const std::array<Pm1Tree, 32> trees = [] {
        std::array<Pm1Tree, 32> parsed{};
        for (std::size_t t = 0; t < parsed.size(); ++t) {
            const char* text = kPm1Trees[t];
            int nodes = 0;
            parsed[t].root = static_cast<std::uint8_t>(parsed[t].Parse(text, nodes));
        }
        return parsed;
    }();
    return trees;
}

inline unsigned TakePm1Range(BitInput& in, const Pm1Tree& tree) {
    unsigned node = tree.root;
    while ((node & 0x80) == 0)
        node = tree.child[node][in.GetBits(1)];
    return node & 0x7F;
}

// Copy distances: a range chosen by a code whose longer branches open as the output
// passes 64, 576 and 2624 bytes, narrowed while the output is short of its reach.
constexpr Range kPm1Distance[6] = {{0, 6}, {64, 8}, {0, 6}, {64, 9}, {576, 11}, {2624, 13}};
struct Narrowing {
    std::uint64_t below;  // output position under which the narrower width applies
    unsigned extraBits;
};
constexpr Narrowing kPm1Narrow3[] = {{320, 8}};
constexpr Narrowing kPm1Narrow4[] = {{832, 8}, {1088, 9}, {1600, 10}};
constexpr Narrowing kPm1Narrow5[] = {{2880, 8}, {3136, 9}, {3648, 10}, {4672, 11}, {6720, 12}};
constexpr std::size_t kPm1Ring = 16384;
// Zero bits a -pm1- stream may read past its data: one whole copy (at most 4 bits of
// kind, 18 of length, 13 of distance) with room to spare.
constexpr std::uint64_t kPm1TrailingBits = 64;
static_assert(4 + 18 + kPm1Distance[5].extraBits <= kPm1TrailingBits);
constexpr unsigned kPm1MaxBlock = 216;
// The farthest copy, 2624 + 2^13 - 1 + 1, lies within the ring.
static_assert(kPm1Distance[5].base + (1u << kPm1Distance[5].extraBits) <= kPm1Ring);
static_assert(kPm1Ring <= OutputWindow::kMaxHistory);
static_assert(kPm1MaxBlock + 244 <= OutputWindow::kMaxStepBytes);

// The bit read once the output has reached `from`; before that, `otherwise`.
inline unsigned BitFrom(BitInput& in, std::uint64_t produced, std::uint64_t from,
                        unsigned otherwise) {
    return produced >= from ? in.GetBits(1) : otherwise;
}

// Lengths of runs of literals (1..216) and of copies (3..244): a few bits, whose
// largest values lead on to wider fields.
unsigned ReadPm1BlockLength(BitInput& in) {
    // 2 bits: 1..3; 3 bits: 4..10; 4 bits: 11..24, 14 → 6 bits 25..88, 15 → 7 bits 89..216.
    unsigned v = in.GetBits(2);
    if (v < 3) return v + 1;
    v = in.GetBits(3);
    if (v < 7) return v + 4;
    v = in.GetBits(4);
    if (v < 14) return v + 11;
    return v == 14 ? 25 + in.GetBits(6) : 89 + in.GetBits(7);
}

unsigned ReadPm1CopyLength(BitInput& in) {
    // 2 bits: 3..5; 3 bits: 6..10, 5 → 2 bits 11..14, 6 → 3 bits 15..22; 7 → 6 bits:
    // 23..84, 62 → 5 bits 85..116, 63 → 7 bits 117..244.
    unsigned v = in.GetBits(2);
    if (v < 3) return v + 3;
    v = in.GetBits(3);
    if (v < 5) return v + 6;
    if (v == 5) return 11 + in.GetBits(2);
    if (v == 6) return 15 + in.GetBits(3);
    v = in.GetBits(6);
    if (v < 62) return v + 23;
    return v == 62 ? 85 + in.GetBits(5) : 117 + in.GetBits(7);
}

// A -pm1- copy at out; false when it reaches before the first byte.
bool Pm1Copy(BitInput& in, OutputWindow& window, RecentBytes& recent, std::uint8_t*& out) {
    if (in.bitCount < 48) in.Refill();
    const std::uint64_t produced = window.Produced(out);
    unsigned kind;
    if (in.GetBits(1) == 0) {
        kind = BitFrom(in, produced, 576, 0) != 0 ? 4 : BitFrom(in, produced, 64, 0);
    } else if (BitFrom(in, produced, 64, 1) == 0) {
        kind = 3;
    } else {
        kind = BitFrom(in, produced, 2624, 1) != 0 ? 2 : 5;
    }
    const std::size_t length = kind < 2 ? 2 : ReadPm1CopyLength(in);
    Range range = kPm1Distance[kind];
    const auto narrow = [&](const auto& steps) {
        for (const Narrowing& step : steps) {
            if (produced < step.below) {
                range.extraBits = step.extraBits;
                return;
            }
        }
    };
    if (kind == 3) narrow(kPm1Narrow3);
    if (kind == 4) narrow(kPm1Narrow4);
    if (kind == 5) narrow(kPm1Narrow5);
    const std::uint64_t back = ReadRange(in, range);
    DECODE_CHECK(back < produced, false);
    out = CopyRecent(out, recent, static_cast<std::size_t>(back) + 1, length);
    return true;
}

// One -pm1- step: a copy, or a run of literals and (unless the run is the longest) a
// copy after it.
bool Pm1Step(BitInput& in, OutputWindow& window, const Pm1Tree& tree, RecentBytes& recent,
             std::uint8_t*& out) {
    if (in.bitCount < 32) in.Refill();
    if (in.GetBits(1) == 0) return Pm1Copy(in, window, recent, out);
    const unsigned run = ReadPm1BlockLength(in);
    for (unsigned k = 0; k < run; ++k) {
        if (in.bitCount < 16) in.Refill();
        out = PutRecent(out, recent, ReadRange(in, kPm1Literal[TakePm1Range(in, tree)]));
    }
    if (run == kPm1MaxBlock) return true;
    return Pm1Copy(in, window, recent, out);
}

// ---- both ----

struct Workspace {
    alignas(64) std::uint8_t window[OutputWindow::kBufferBytes];
    alignas(64) std::uint8_t input[BitInput::kBufferBytes];
    RecentBytes recent;
    Pm2Codes pm2;
};

template <int Method>
DecodeResult Decode(const CodedMember& member) {
    if (member.originalSize == 0) return {DecodeOutcome::Ok, 0};
    Workspace& w = member.work.Get<Workspace>();
    // -pm2- copies may reach before the first byte, into spaces; -pm1- copies may not.
    std::memset(w.window, ' ', OutputWindow::kMaxHistory);
    OutputWindow window;
    window.Start(w.window, member.output, member.originalSize, nullptr, 0);
    BitInput in;
    in.Start(member.source, member.offset, member.compressedSize, w.input);
    w.recent.Start();
    const Pm1Tree* tree = nullptr;
    std::uint64_t renewAt = 0;
    if constexpr (Method == kMethodPm1) {
        tree = &Pm1Trees()[in.GetBits(5)];
    } else {
        in.GetBits(1);  // -pm2- data starts with a bit of no meaning
        w.pm2.kinds.MakeEmpty();
        w.pm2.widths.MakeEmpty();
    }
    return DecodeSteps(window, [&](std::uint8_t* out) -> std::uint8_t* {
        if constexpr (Method == kMethodPm1) {
            DECODE_CHECK(Pm1Step(in, window, *tree, w.recent, out), nullptr);
            // PMarc's -pm1- data can end before the copy that follows its last run of
            // literals (lhasa reports such archives in the wild): that copy's bits are
            // read as zeros and the CRC decides. More than that is damage, so a tiny
            // member cannot claim gigabytes of zeros.
            DECODE_CHECK(in.BitsPastData() <= kPm1TrailingBits, nullptr);
        } else {
            while (window.Produced(out) >= renewAt) {
                DECODE_CHECK(Renew(in, w.pm2, renewAt), nullptr);
            }
            DECODE_CHECK(Pm2Step(in, w.pm2, w.recent, out), nullptr);
            DECODE_CHECK(!in.Overconsumed(), nullptr);
        }
        return out;
    });
}

}  // namespace

DecodeResult DecodePmarc(int methodCode, const CodedMember& member) {
    if (methodCode == kMethodPm1) {
        return Decode<kMethodPm1>(member);
    }
    return Decode<kMethodPm2>(member);
}

}  // namespace quillory::lzh
