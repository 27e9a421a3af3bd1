// Zstandard (method 93) through libzstd: the member's data is one or more zstd frames,
// their content checksums verified by the library when the frames carry them. Refuses
// a frame whose window is over kMaxDictionaryBytes (through ZSTD_d_windowLogMax), one
// that needs a dictionary (unsupported: no ZIP writer stores one), and frames that end
// early.
#include <zstd.h>
#include <zstd_errors.h>

#include "zip/library_methods.h"

namespace quillory::zip {
namespace {

// The largest window as a power of two: 2^30 bytes, kMaxDictionaryBytes.
constexpr int kMaxWindowLog = 30;
static_assert(std::uint64_t{1} << kMaxWindowLog == kMaxDictionaryBytes);

class ZstdWork final : public MethodWork {
public:
    static ZstdWork* Make() {
        ZSTD_DCtx* context = ZSTD_createDCtx();
        if (context == nullptr) return nullptr;
        return new (std::nothrow) ZstdWork(context);
    }
    ~ZstdWork() override { ZSTD_freeDCtx(context); }
    ZSTD_DCtx* const context;

private:
    explicit ZstdWork(ZSTD_DCtx* c) : context(c) {}
};

MethodResult FromZstd(std::size_t r) {
    switch (ZSTD_getErrorCode(r)) {
        case ZSTD_error_frameParameter_windowTooLarge:
            return MethodResult::MemoryLimit;
        case ZSTD_error_memory_allocation:
            return MethodResult::OutOfMemory;
        case ZSTD_error_dictionary_wrong:
        case ZSTD_error_frameParameter_unsupported:
            return MethodResult::Unsupported;
        default:
            return MethodResult::DataError;
    }
}

}  // namespace

MethodResult DecodeZstd(InflateInput& input, OutputWindow& window, MethodDecoders& decoders) {
    ZstdWork* work = decoders.WorkIn<ZstdWork>(MethodDecoders::kZstd);
    if (work == nullptr) return MethodResult::OutOfMemory;
    ZSTD_DCtx* const context = work->context;
    ZSTD_DCtx_reset(context, ZSTD_reset_session_and_parameters);
    if (ZSTD_isError(ZSTD_DCtx_setParameter(context, ZSTD_d_windowLogMax, kMaxWindowLog))) {
        return MethodResult::OutOfMemory;
    }
    bool inputEnded = false;
    bool frameOpen = true;  // a frame has begun (or must begin) and not ended
    for (;;) {
        const std::size_t room = StepRoom(window);
        if (room == 0) return MethodResult::OutputFailed;
        if (input.next == input.end && !inputEnded) {
            inputEnded = !input.Refill();
            // Input ends between two frames: the stream is whole.
            if (inputEnded && !frameOpen) return MethodResult::Ok;
        }
        ZSTD_inBuffer in{input.next, static_cast<std::size_t>(input.end - input.next), 0};
        ZSTD_outBuffer out{window.out, room, 0};
        const std::size_t r = ZSTD_decompressStream(context, &out, &in);
        input.next += in.pos;
        window.out += out.pos;
        if (ZSTD_isError(r)) return FromZstd(r);
        // 0: a frame ended and all its output is out; another may follow.
        frameOpen = r != 0;
        if (!frameOpen && input.next == input.end && inputEnded) return MethodResult::Ok;
        // The data ended inside a frame.
        if (in.pos == 0 && out.pos == 0 && inputEnded) return MethodResult::DataError;
    }
}

}  // namespace quillory::zip
