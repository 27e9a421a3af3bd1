// Sequential reading of an archive's source through one large buffer, for listing:
// headers and directory records arrive in many small pieces, and a read of the source
// per piece would cost more than decoding them. Gives the same bytes as the source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>

#include "common/byte_source.h"

namespace quillory {

class BufferedReader {
public:
    static constexpr std::size_t kDefaultBufferBytes = 64 * 1024;

    // Reads the source from position start on; the buffer comes from memory.
    BufferedReader(const ByteSource& source, std::uint64_t start, std::pmr::memory_resource* memory,
                   std::size_t bufferBytes = kDefaultBufferBytes);
    ~BufferedReader();
    BufferedReader(const BufferedReader&) = delete;
    BufferedReader& operator=(const BufferedReader&) = delete;

    // Copies up to count bytes; returns how many arrived (fewer only at the end of the
    // source or when a read fails).
    std::size_t Read(void* destination, std::size_t count);

    // Moves forward by count bytes (past the end of the source is allowed: reads there
    // bring nothing). False only when the position would no longer fit.
    bool Skip(std::uint64_t count);

    // Where the next Read starts.
    std::uint64_t Position() const { return bufferStart_ + next_; }

private:
    bool Refill();

    const ByteSource& source_;
    // Not a vector: clearing the buffer before every listing is wasted work, and in
    // unoptimised builds a vector constructs it byte by byte.
    std::pmr::memory_resource* memory_;
    std::size_t bufferBytes_;
    std::uint8_t* buffer_;
    std::uint64_t bufferStart_;  // source position of buffer_[0]
    std::size_t next_ = 0;       // read position in buffer_
    std::size_t filled_ = 0;     // valid bytes in buffer_
};

}  // namespace quillory
