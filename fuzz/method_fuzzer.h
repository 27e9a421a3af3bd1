// The body of the method decoders' fuzz targets (fuzz_lzma.cpp and its siblings): the
// first byte is the general-purpose flags' low byte (bits 6-7: a reduce factor less 1),
// the next three the listed size (below 1 MiB, so a run stays short); the rest is the
// member's data, decoded from memory through the dispatch. A flush over 64 KiB, a flush
// after a refused one, or output past the listed size aborts.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "zip/method_decoder.h"

namespace quillory::fuzz {

class CheckingSink final : public zip::OutputSink {
public:
    explicit CheckingSink(std::uint64_t listed) : listed_(listed) {}
    bool Flush(const std::uint8_t*, std::size_t n) override {
        if (refused_ || n > zip::OutputWindow::kFlushBytes) std::abort();
        if (n > listed_ - taken_) {
            refused_ = true;  // as the reader's sink refuses output past the listed size
            return false;
        }
        taken_ += n;
        return true;
    }

private:
    std::uint64_t listed_;
    std::uint64_t taken_ = 0;
    bool refused_ = false;
};

inline int FuzzMethod(std::uint32_t method, const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 4;
    constexpr std::uint32_t kSizeMask = (1u << 20) - 1;
    if (size < kHeader) return 0;
    const std::uint32_t flags = data[0] & 0x3F;
    if (method >= 2 && method <= 5) method = 2 + (data[0] >> 6);
    const std::uint64_t listed = (data[1] | (data[2] << 8) | (data[3] << 16)) & kSizeMask;
    static zip::MethodDecoders decoders;
    static zip::OutputWindow window;
    zip::MemoryInput input(data + kHeader, size - kHeader);
    CheckingSink sink(listed);
    zip::DecodeMethod({method, flags, size - kHeader, listed}, input, window, &sink, decoders);
    return 0;
}

}  // namespace quillory::fuzz
