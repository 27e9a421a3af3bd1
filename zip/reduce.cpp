// Expanding reduced data as APPNOTE describes it: the 256 follower sets first (S(255)
// down to S(0), a 6-bit size and 8-bit bytes each), then bytes decoded through them,
// which feed the DLE (144) layer: a byte as it is, DLE 0 for 144 itself, or DLE with a
// length and distance byte (and an extra length byte when the length field is full).
#include "zip/reduce.h"

#include <new>

#include "common/decode_check.h"
#include "zip/lsb_bit_input.h"

namespace quillory::zip {
namespace {

constexpr unsigned kMaxFollowers = 32;
constexpr unsigned kFollowerCountBits = 6;
constexpr std::uint8_t kDle = 144;
constexpr unsigned kMinMatch = 3;
static_assert(kMaxFollowers < 1u << kFollowerCountBits);

// Bits of a follower index into a set of n bytes: enough for n - 1, and 1 for a set of
// one byte, as PKZIP and Info-ZIP's unreduce have it.
constexpr unsigned IndexBits(unsigned n) {
    unsigned bits = 1;
    while ((1u << bits) < n)
        ++bits;
    return bits;
}
static_assert(IndexBits(1) == 1 && IndexBits(2) == 1 && IndexBits(3) == 2 && IndexBits(32) == 5 &&
              IndexBits(33) == 6);

// The longest item: a full length field (127 for factor 1), an extra 255 and 3.
constexpr std::size_t kMaxItem = 127 + 255 + kMinMatch;
// The farthest distance: the factor's four high bits of the DLE byte, a byte, and 1.
constexpr std::size_t kMaxDistance = (15u << 8) + 255 + 1;
static_assert(kMaxDistance == 4096 && kMaxDistance <= OutputWindow::kHistoryBytes);

class ReduceWork final : public MethodWork {
public:
    static ReduceWork* Make() { return new (std::nothrow) ReduceWork; }
    std::uint8_t followers[256][kMaxFollowers];
    std::uint8_t count[256];
    std::uint8_t indexBits[256];
};

class Expander {
public:
    Expander(ReduceWork& work, InflateInput& input, OutputWindow& window, unsigned factor)
        : w_(work),
          in_(input),
          window_(window),
          lengthMask_((1u << (8 - factor)) - 1),
          distanceShift_(8 - factor) {}

    MethodResult Run(std::uint64_t size) {
        for (unsigned j = 256; j-- > 0;) {
            const unsigned n = in_.Take(kFollowerCountBits);
            DECODE_CHECK(n <= kMaxFollowers, MethodResult::DataError);
            w_.count[j] = static_cast<std::uint8_t>(n);
            w_.indexBits[j] = static_cast<std::uint8_t>(IndexBits(n));
            for (unsigned i = 0; i < n; ++i)
                w_.followers[j][i] = static_cast<std::uint8_t>(in_.Take(8));
            DECODE_CHECK(!in_.Overrun(), MethodResult::DataError);
        }
        std::uint64_t produced = 0;
        while (produced < size) {
            std::uint8_t* const stepEnd = BeginStep(window_, kMaxItem);
            if (stepEnd == nullptr) return MethodResult::OutputFailed;
            while (window_.out < stepEnd && produced < size) {
                const MethodResult r = Item(produced);
                if (r != MethodResult::Ok) return r;
                produced = window_.Produced();
            }
        }
        return MethodResult::Ok;
    }

private:
    // The next byte of the follower-set layer.
    std::uint8_t Next() {
        const unsigned n = w_.count[last_];
        in_.Need(1 + 8);
        if (n == 0 || in_.Take(1) != 0) {
            last_ = static_cast<std::uint8_t>(in_.Take(8));
        } else {
            const unsigned i = in_.Take(w_.indexBits[last_]);
            // An index past the set: damaged data (checked once the item is through).
            badIndex_ |= i >= n;
            last_ = w_.followers[last_][i < n ? i : 0];
        }
        return last_;
    }

    // One item of the DLE layer.
    MethodResult Item(std::uint64_t produced) {
        const std::uint8_t c = Next();
        if (c != kDle) {
            *window_.out++ = c;
        } else if (const std::uint8_t v = Next(); v == 0) {
            *window_.out++ = kDle;
        } else {
            std::size_t length = v & lengthMask_;
            if (length == lengthMask_) length += Next();
            const std::size_t distance =
                (static_cast<std::size_t>(v >> distanceShift_) << 8) + Next() + 1;
            DECODE_CHECK(!in_.Overrun() && !badIndex_, MethodResult::DataError);
            CopyWithZeros(window_, produced, distance, length + kMinMatch);
            return MethodResult::Ok;
        }
        DECODE_CHECK(!in_.Overrun() && !badIndex_, MethodResult::DataError);
        return MethodResult::Ok;
    }

    ReduceWork& w_;
    LsbBitInput in_;
    OutputWindow& window_;
    const unsigned lengthMask_;
    const unsigned distanceShift_;
    std::uint8_t last_ = 0;
    bool badIndex_ = false;
};

}  // namespace

MethodResult DecodeReduce(const MethodParams& params, unsigned factor, InflateInput& input,
                          OutputWindow& window, MethodDecoders& decoders) {
    ReduceWork* work = decoders.WorkIn<ReduceWork>(MethodDecoders::kReduce);
    if (work == nullptr) return MethodResult::OutOfMemory;
    return Expander(*work, input, window, factor).Run(params.uncompressedSize);
}

}  // namespace quillory::zip
