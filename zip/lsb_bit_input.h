// A bit reader for the DOS-era ZIP methods (shrink, reduce, implode): bits taken from
// the bottom of each byte, as PKZIP wrote them, through an InflateInput. Past the end of
// the data it supplies zero bytes, so a decoder never reads outside its input; once a
// decoder has consumed any of those bits, Overrun() says so and the stream is damaged.
#pragma once

#include <cstdint>
#include <cstring>

#include "zip/inflate_input.h"

namespace quillory::zip {

class LsbBitInput {
public:
    // The most bits one Need() may ask for: a refill adds whole bytes below 64 bits.
    static constexpr unsigned kMaxNeed = 56;

    explicit LsbBitInput(InflateInput& input) : in_(input) {}

    // Makes at least n (at most kMaxNeed) bits available.
    void Need(unsigned n) {
        if (count_ >= n) return;
        if (in_.end - in_.next >= 8) {
            // One 8-byte load fills the buffer up to 56 to 63 bits.
            std::uint64_t word;
            std::memcpy(&word, in_.next, sizeof word);  // little-endian hosts only
            bits_ |= word << count_;
            in_.next += (63 - count_) >> 3;
            count_ |= 56;
            return;
        }
        while (count_ < n)
            FillByte();
    }
    std::uint32_t Peek(unsigned n) const {
        return static_cast<std::uint32_t>(bits_ & ((std::uint64_t{1} << n) - 1));
    }
    void Drop(unsigned n) {
        bits_ >>= n;
        count_ -= n;
    }
    std::uint32_t Take(unsigned n) {
        Need(n);
        const std::uint32_t v = Peek(n);
        Drop(n);
        return v;
    }
    // Whether any of the zero bits supplied past the end of the data has been consumed.
    bool Overrun() const { return count_ < zeroBits_; }

private:
    void FillByte() {
        if (in_.next == in_.end && !in_.Refill()) {
            zeroBits_ += 8;  // a zero byte above the bits present
        } else {
            bits_ |= std::uint64_t{*in_.next++} << count_;
        }
        count_ += 8;
    }

    InflateInput& in_;
    std::uint64_t bits_ = 0;  // unconsumed bits, the next one at bit 0
    unsigned count_ = 0;      // bits in bits_, counting supplied zero bits
    unsigned zeroBits_ = 0;   // of those, the zero bits supplied past the end
};

static_assert(LsbBitInput::kMaxNeed + 8 <= 64);

}  // namespace quillory::zip
