// LZMA (method 14) and xz (method 95) through liblzma. An LZMA member starts with
// APPNOTE's header: the LZMA SDK version (2 bytes), the properties' size (2 bytes, 5)
// and the five property bytes of raw LZMA1 (lc/lp/pb and the dictionary size); the
// stream ends with an end marker when flag bit 1 says so, else at the listed size. An
// xz member is a whole .xz stream, its integrity check verified by liblzma. Refuses
// dictionaries over kMaxDictionaryBytes (LZMA from its properties, xz through a memory
// limit) and property sizes or filters liblzma does not take (as unsupported).
#include <lzma.h>

#include <algorithm>

#include "zip/library_methods.h"
#include "zip/zip_format.h"

namespace quillory::zip {
namespace {

// APPNOTE's LZMA header: version (2 bytes), properties' size (2 bytes), properties.
constexpr std::size_t kLzmaVersionBytes = 2;
constexpr std::size_t kLzmaSizeFieldBytes = 2;
constexpr std::size_t kLzmaPropertyBytes = 5;  // lc/lp/pb in one byte, 32-bit dictionary size
constexpr std::size_t kLzmaHeaderBytes =
    kLzmaVersionBytes + kLzmaSizeFieldBytes + kLzmaPropertyBytes;
// The first property byte is (pb * 5 + lp) * 9 + lc with lc 0-8, lp 0-4, pb 0-4.
constexpr unsigned kLcValues = 9;
constexpr unsigned kLpValues = 5;
constexpr unsigned kPbValues = 5;
// General-purpose flag bit 1 of an LZMA member: the stream ends with an end marker.
constexpr std::uint32_t kFlagLzmaEndMarker = 0x0002;

// liblzma's own bookkeeping besides an xz stream's dictionaries (its decoders, the index
// of a stream with many blocks), on top of kMaxDictionaryBytes.
constexpr std::uint64_t kXzBookkeepingBytes = std::uint64_t{16} << 20;

class LzmaWork final : public MethodWork {
public:
    static LzmaWork* Make() { return new (std::nothrow) LzmaWork; }
    ~LzmaWork() override { lzma_end(&stream); }
    lzma_stream stream = LZMA_STREAM_INIT;
};

MethodResult FromLzma(lzma_ret r) {
    switch (r) {
        case LZMA_MEMLIMIT_ERROR:
            return MethodResult::MemoryLimit;
        case LZMA_OPTIONS_ERROR:
            return MethodResult::Unsupported;  // lc + lp above 4, an unknown xz filter
        case LZMA_MEM_ERROR:
            return MethodResult::OutOfMemory;
        default:
            return MethodResult::DataError;
    }
}

// Runs the decoder that `stream` was set up with until it reports the stream's end.
MethodResult Run(lzma_stream& stream, InflateInput& input, OutputWindow& window) {
    bool inputEnded = false;
    for (;;) {
        const std::size_t room = StepRoom(window);
        if (room == 0) return MethodResult::OutputFailed;
        if (input.next == input.end && !inputEnded) inputEnded = !input.Refill();
        stream.next_in = input.next;
        stream.avail_in = static_cast<std::size_t>(input.end - input.next);
        stream.next_out = window.out;
        stream.avail_out = room;
        const lzma_ret r = lzma_code(&stream, inputEnded ? LZMA_FINISH : LZMA_RUN);
        const bool progress = stream.next_in != input.next || stream.next_out != window.out;
        input.next = stream.next_in;
        window.out = stream.next_out;
        if (r == LZMA_STREAM_END) return MethodResult::Ok;
        if (r != LZMA_OK) return FromLzma(r);
        // The data ended before the stream did.
        if (!progress && inputEnded) return MethodResult::DataError;
    }
}

}  // namespace

MethodResult DecodeLzma(const MethodParams& params, InflateInput& input, OutputWindow& window,
                        MethodDecoders& decoders) {
    std::uint8_t header[kLzmaHeaderBytes];
    if (!TakeBytes(input, header, kLzmaVersionBytes + kLzmaSizeFieldBytes)) {
        return MethodResult::DataError;
    }
    // Every LZMA SDK writes five property bytes; another size is a format we do not know.
    if (format::Le16(header + kLzmaVersionBytes) != kLzmaPropertyBytes) {
        return MethodResult::Unsupported;
    }
    if (!TakeBytes(input, header + kLzmaVersionBytes + kLzmaSizeFieldBytes, kLzmaPropertyBytes)) {
        return MethodResult::DataError;
    }
    const std::uint8_t* properties = header + kLzmaVersionBytes + kLzmaSizeFieldBytes;
    unsigned packed = properties[0];
    if (packed >= kLcValues * kLpValues * kPbValues) return MethodResult::DataError;
    lzma_options_lzma options{};
    options.lc = packed % kLcValues;
    packed /= kLcValues;
    options.lp = packed % kLpValues;
    options.pb = packed / kLpValues;
    // liblzma takes lc + lp up to 4, what every LZMA SDK writes by default; 7-Zip reads
    // more (streams made with -mlc or -mlp beyond it).
    if (options.lc + options.lp > LZMA_LCLP_MAX) return MethodResult::Unsupported;
    const std::uint32_t dictionary = format::Le32(properties + 1);
    if (dictionary > kMaxDictionaryBytes) return MethodResult::MemoryLimit;
    // No match reaches before the member's first byte, and output past the listed size is
    // refused: a dictionary larger than the listed size is never used beyond it (a stream
    // that goes on past it reads as damaged instead).
    options.dict_size = static_cast<std::uint32_t>(std::max<std::uint64_t>(
        LZMA_DICT_SIZE_MIN, std::min<std::uint64_t>(dictionary, params.uncompressedSize)));
    // With the end marker the stream says where it ends; without, the listed size does.
    const bool endMarker = (params.flags & kFlagLzmaEndMarker) != 0;
    const std::uint64_t size = endMarker ? UINT64_MAX : params.uncompressedSize;
    options.ext_flags = 0;
    options.ext_size_low = static_cast<std::uint32_t>(size);
    options.ext_size_high = static_cast<std::uint32_t>(size >> 32);

    LzmaWork* work = decoders.WorkIn<LzmaWork>(MethodDecoders::kLzma);
    if (work == nullptr) return MethodResult::OutOfMemory;
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    const lzma_ret set = lzma_raw_decoder(&work->stream, filters);
    if (set != LZMA_OK) return FromLzma(set);
    return Run(work->stream, input, window);
}

MethodResult DecodeXz(InflateInput& input, OutputWindow& window, MethodDecoders& decoders) {
    LzmaWork* work = decoders.WorkIn<LzmaWork>(MethodDecoders::kLzma);
    if (work == nullptr) return MethodResult::OutOfMemory;
    const lzma_ret set =
        lzma_stream_decoder(&work->stream, kMaxDictionaryBytes + kXzBookkeepingBytes, 0);
    if (set != LZMA_OK) return FromLzma(set);
    return Run(work->stream, input, window);
}

}  // namespace quillory::zip
