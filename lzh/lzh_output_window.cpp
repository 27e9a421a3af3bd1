// The output window of the older LZH methods' decoders: chunks checksummed and written,
// the history slid to the front, the member ended at exactly its original size. On a
// damaged stream only what came before the failing step is written.
#include "lzh/lzh_output_window.h"

#include <algorithm>

namespace quillory::lzh {

void OutputWindow::Start(std::uint8_t* buffer, MemberOutput& output, std::uint32_t originalSize,
                         const std::uint8_t* preset, std::size_t history) {
    buffer_ = buffer;
    start_ = buffer + kMaxHistory;
    out = start_;
    sink_ = Sink{&output};
    originalSize_ = originalSize;
    flushed_ = 0;
    if (history > 0) std::memcpy(start_ - history, preset, history);
    SetLimit();
}

void OutputWindow::SetLimit() {
    limit_ = start_ + std::min<std::uint64_t>(kChunkBytes, originalSize_ - flushed_);
}

DecodeOutcome OutputWindow::Advance() {
    if (out < start_ + kChunkBytes || Done()) {
        SetLimit();
        return DecodeOutcome::Ok;
    }
    const DecodeOutcome put = sink_.Put(start_, kChunkBytes);
    if (put != DecodeOutcome::Ok) return put;
    // The history and whatever the last step wrote past the chunk move to the front.
    const std::size_t keep = static_cast<std::size_t>(out - start_) - kChunkBytes + kMaxHistory;
    std::memmove(buffer_, start_ + kChunkBytes - kMaxHistory, keep);
    out -= kChunkBytes;
    flushed_ += kChunkBytes;
    SetLimit();
    return DecodeOutcome::Ok;
}

DecodeResult OutputWindow::Finish() {
    const std::size_t rest = static_cast<std::size_t>(std::min<std::uint64_t>(
        static_cast<std::uint64_t>(out - start_), originalSize_ - flushed_));
    const DecodeOutcome put = sink_.Put(start_, rest);
    if (put != DecodeOutcome::Ok) return {put, 0};
    return {DecodeOutcome::Ok, sink_.crc};
}

DecodeResult OutputWindow::Fail(const std::uint8_t* stepStart) {
    const std::size_t kept = static_cast<std::size_t>(std::min<std::uint64_t>(
        static_cast<std::uint64_t>(stepStart - start_), originalSize_ - flushed_));
    if (kept > 0 && sink_.Put(start_, kept) == DecodeOutcome::Stopped) {
        return {DecodeOutcome::Stopped, 0};
    }
    return {DecodeOutcome::DataError, 0};
}

}  // namespace quillory::lzh
