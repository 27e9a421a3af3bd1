// The method dispatch: which decoder takes a member's data, the names of the methods
// APPNOTE lists, the stored copy, and what every decoder shares (the step room, header
// bytes). The window is begun here; a decoder that fails has its complete pieces
// flushed, as inflate has them, so the sink sees the same pieces whatever went wrong.
#include "zip/method_decoder.h"

#include <algorithm>
#include <cstring>

#include "zip/implode.h"
#include "zip/library_methods.h"
#include "zip/ppmd_i1.h"
#include "zip/reduce.h"
#include "zip/shrink.h"
#include "zip/zip_format.h"

namespace quillory::zip {

using namespace format;

namespace {

// Method numbers beyond those the directory reader names (APPNOTE 4.4.5).
constexpr std::uint32_t kMethodShrink = 1;
constexpr std::uint32_t kMethodReduce1 = 2;  // to 5: compression factors 1 to 4
constexpr std::uint32_t kMethodReduce4 = 5;
constexpr std::uint32_t kMethodBzip2 = 12;
constexpr std::uint32_t kMethodLzma = 14;
constexpr std::uint32_t kMethodZstd = 93;
constexpr std::uint32_t kMethodXz = 95;
constexpr std::uint32_t kMethodPpmd = 98;

// The stored copy: the data as it is, through the window so it is flushed in the same
// pieces as decoded data.
MethodResult CopyStored(InflateInput& input, OutputWindow& window) {
    while (input.next != input.end || input.Refill()) {
        const std::size_t room = StepRoom(window);
        if (room == 0) return MethodResult::OutputFailed;
        const std::size_t n = std::min(static_cast<std::size_t>(input.end - input.next), room);
        std::memcpy(window.out, input.next, n);
        window.out += n;
        input.next += n;
    }
    return MethodResult::Ok;
}

MethodResult FromInflate(InflateResult r) {
    switch (r) {
        case InflateResult::Ok:
            return MethodResult::Ok;
        case InflateResult::OutOfMemory:
            return MethodResult::OutOfMemory;
        case InflateResult::OutputFailed:
            return MethodResult::OutputFailed;
        case InflateResult::BlockType3:
        case InflateResult::DataError:
        case InflateResult::OverSubscribed:
            break;
    }
    return MethodResult::DataError;
}

}  // namespace

bool MethodDecodable(std::uint32_t method) {
    switch (method) {
        case kMethodStored:
        case kMethodShrink:
        case kMethodReduce1:
        case kMethodReduce1 + 1:
        case kMethodReduce1 + 2:
        case kMethodReduce4:
        case kMethodImplode:
        case kMethodDeflate:
        case kMethodDeflate64:
        case kMethodBzip2:
        case kMethodLzma:
        case kMethodZstd:
        case kMethodXz:
        case kMethodPpmd:
            return true;
        default:
            return false;
    }
}

const char* MethodName(std::uint32_t method) {
    switch (method) {
        case kMethodStored:
            return "Stored";
        case kMethodShrink:
            return "Shrink";
        case kMethodReduce1:
        case kMethodReduce1 + 1:
        case kMethodReduce1 + 2:
        case kMethodReduce4:
            return "Reduce";
        case kMethodImplode:
            return "Implode";
        case 7:
            return "Tokenize";
        case kMethodDeflate:
            return "Deflate";
        case kMethodDeflate64:
            return "Deflate64";
        case 10:
            return "PKWARE DCL Implode";
        case kMethodBzip2:
            return "BZip2";
        case kMethodLzma:
            return "LZMA";
        case 16:
            return "IBM z/OS CMPSC";
        case 18:
            return "IBM TERSE";
        case 19:
            return "IBM LZ77";
        case 20:  // Zstandard's first number, withdrawn for 93
        case kMethodZstd:
            return "Zstandard";
        case 94:
            return "MP3";
        case kMethodXz:
            return "xz";
        case 96:
            return "JPEG";
        case 97:
            return "WavPack";
        case kMethodPpmd:
            return "PPMd";
        case kMethodAes:
            return "AES";
        default:
            return nullptr;
    }
}

std::size_t StepRoom(OutputWindow& window) {
    if (!window.FlushComplete()) return 0;
    if (window.out == window.limit() && !window.MakeRoom()) return 0;
    return std::min(static_cast<std::size_t>(window.limit() - window.out), kStepBytes);
}

std::uint8_t* BeginStep(OutputWindow& window, std::size_t margin) {
    if (!window.FlushComplete()) return nullptr;
    if (static_cast<std::size_t>(window.limit() - window.out) < kStepBytes + margin &&
        !window.MakeRoom()) {
        return nullptr;
    }
    return window.out + kStepBytes;
}

void CopyWithZeros(OutputWindow& window, std::uint64_t produced, std::size_t distance,
                   std::size_t length) {
    std::uint8_t* out = window.out;
    // Below kHistoryBytes of output nothing has slid: the window holds all of it.
    if (distance > produced) {
        const std::size_t zeros =
            std::min<std::size_t>(length, static_cast<std::size_t>(distance - produced));
        std::memset(out, 0, zeros);
        out += zeros;
        length -= zeros;
    }
    const std::uint8_t* from = out - distance;
    for (std::size_t i = 0; i < length; ++i)
        out[i] = from[i];
    window.out = out + length;
}

bool TakeBytes(InflateInput& input, std::uint8_t* out, std::size_t n) {
    while (n > 0) {
        if (input.next == input.end && !input.Refill()) return false;
        const std::size_t k = std::min(n, static_cast<std::size_t>(input.end - input.next));
        std::memcpy(out, input.next, k);
        input.next += k;
        out += k;
        n -= k;
    }
    return true;
}

MethodResult DecodeMethod(const MethodParams& params, InflateInput& input, OutputWindow& window,
                          OutputSink* sink, MethodDecoders& decoders) {
    // Inflate begins and finishes the window itself.
    if (params.method == kMethodDeflate || params.method == kMethodDeflate64) {
        return FromInflate(
            decoders.inflate.Inflate(input, window, sink, params.method == kMethodDeflate64));
    }
    window.Begin(sink);
    MethodResult r = MethodResult::Unsupported;
    switch (params.method) {
        case kMethodStored:
            r = CopyStored(input, window);
            break;
        case kMethodShrink:
            r = DecodeShrink(params, input, window, decoders);
            break;
        case kMethodReduce1:
        case kMethodReduce1 + 1:
        case kMethodReduce1 + 2:
        case kMethodReduce4:
            r = DecodeReduce(params, params.method - kMethodReduce1 + 1, input, window, decoders);
            break;
        case kMethodImplode:
            r = DecodeImplode(params, input, window, decoders);
            break;
        case kMethodBzip2:
            r = DecodeBzip2(input, window, decoders);
            break;
        case kMethodLzma:
            r = DecodeLzma(params, input, window, decoders);
            break;
        case kMethodZstd:
            r = DecodeZstd(input, window, decoders);
            break;
        case kMethodXz:
            r = DecodeXz(input, window, decoders);
            break;
        case kMethodPpmd:
            r = DecodePpmd(params, input, window, decoders);
            break;
        default:
            break;
    }
    if (r == MethodResult::Ok) return window.Finish() ? r : MethodResult::OutputFailed;
    if (r != MethodResult::OutputFailed && !window.FlushComplete())
        return MethodResult::OutputFailed;
    return r;
}

}  // namespace quillory::zip
