// The one dispatch from a ZIP member's compression method to its decoder: stored,
// deflate and Deflate64, LZMA, bzip2, xz, Zstandard, PPMd var.I rev. 1, shrink, reduce
// and implode. Every decoder reads through an InflateInput (which never hands out more
// than the member's data) and writes through the output window and its sink (which
// caps at the listed size, checks the CRC-32 and the stop request at each flush). A
// decoder refuses a dictionary or model larger than kMaxDictionaryBytes instead of
// allocating it, and never keeps state between members beyond reusable work areas.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "zip/inflate.h"
#include "zip/inflate_input.h"
#include "zip/output_window.h"

namespace quillory::zip {

// What the member's headers say about its data.
struct MethodParams {
    std::uint32_t method = 0;          // the effective method (an AES member's from its AES record)
    std::uint32_t flags = 0;           // the local header's general-purpose flags
    std::uint64_t compressedSize = 0;  // the data's length, without the cipher's bytes
    std::uint64_t uncompressedSize = 0;  // the listed size
};

enum class MethodResult : int {
    Ok = 0,            // the stream ended where it should and every byte was flushed
    DataError = 1,     // damaged data: an invalid code, a bad header, input that ended
    MemoryLimit = 2,   // the header declares a dictionary or model over kMaxDictionaryBytes
    Unsupported = 3,   // parameters this decoder does not take (a filter, a property size)
    OutOfMemory = 4,   // a work area could not be allocated
    OutputFailed = 5,  // the sink refused output (a stop, a full disk, past the size)
};

// The largest dictionary, window or model a member may declare: 1 GiB, far above what
// 7-Zip, WinZip and xz write by default and what 7-Zip's ZIP encoder allows for PPMd.
inline constexpr std::uint64_t kMaxDictionaryBytes = std::uint64_t{1} << 30;

// Whether DecodeMethod takes members of this method at all.
bool MethodDecodable(std::uint32_t method);

// The method's name as APPNOTE and the archivers call it ("LZMA", "JPEG", ...), or null
// for a number no writer is known to use.
const char* MethodName(std::uint32_t method);

// A decoder's work area, made on its first member and reused for the next ones.
class MethodWork {
public:
    virtual ~MethodWork() = default;
};

// The decoders' work areas of one reader (one thread): the inflate engine, and the
// others' made when a member first needs them. Nothing is shared between two of them.
class MethodDecoders {
public:
    enum Slot : int { kLzma, kZstd, kBzip2, kPpmd, kShrink, kReduce, kImplode, kSlots };

    InflateEngine inflate;
    std::unique_ptr<MethodWork> work[kSlots];

    // The work area in `slot`, made on first use; null when it cannot be allocated.
    template <class Work>
    Work* WorkIn(Slot slot) {
        std::unique_ptr<MethodWork>& held = work[slot];
        if (held == nullptr) held.reset(Work::Make());
        return static_cast<Work*>(held.get());
    }
};

// Decodes the member's data to its end; the window is begun here with sink.
MethodResult DecodeMethod(const MethodParams& params, InflateInput& input, OutputWindow& window,
                          OutputSink* sink, MethodDecoders& decoders);

// Shared by the decoders. Output of one step, at most kStepBytes, so that the sink (and
// with it the stop request) is reached at least every 64 KiB of output.
inline constexpr std::size_t kStepBytes = OutputWindow::kFlushBytes;
static_assert(kStepBytes <= OutputWindow::kWorkBytes);

// Room for the next step at window.out, at most kStepBytes: the complete pieces are
// flushed first and the history slid when the work area is full. 0 when a flush failed.
std::size_t StepRoom(OutputWindow& window);

// Begins a step of a decoder that writes at most `margin` bytes per item: flushes the
// complete pieces and slides the history unless kStepBytes + margin bytes of room remain.
// Returns where the step ends: items start before it. Null when a flush failed.
std::uint8_t* BeginStep(OutputWindow& window, std::size_t margin);

// Copies `length` bytes from `distance` bytes back (at most kHistoryBytes), the bytes
// just written repeating when the distance is shorter. The DOS-era methods define
// everything before the member's first byte as zeros: `produced` is the output so far.
void CopyWithZeros(OutputWindow& window, std::uint64_t produced, std::size_t distance,
                   std::size_t length);

// Takes n bytes from the input (a header in front of the compressed data); false when
// the data ends first.
bool TakeBytes(InflateInput& input, std::uint8_t* out, std::size_t n);

}  // namespace quillory::zip
