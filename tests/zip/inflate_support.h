// Running the inflate engine on streams in memory, and making streams with zlib.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "tests/support/guarded_memory.h"
#include "zip/inflate.h"

namespace quillory::testing {

// Keeps every flushed byte and the size of each flush.
class RecordingSink final : public zip::OutputSink {
public:
    std::vector<std::uint8_t> data;
    std::vector<std::size_t> flushes;
    // Refuses the flush with this index (counting from 0), or none.
    std::size_t refuseAt = static_cast<std::size_t>(-1);

    bool Flush(const std::uint8_t* p, std::size_t n) override {
        if (flushes.size() == refuseAt) return false;
        flushes.push_back(n);
        data.insert(data.end(), p, p + n);
        return true;
    }
};

// Hands a stream out in pieces of the given sizes (cycled), keeping the carried tail in
// front of each piece as the member input stream does.
class PiecewiseInput final : public zip::InflateInput {
public:
    PiecewiseInput(const std::vector<std::uint8_t>& stream, std::vector<std::size_t> pieces)
        : stream_(stream), pieces_(std::move(pieces)), buffer_(kMaxCarryBytes + 65536) {
        next = end = buffer_.data() + kMaxCarryBytes;
        Refill();
    }
    bool Refill() override {
        const std::size_t tail = static_cast<std::size_t>(end - next);
        if (taken_ == stream_.size() || tail > kMaxCarryBytes) return false;
        std::uint8_t* piece = buffer_.data() + kMaxCarryBytes;
        std::memmove(piece - tail, next, tail);
        const std::size_t n = std::min(pieces_[turn_++ % pieces_.size()], stream_.size() - taken_);
        std::memcpy(piece, stream_.data() + taken_, n);
        taken_ += n;
        next = piece - tail;
        end = piece + n;
        return true;
    }

private:
    const std::vector<std::uint8_t>& stream_;
    std::vector<std::size_t> pieces_;
    std::vector<std::uint8_t> buffer_;
    std::size_t taken_ = 0;
    std::size_t turn_ = 0;
};

struct InflateOutcome {
    zip::InflateResult result;
    std::vector<std::uint8_t> data;
    std::vector<std::size_t> flushes;
};

inline InflateOutcome RunInflate(zip::InflateEngine& engine, zip::OutputWindow& window,
                                 zip::InflateInput& input, bool deflate64, bool fast = true) {
    RecordingSink sink;
    engine.SetFastPath(fast);
    InflateOutcome o;
    o.result = engine.Inflate(input, window, &sink, deflate64);
    o.data = std::move(sink.data);
    o.flushes = std::move(sink.flushes);
    return o;
}

// The stream ends where an unreadable page begins: a load one byte past it crashes.
inline InflateOutcome RunInflate(const std::vector<std::uint8_t>& stream, bool deflate64,
                                 bool fast = true) {
    zip::InflateEngine engine;
    zip::OutputWindow window;
    const GuardedMemory guarded(stream);
    zip::MemoryInput input(guarded.data(), guarded.size());
    return RunInflate(engine, window, input, deflate64, fast);
}

// A raw deflate stream of data made by zlib.
inline std::vector<std::uint8_t> ZlibDeflate(const std::vector<std::uint8_t>& data, int level,
                                             int strategy = Z_DEFAULT_STRATEGY) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 9, strategy) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::vector<std::uint8_t> out(deflateBound(&z, static_cast<uLong>(data.size())) + 16);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// A raw deflate stream of `mebibytes` MiB of zeros, about 1 KiB per MiB: one MiB deflated
// with a full flush (which byte-aligns it and forgets the history) repeated, then an
// empty final block.
inline std::vector<std::uint8_t> DeflatedZeros(std::uint64_t mebibytes) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::vector<std::uint8_t> zeros(1 << 20, 0);
    std::vector<std::uint8_t> piece(1 << 16);
    const auto run = [&](std::size_t inputBytes, int flush) {
        z.next_in = zeros.data();
        z.avail_in = static_cast<uInt>(inputBytes);
        z.next_out = piece.data();
        z.avail_out = static_cast<uInt>(piece.size());
        deflate(&z, flush);
        return std::vector<std::uint8_t>(piece.begin(), piece.end() - z.avail_out);
    };
    const std::vector<std::uint8_t> mebibyte = run(zeros.size(), Z_FULL_FLUSH);
    if (run(zeros.size(), Z_FULL_FLUSH) != mebibyte) throw std::runtime_error("flush differs");
    std::vector<std::uint8_t> out;
    out.reserve(mebibyte.size() * mebibytes + 16);
    for (std::uint64_t i = 0; i < mebibytes; ++i)
        out.insert(out.end(), mebibyte.begin(), mebibyte.end());
    const std::vector<std::uint8_t> last = run(0, Z_FINISH);
    out.insert(out.end(), last.begin(), last.end());
    deflateEnd(&z);
    return out;
}

// Text-like data with repeats at every distance, and runs: exercises every match kind.
inline std::vector<std::uint8_t> MixedData(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> out;
    out.reserve(size);
    std::uint32_t x = seed | 1;
    const auto rnd = [&x] {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    };
    static const char* words[] = {"archive ", "member ", "folder ", "deflate ", "window ",
                                  "the ",     "of ",     "\n",      "ZIP ",     "length "};
    while (out.size() < size) {
        const std::uint32_t r = rnd() % 16;
        if (r < 8) {
            const char* w = words[rnd() % 10];
            out.insert(out.end(), w, w + std::strlen(w));
        } else if (r < 11) {
            for (int i = 0; i < 8; ++i)
                out.push_back(static_cast<std::uint8_t>(rnd()));
        } else if (r < 13 && out.size() > 70000) {
            const std::size_t back = 1 + rnd() % 65536;
            const std::size_t len = 3 + rnd() % 300;
            for (std::size_t i = 0; i < len; ++i)
                out.push_back(out[out.size() - back]);
        } else {
            out.insert(out.end(), 1 + rnd() % 40, static_cast<std::uint8_t>(rnd()));
        }
    }
    out.resize(size);
    return out;
}

}  // namespace quillory::testing
