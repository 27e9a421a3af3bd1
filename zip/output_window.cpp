// Flushing and sliding the inflate output window: complete 65536-byte pieces go to the
// sink, then the last 64 KiB of output move to the front as the history. A refused
// flush stops decoding; nothing is flushed twice.
#include "zip/output_window.h"

#include <cstring>

namespace quillory::zip {

OutputWindow::OutputWindow() : buffer_(std::make_unique<std::uint8_t[]>(kTotalBytes)) {}

void OutputWindow::Begin(OutputSink* sink) {
    sink_ = sink;
    out = flushFrom_ = base();
    flushedBytes_ = 0;
}

bool OutputWindow::FlushComplete() {
    while (static_cast<std::size_t>(out - flushFrom_) >= kFlushBytes) {
        if (!sink_->Flush(flushFrom_, kFlushBytes)) return false;
        flushFrom_ += kFlushBytes;
        flushedBytes_ += kFlushBytes;
    }
    return true;
}

bool OutputWindow::MakeRoom() {
    if (!FlushComplete()) return false;
    const std::size_t held = static_cast<std::size_t>(out - base());
    if (held <= kHistoryBytes) return true;
    // Everything not yet flushed lies within the last kHistoryBytes, so it moves too.
    const std::size_t shift = held - kHistoryBytes;
    std::memmove(base(), out - kHistoryBytes, kHistoryBytes);
    out -= shift;
    flushFrom_ -= shift;
    return true;
}

bool OutputWindow::Finish() {
    if (!FlushComplete()) return false;
    const std::size_t rest = static_cast<std::size_t>(out - flushFrom_);
    if (!sink_->Flush(flushFrom_, rest)) return false;
    flushFrom_ = out;
    flushedBytes_ += rest;
    return true;
}

}  // namespace quillory::zip
