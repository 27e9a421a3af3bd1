// The output side of the LHarc, early-LHA, LArc and PMarc decoders: one buffer holding
// the history that matches reach back into, then the chunk being filled, then room for
// one step to run past it. Full chunks are checksummed (CRC-16) and written, the
// history slid to the front; the member ends at exactly its original size, whatever the
// last step produced beyond it. No match reaches outside the buffer: every decoder
// asserts at compile time that its farthest distance is at most kMaxHistory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/decode_check.h"
#include "lzh/lzh_decoder.h"
#include "lzh/lzh_sink.h"

namespace quillory::lzh {

class OutputWindow {
public:
    // The farthest any of these methods reaches back: PMarc -pm1-'s 16 KiB ring.
    static constexpr std::size_t kMaxHistory = 16 * 1024;
    // Bytes checksummed and written at a time.
    static constexpr std::size_t kChunkBytes = 128 * 1024;
    // The most one step may write past the chunk: a -pm1- byte block and the copy that
    // follows it (216 + 244), rounded up, plus the overrun of word copies.
    static constexpr std::size_t kMaxStepBytes = 512;
    static constexpr std::size_t kCopyOverrun = 16;
    static constexpr std::size_t kBufferBytes =
        kMaxHistory + kChunkBytes + kMaxStepBytes + kCopyOverrun;

    // Starts a member of originalSize bytes handed to output, with the history before its
    // first byte set to `history` bytes of preset (at most kMaxHistory; a shorter preset
    // leaves the rest undefined).
    void Start(std::uint8_t* buffer, MemberOutput& output, std::uint32_t originalSize,
               const std::uint8_t* preset, std::size_t history);

    // Where the next byte goes. Decoders keep it in a local while they run a batch.
    std::uint8_t* out = nullptr;

    // The end of the current batch: steps may start while out is below it.
    std::uint8_t* Limit() const { return limit_; }
    // Bytes produced before `at`, for methods whose coding depends on the position.
    std::uint64_t Produced(const std::uint8_t* at) const {
        return flushed_ + static_cast<std::uint64_t>(at - start_);
    }
    bool Done() const { return Produced(out) >= originalSize_; }

    // After a batch: writes the chunk when it is full and slides the history down.
    // Ok, or why the chunk was not written (a failed write, a requested stop).
    DecodeOutcome Advance();
    // After the last batch: writes the rest up to the original size.
    DecodeResult Finish();
    // A damaged stream: what came before the failing step is written, then DataError (or
    // Stopped when a stop came first).
    DecodeResult Fail(const std::uint8_t* stepStart);

private:
    void SetLimit();

    std::uint8_t* buffer_ = nullptr;
    std::uint8_t* start_ = nullptr;  // first byte of the chunk
    std::uint8_t* limit_ = nullptr;
    Sink sink_;
    std::uint32_t originalSize_ = 0;
    std::uint64_t flushed_ = 0;  // bytes written before start_
};

// Decodes a member step by step: step(out) writes one step's bytes at out (at most
// kMaxStepBytes) and returns where they end, or nullptr when the stream is damaged.
// Between batches the window writes its full chunks.
template <typename Step>
DecodeResult DecodeSteps(OutputWindow& window, Step&& step) {
    while (!window.Done()) {
        std::uint8_t* out = window.out;
        std::uint8_t* const limit = window.Limit();
        while (out < limit) {
            std::uint8_t* const next = step(out);
            DECODE_CHECK(next != nullptr, window.Fail(out));
            out = next;
        }
        window.out = out;
        const DecodeOutcome advanced = window.Advance();
        if (advanced != DecodeOutcome::Ok) return {advanced, 0};
    }
    return window.Finish();
}

// Copies a match of length bytes from distance bytes behind out, overlapping copies
// repeating the bytes they produce; may write up to kCopyOverrun bytes beyond the match.
inline std::uint8_t* CopyMatch(std::uint8_t* out, std::size_t distance, std::size_t length) {
    constexpr std::size_t kWord = 8;
    static_assert(kWord - 1 <= OutputWindow::kCopyOverrun);
    const std::uint8_t* from = out - distance;
    std::uint8_t* const end = out + length;
    if (distance >= kWord) {
        // Each word is read before it is overwritten: the source lies a word behind.
        do {
            std::memcpy(out, from, kWord);
            out += kWord;
            from += kWord;
        } while (out < end);
    } else {
        do {
            *out++ = *from++;
        } while (out < end);
    }
    return end;
}

}  // namespace quillory::lzh
