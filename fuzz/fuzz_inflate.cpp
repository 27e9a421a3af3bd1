// Fuzz target for the inflate engine alone: the first byte chooses the format (bit 0:
// Deflate64) and how the input arrives (bits 1-7: in one piece, or in pieces of that
// many bytes); the rest is a raw stream. Each stream is decoded by the fast path and by
// the careful path alone, and any difference in result, output or flushes aborts.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/checksums.h"
#include "zip/inflate.h"

namespace {

// The output's CRC-32 and size, and every flush's size.
class Summary final : public quillory::zip::OutputSink {
public:
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    std::vector<std::size_t> flushes;
    bool Flush(const std::uint8_t* p, std::size_t n) override {
        crc = quillory::Crc32Update(crc, p, n);
        size += n;
        flushes.push_back(n);
        return true;
    }
};

// The stream in pieces of a fixed size, the unread tail carried in front of each.
class Pieces final : public quillory::zip::InflateInput {
public:
    Pieces(const std::uint8_t* data, std::size_t size, std::size_t piece)
        : data_(data), size_(size), piece_(piece), buffer_(kMaxCarryBytes + piece) {
        next = end = buffer_.data() + kMaxCarryBytes;
        Refill();
    }
    bool Refill() override {
        const std::size_t tail = static_cast<std::size_t>(end - next);
        if (taken_ == size_ || tail > kMaxCarryBytes) return false;
        std::uint8_t* at = buffer_.data() + kMaxCarryBytes;
        std::memmove(at - tail, next, tail);
        const std::size_t n = std::min(piece_, size_ - taken_);
        std::memcpy(at, data_ + taken_, n);
        taken_ += n;
        next = at - tail;
        end = at + n;
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t piece_;
    std::vector<std::uint8_t> buffer_;
    std::size_t taken_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool deflate64 = (data[0] & 1) != 0;
    const std::size_t piece = data[0] >> 1;
    static quillory::zip::InflateEngine engine;
    static quillory::zip::OutputWindow window;
    quillory::zip::InflateResult results[2];
    Summary summaries[2];
    for (int careful = 0; careful < 2; ++careful) {
        engine.SetFastPath(careful == 0);
        quillory::zip::MemoryInput whole(data + 1, size - 1);
        Pieces pieces(data + 1, size - 1, piece == 0 ? 1 : piece);
        quillory::zip::InflateInput& input =
            piece == 0 ? static_cast<quillory::zip::InflateInput&>(whole) : pieces;
        results[careful] = engine.Inflate(input, window, &summaries[careful], deflate64);
    }
    if (results[0] != results[1] || summaries[0].crc != summaries[1].crc ||
        summaries[0].size != summaries[1].size || summaries[0].flushes != summaries[1].flushes) {
        std::abort();
    }
    return 0;
}
