// LArc decoding. Both methods code a match by the position of its first byte in a ring
// whose write position starts a little before its end (17 bytes for -lzs-, 18 for
// -lz5-); the distance back follows from the bytes produced, a whole ring at most.
// Every step is valid; a stream is refused only when it reads past the member's data.
#include "lzh/lzh_larc_decoder.h"

#include <array>

#include "common/decode_check.h"
#include "lzh/lzh_bit_input.h"
#include "lzh/lzh_method.h"
#include "lzh/lzh_output_window.h"

namespace quillory::lzh {
namespace {

// -lzs-: 2 KiB ring, spaces before the first byte, lengths 2..17.
constexpr std::size_t kLzsRing = 2048;
constexpr std::size_t kLzsStartGap = 17;
constexpr unsigned kLzsPositionBits = 11;
constexpr unsigned kLzsLengthBits = 4;
constexpr unsigned kLzsMinMatch = 2;
static_assert(kLzsRing == std::size_t{1} << kLzsPositionBits);

// -lz5-: 4 KiB ring, lengths 3..18, positions of 12 bits split over two bytes (the high
// four bits share a byte with the length).
constexpr std::size_t kLz5Ring = 4096;
constexpr std::size_t kLz5StartGap = 18;
constexpr unsigned kLz5PositionBits = 12;
constexpr unsigned kLz5LengthBits = 4;
constexpr unsigned kLz5MinMatch = 3;
static_assert(kLz5Ring == std::size_t{1} << kLz5PositionBits &&
              kLz5PositionBits + kLz5LengthBits == 16);
static_assert(kLz5Ring <= OutputWindow::kMaxHistory && kLzsRing <= OutputWindow::kMaxHistory);
static_assert(kLzsMinMatch + (1u << kLzsLengthBits) - 1 <= OutputWindow::kMaxStepBytes &&
              kLz5MinMatch + (1u << kLz5LengthBits) - 1 <= OutputWindow::kMaxStepBytes);

struct Workspace {
    alignas(64) std::uint8_t window[OutputWindow::kBufferBytes];
    alignas(64) std::uint8_t input[BitInput::kBufferBytes];
};

// The -lz5- ring before the first byte: 13 of each byte value in turn, the values
// rising, the values falling, 128 zeros, 110 spaces and 18 zeros, then laid out as
// history, oldest first, from the write position onwards.
const std::array<std::uint8_t, kLz5Ring>& Lz5History() {
    static const std::array<std::uint8_t, kLz5Ring> history = [] {
        std::array<std::uint8_t, kLz5Ring> ring{};
        std::size_t at = 0;
        for (unsigned value = 0; value < 256; ++value) {
            for (int k = 0; k < 13; ++k)
                ring[at++] = static_cast<std::uint8_t>(value);
        }
        for (unsigned value = 0; value < 256; ++value)
            ring[at++] = static_cast<std::uint8_t>(value);
        for (unsigned value = 0; value < 256; ++value)
            ring[at++] = static_cast<std::uint8_t>(255 - value);
        at += 128;  // zeros
        for (int k = 0; k < 110; ++k)
            ring[at++] = ' ';
        // The last 18 stay zero.
        std::array<std::uint8_t, kLz5Ring> ordered{};
        for (std::size_t k = 0; k < kLz5Ring; ++k)
            ordered[k] = ring[(kLz5Ring - kLz5StartGap + k) % kLz5Ring];
        return ordered;
    }();
    return history;
}

// The distance back to ring position `position` after `produced` bytes.
std::size_t RingDistance(std::uint64_t produced, unsigned position, std::size_t ring,
                         std::size_t startGap) {
    const std::size_t writeAt = static_cast<std::size_t>((ring - startGap + produced) % ring);
    const std::size_t back = (writeAt + ring - position) % ring;
    return back == 0 ? ring : back;
}

// One step at out. flags carries -lz5-'s flag byte from one step to the next (1 when a
// new one is due). nullptr when the stream is damaged.
template <int Method>
std::uint8_t* Step(BitInput& in, const OutputWindow& window, unsigned& flags, std::uint8_t* out) {
    if (in.bitCount < 32) in.Refill();
    bool literal;
    if constexpr (Method == kMethodLzs) {
        literal = in.GetBits(1) != 0;
    } else {
        // Eight steps behind each flag byte, its lowest bit first: 1 is a literal, 0 a
        // match in two bytes (position's low 8 bits; its high 4, length - 3).
        if (flags == 1) flags = in.GetBits(8) | 0x100u;
        literal = (flags & 1) != 0;
        flags >>= 1;
    }
    if (literal) {
        *out++ = static_cast<std::uint8_t>(in.GetBits(8));
    } else if constexpr (Method == kMethodLzs) {
        const unsigned position = in.GetBits(kLzsPositionBits);
        const std::size_t length = in.GetBits(kLzsLengthBits) + kLzsMinMatch;
        out = CopyMatch(out, RingDistance(window.Produced(out), position, kLzsRing, kLzsStartGap),
                        length);
    } else {
        const unsigned low = in.GetBits(8);
        const unsigned high = in.GetBits(8);
        const unsigned position = low | (high >> kLz5LengthBits) << 8;
        out = CopyMatch(out, RingDistance(window.Produced(out), position, kLz5Ring, kLz5StartGap),
                        (high & ((1u << kLz5LengthBits) - 1)) + kLz5MinMatch);
    }
    DECODE_CHECK(!in.Overconsumed(), nullptr);
    return out;
}

template <int Method>
DecodeResult Decode(const CodedMember& member) {
    if (member.originalSize == 0) return {DecodeOutcome::Ok, 0};
    Workspace& w = member.work.Get<Workspace>();
    OutputWindow window;
    if constexpr (Method == kMethodLzs) {
        std::memset(w.window, ' ', OutputWindow::kMaxHistory);
        window.Start(w.window, member.output, member.originalSize, nullptr, 0);
    } else {
        window.Start(w.window, member.output, member.originalSize, Lz5History().data(), kLz5Ring);
    }
    BitInput in;
    in.Start(member.source, member.offset, member.compressedSize, w.input);
    unsigned flags = 1;
    return DecodeSteps(window,
                       [&](std::uint8_t* out) { return Step<Method>(in, window, flags, out); });
}

}  // namespace

DecodeResult DecodeLarc(int methodCode, const CodedMember& member) {
    if (methodCode == kMethodLzs) {
        return Decode<kMethodLzs>(member);
    }
    return Decode<kMethodLz5>(member);
}

}  // namespace quillory::lzh
