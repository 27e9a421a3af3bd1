// Unshrinking, as APPNOTE describes it. Every code above 256 names its prefix code and
// its last byte; a string is found by walking the prefixes down to a literal. After a
// partial clear the codes keep the prefixes they were made with, even freed ones, and
// are resolved with the table as it is when they are used (PKZIP writes such codes, and
// a freed prefix may be reused before its code is). A code made while its prefix is the
// very code being made names itself and can never be used.
#include "zip/shrink.h"

#include <new>

#include "common/decode_check.h"
#include "zip/lsb_bit_input.h"

namespace quillory::zip {
namespace {

constexpr unsigned kMinCodeBits = 9;
constexpr unsigned kMaxCodeBits = 13;
constexpr unsigned kCodes = 1u << kMaxCodeBits;  // 8192
constexpr unsigned kLiterals = 256;              // codes 0-255: one byte each
constexpr unsigned kControlCode = 256;           // followed by 1 or 2
constexpr unsigned kFirstFreeCode = 257;
constexpr std::uint32_t kRaiseCodeSize = 1;
constexpr std::uint32_t kPartialClear = 2;
static_assert(kLiterals == 1u << (kMinCodeBits - 1) && kControlCode == kLiterals);
static_assert(kMaxCodeBits <= LsbBitInput::kMaxNeed);

// A prefix of this value marks a free code.
constexpr std::uint16_t kFree = 0xFFFF;
static_assert(kCodes <= kFree);
// No previous code yet (at the start of the data).
constexpr unsigned kNoCode = kCodes;

// The longest string: a chain through every code of the table once, and its literal.
constexpr std::size_t kMaxString = kCodes - kFirstFreeCode + 1;

class ShrinkWork final : public MethodWork {
public:
    static ShrinkWork* Make() { return new (std::nothrow) ShrinkWork; }
    std::uint16_t prefix[kCodes];
    std::uint8_t last[kCodes];
    bool isPrefix[kCodes];
};

class Unshrinker {
public:
    Unshrinker(ShrinkWork& work, InflateInput& input, OutputWindow& window)
        : w_(work), in_(input), window_(window) {
        for (unsigned c = kFirstFreeCode; c < kCodes; ++c)
            w_.prefix[c] = kFree;
    }

    MethodResult Run(std::uint64_t size) {
        while (window_.Produced() < size) {
            std::uint8_t* const stepEnd = BeginStep(window_, kMaxString);
            if (stepEnd == nullptr) return MethodResult::OutputFailed;
            while (window_.out < stepEnd && window_.Produced() < size) {
                const MethodResult r = Code();
                if (r != MethodResult::Ok) return r;
            }
        }
        return MethodResult::Ok;
    }

private:
    bool InUse(unsigned code) const { return code < kLiterals || w_.prefix[code] != kFree; }

    // One code of the data: a control sequence, or a string to output.
    MethodResult Code() {
        const std::uint32_t code = in_.Take(codeBits_);
        DECODE_CHECK(!in_.Overrun(), MethodResult::DataError);
        if (code == kControlCode) {
            const std::uint32_t what = in_.Take(codeBits_);
            DECODE_CHECK(!in_.Overrun(), MethodResult::DataError);
            DECODE_CHECK(what == kRaiseCodeSize || what == kPartialClear, MethodResult::DataError);
            if (what == kRaiseCodeSize) {
                DECODE_CHECK(codeBits_ < kMaxCodeBits, MethodResult::DataError);
                ++codeBits_;
            } else {
                PartialClear();
            }
            return MethodResult::Ok;
        }
        // The previous code and this string's first byte make the next free code; it
        // exists before this code is resolved, which may need it (the code being made
        // itself, or a code whose freed prefix it reuses).
        unsigned made = kNoCode;
        if (previous_ != kNoCode && nextFree_ < kCodes) {
            made = nextFree_;
            w_.prefix[made] = static_cast<std::uint16_t>(previous_);
            do {
                ++nextFree_;
            } while (nextFree_ < kCodes && InUse(nextFree_));
        }
        DECODE_CHECK(InUse(code), MethodResult::DataError);
        // Down to the literal: the string's length and first byte.
        std::size_t length = 1;
        unsigned c = code;
        while (c >= kLiterals) {
            c = w_.prefix[c];
            DECODE_CHECK(InUse(c) && length < kMaxString, MethodResult::DataError);
            ++length;
        }
        if (made != kNoCode) w_.last[made] = static_cast<std::uint8_t>(c);
        // The string, written from its end.
        std::uint8_t* p = window_.out + length;
        for (c = code; c >= kLiterals; c = w_.prefix[c])
            *--p = w_.last[c];
        *--p = static_cast<std::uint8_t>(c);
        window_.out += length;
        previous_ = code;
        return MethodResult::Ok;
    }

    // Frees every code above 256 that is no other code's prefix; the lowest is made next.
    void PartialClear() {
        for (unsigned c = kFirstFreeCode; c < kCodes; ++c)
            w_.isPrefix[c] = false;
        for (unsigned c = kFirstFreeCode; c < kCodes; ++c) {
            if (w_.prefix[c] != kFree) w_.isPrefix[w_.prefix[c]] = true;
        }
        nextFree_ = kCodes;
        for (unsigned c = kCodes; c-- > kFirstFreeCode;) {
            if (!w_.isPrefix[c]) {
                w_.prefix[c] = kFree;
                nextFree_ = c;
            }
        }
    }

    ShrinkWork& w_;
    LsbBitInput in_;
    OutputWindow& window_;
    unsigned codeBits_ = kMinCodeBits;
    unsigned previous_ = kNoCode;
    unsigned nextFree_ = kFirstFreeCode;
};

}  // namespace

MethodResult DecodeShrink(const MethodParams& params, InflateInput& input, OutputWindow& window,
                          MethodDecoders& decoders) {
    ShrinkWork* work = decoders.WorkIn<ShrinkWork>(MethodDecoders::kShrink);
    if (work == nullptr) return MethodResult::OutOfMemory;
    return Unshrinker(*work, input, window).Run(params.uncompressedSize);
}

}  // namespace quillory::zip
