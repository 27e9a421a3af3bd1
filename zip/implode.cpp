// Exploding imploded data as APPNOTE describes it. The trees come first, each as a byte
// count and bytes of (codes - 1, length - 1) nibbles in symbol order; APPNOTE's codes are
// the bit complements of the canonical codes of the same lengths (shortest codes all
// ones), sent from their top bit. Then items: a 1 bit and a literal (through the literal
// tree or as 8 bits), or a 0 bit, the distance's low 6 or 7 bits, its high 6 bits through
// the distance tree, and a length through the length tree (63 takes 8 more bits).
#include "zip/implode.h"

#include <new>

#include "common/decode_check.h"
#include "zip/lsb_bit_input.h"

namespace quillory::zip {
namespace {

// General-purpose flag bits of an imploded member.
constexpr std::uint32_t kFlag8KDictionary = 0x0002;
constexpr std::uint32_t kFlagLiteralTree = 0x0004;

constexpr unsigned kMaxCodeLength = 16;
constexpr unsigned kLiteralSymbols = 256;
constexpr unsigned kLengthSymbols = 64;
constexpr unsigned kDistanceSymbols = 64;
constexpr unsigned kLongLength = 63;  // followed by 8 bits to add
// Codes up to this long decode with one look-up; longer ones bit by bit.
constexpr unsigned kTableBits = 10;
static_assert(kTableBits <= kMaxCodeLength && kMaxCodeLength + 8 <= LsbBitInput::kMaxNeed);

// The longest item: 63 + 255 + 3; the farthest distance: 6 high and 7 low bits.
constexpr std::size_t kMaxItem = kLongLength + 255 + 3;
constexpr std::size_t kMaxDistance = std::size_t{1} << (6 + 7);
static_assert(kMaxDistance == 8192 && kMaxDistance <= OutputWindow::kHistoryBytes);

// One tree: a first-level table of kTableBits complemented stream bits, and the
// canonical counts for longer codes. An entry is symbol << 8 | code length (0: longer).
struct Tree {
    std::uint16_t table[1u << kTableBits];
    std::uint16_t count[kMaxCodeLength + 1];
    std::uint16_t symbols[kLiteralSymbols];  // by code length, then symbol
};

class ImplodeWork final : public MethodWork {
public:
    static ImplodeWork* Make() { return new (std::nothrow) ImplodeWork; }
    Tree literals, lengths, distances;
};

class Exploder {
public:
    Exploder(ImplodeWork& work, InflateInput& input, OutputWindow& window, std::uint32_t flags)
        : w_(work),
          in_(input),
          window_(window),
          literalTree_((flags & kFlagLiteralTree) != 0),
          lowBits_((flags & kFlag8KDictionary) != 0 ? 7 : 6),
          minMatch_(literalTree_ ? 3 : 2) {}

    MethodResult Run(std::uint64_t size) {
        DECODE_CHECK(!literalTree_ || ReadTree(w_.literals, kLiteralSymbols),
                     MethodResult::DataError);
        DECODE_CHECK(ReadTree(w_.lengths, kLengthSymbols), MethodResult::DataError);
        DECODE_CHECK(ReadTree(w_.distances, kDistanceSymbols), MethodResult::DataError);
        std::uint64_t produced = 0;
        while (produced < size) {
            std::uint8_t* const stepEnd = BeginStep(window_, kMaxItem);
            if (stepEnd == nullptr) return MethodResult::OutputFailed;
            while (window_.out < stepEnd && produced < size) {
                Item(produced);
                DECODE_CHECK(!in_.Overrun(), MethodResult::DataError);
                produced = window_.Produced();
            }
        }
        return MethodResult::Ok;
    }

private:
    // Reads a tree's code lengths and builds it; false unless its codes fill the code
    // space exactly (PKZIP's trees always do).
    bool ReadTree(Tree& tree, unsigned symbols) {
        std::uint8_t lengths[kLiteralSymbols];
        const unsigned bytes = in_.Take(8) + 1;
        unsigned n = 0;
        for (unsigned i = 0; i < bytes; ++i) {
            const unsigned b = in_.Take(8);
            const unsigned codes = (b >> 4) + 1;
            if (codes > symbols - n) return false;
            for (unsigned k = 0; k < codes; ++k)
                lengths[n++] = static_cast<std::uint8_t>((b & 0xF) + 1);
        }
        if (in_.Overrun() || n != symbols) return false;
        // Canonical order and the code space the lengths fill, in units of a 16-bit code.
        for (std::uint16_t& c : tree.count)
            c = 0;
        for (unsigned s = 0; s < symbols; ++s)
            ++tree.count[lengths[s]];
        std::uint32_t used = 0;
        std::uint16_t offset[kMaxCodeLength + 2] = {};
        for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
            used += std::uint32_t{tree.count[len]} << (kMaxCodeLength - len);
            offset[len + 1] = static_cast<std::uint16_t>(offset[len] + tree.count[len]);
        }
        if (used != std::uint32_t{1} << kMaxCodeLength) return false;
        for (unsigned s = 0; s < symbols; ++s)
            tree.symbols[offset[lengths[s]]++] = static_cast<std::uint16_t>(s);
        // The first level: each code of at most kTableBits in every slot it starts.
        for (std::uint16_t& e : tree.table)
            e = 0;
        unsigned code = 0;
        unsigned index = 0;
        for (unsigned len = 1; len <= kTableBits; ++len) {
            for (unsigned k = 0; k < tree.count[len]; ++k, ++code, ++index) {
                // The table is indexed by stream bits, the code's top bit first at bit 0.
                unsigned reversed = 0;
                for (unsigned b = 0; b < len; ++b)
                    reversed |= ((code >> b) & 1u) << (len - 1 - b);
                for (unsigned slot = reversed; slot < (1u << kTableBits); slot += 1u << len)
                    tree.table[slot] = static_cast<std::uint16_t>(tree.symbols[index] << 8 | len);
            }
            code <<= 1;
        }
        return true;
    }

    // One symbol of a tree: the complemented stream bits are its canonical code.
    unsigned Decode(const Tree& tree) {
        in_.Need(kMaxCodeLength);
        const unsigned bits = ~in_.Peek(kMaxCodeLength);
        const std::uint16_t e = tree.table[bits & ((1u << kTableBits) - 1)];
        if ((e & 0xFF) != 0) {
            in_.Drop(e & 0xFF);
            return e >> 8;
        }
        // Longer codes, one bit at a time as canonical codes are counted.
        unsigned code = 0;
        unsigned first = 0;
        unsigned index = 0;
        for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
            code |= (bits >> (len - 1)) & 1u;
            const unsigned count = tree.count[len];
            if (code - first < count) {
                in_.Drop(len);
                return tree.symbols[index + code - first];
            }
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return 0;  // cannot happen: a complete code decodes every bit string
    }

    void Item(std::uint64_t produced) {
        if (in_.Take(1) != 0) {
            *window_.out++ =
                static_cast<std::uint8_t>(literalTree_ ? Decode(w_.literals) : in_.Take(8));
            return;
        }
        const unsigned low = in_.Take(lowBits_);
        const std::size_t distance = (std::size_t{Decode(w_.distances)} << lowBits_ | low) + 1;
        std::size_t length = Decode(w_.lengths);
        if (length == kLongLength) length += in_.Take(8);
        if (in_.Overrun()) return;  // the caller refuses the stream
        CopyWithZeros(window_, produced, distance, length + minMatch_);
    }

    ImplodeWork& w_;
    LsbBitInput in_;
    OutputWindow& window_;
    const bool literalTree_;
    const unsigned lowBits_;
    const unsigned minMatch_;
};

}  // namespace

MethodResult DecodeImplode(const MethodParams& params, InflateInput& input, OutputWindow& window,
                           MethodDecoders& decoders) {
    ImplodeWork* work = decoders.WorkIn<ImplodeWork>(MethodDecoders::kImplode);
    if (work == nullptr) return MethodResult::OutOfMemory;
    return Exploder(*work, input, window, params.flags).Run(params.uncompressedSize);
}

}  // namespace quillory::zip
