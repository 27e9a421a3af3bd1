// bzip2 (method 12) through libbz2: the member's data is one whole bzip2 stream
// ("BZh" and a block size of 100-900 kB, which bounds libbz2's memory at about 3.6 MiB),
// every block's CRC and the stream's CRC checked by the library. Refuses a stream that
// ends early or that the library finds damaged.
#include <bzlib.h>

#include "zip/library_methods.h"

namespace quillory::zip {
namespace {

// One member's libbz2 state, ended however decoding ends.
class Bzip2Stream {
public:
    Bzip2Stream() { ready_ = BZ2_bzDecompressInit(&stream, 0, 0) == BZ_OK; }
    ~Bzip2Stream() {
        if (ready_) BZ2_bzDecompressEnd(&stream);
    }
    Bzip2Stream(const Bzip2Stream&) = delete;
    Bzip2Stream& operator=(const Bzip2Stream&) = delete;
    bool ready() const { return ready_; }
    bz_stream stream{};

private:
    bool ready_ = false;
};

}  // namespace

MethodResult DecodeBzip2(InflateInput& input, OutputWindow& window, MethodDecoders&) {
    Bzip2Stream bz;
    if (!bz.ready()) return MethodResult::OutOfMemory;
    bz_stream& s = bz.stream;
    bool inputEnded = false;
    for (;;) {
        const std::size_t room = StepRoom(window);
        if (room == 0) return MethodResult::OutputFailed;
        if (input.next == input.end && !inputEnded) inputEnded = !input.Refill();
        // libbz2 reads through a non-const pointer but never writes the input.
        s.next_in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(input.next));
        s.avail_in = static_cast<unsigned>(input.end - input.next);
        s.next_out = reinterpret_cast<char*>(window.out);
        s.avail_out = static_cast<unsigned>(room);
        const int r = BZ2_bzDecompress(&s);
        const auto* in = reinterpret_cast<const std::uint8_t*>(s.next_in);
        auto* out = reinterpret_cast<std::uint8_t*>(s.next_out);
        const bool progress = in != input.next || out != window.out;
        input.next = in;
        window.out = out;
        if (r == BZ_STREAM_END) return MethodResult::Ok;
        if (r == BZ_MEM_ERROR) return MethodResult::OutOfMemory;
        if (r != BZ_OK) return MethodResult::DataError;
        // The data ended before the stream did.
        if (!progress && inputEnded) return MethodResult::DataError;
    }
}

}  // namespace quillory::zip
