// The output window shared by the stored copy and the inflate engine: the last 65536
// bytes of the member's output (the history that matches copy from) followed by a work
// area that decoding fills. Output leaves through the sink in pieces of exactly 65536
// bytes and one final rest (possibly empty), the same pieces however much is decoded
// between two flushes. The window starts empty for every member: nothing of an
// earlier member can be copied into this one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace quillory::zip {

// ZipFlushWindow's receiver: the CRC-32 and the output file, or a test's buffer.
class OutputSink {
public:
    // False when the output could not take all of the bytes; decoding stops there.
    virtual bool Flush(const std::uint8_t* data, std::size_t size) = 0;

protected:
    ~OutputSink() = default;
};

class OutputWindow {
public:
    static constexpr std::size_t kFlushBytes = 65536;
    // Deflate64 distances reach 65536 bytes back.
    static constexpr std::size_t kHistoryBytes = 65536;
    // Room decoded between two slides of the history; large enough that a slide, which
    // moves 64 KiB, costs little, and larger than a Deflate64 match with its margins.
    static constexpr std::size_t kWorkBytes = 4 * 65536;
    static constexpr std::size_t kTotalBytes = kHistoryBytes + kWorkBytes;

    OutputWindow();

    // Empties the window for a new member whose output goes to sink.
    void Begin(OutputSink* sink);

    // The window's first byte and one past its last: every byte of [base(), out) is output
    // of the current member.
    std::uint8_t* base() const { return buffer_.get(); }
    std::uint8_t* limit() const { return buffer_.get() + kTotalBytes; }

    // Where the next output byte goes; decoders move it forward.
    std::uint8_t* out = nullptr;

    // Flushes the complete 65536-byte pieces and slides the last kHistoryBytes of output
    // to the front, leaving at least kWorkBytes of room after out. False when a flush
    // failed.
    bool MakeRoom();

    // Flushes the complete pieces only (what has been flushed when decoding stops early).
    bool FlushComplete();

    // Flushes the complete pieces and then the rest, also when the rest is empty.
    bool Finish();

    // Output bytes of this member so far.
    std::uint64_t Produced() const {
        return flushedBytes_ + static_cast<std::uint64_t>(out - flushFrom_);
    }

private:
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::uint8_t* flushFrom_ = nullptr;  // first output byte not yet flushed
    std::uint64_t flushedBytes_ = 0;
    OutputSink* sink_ = nullptr;
};

}  // namespace quillory::zip
