// Where the inflate engine takes compressed bytes from: a window [next, end) onto the
// source's buffer that the engine reads directly, and a refill that keeps the unread
// tail in front of the next piece, so the engine's 8-byte loads never straddle pieces.
// A source never hands out more than its stream holds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillory::zip {

class InflateInput {
public:
    // The most unread bytes a refill must keep in front of the next piece.
    static constexpr std::size_t kMaxCarryBytes = 64;

    const std::uint8_t* next = nullptr;
    const std::uint8_t* end = nullptr;

    // Keeps [next, end) (at most kMaxCarryBytes) and appends the next piece of the
    // stream; false when nothing more arrives (the unread bytes stay in [next, end),
    // possibly moved). Callers reload next and end after every call.
    virtual bool Refill() = 0;

protected:
    ~InflateInput() = default;
};

// A whole stream in memory (raw streams for tests, benchmarks and fuzzing).
class MemoryInput final : public InflateInput {
public:
    MemoryInput(const std::uint8_t* data, std::size_t size) {
        next = data;
        end = data + size;
    }
    bool Refill() override { return false; }
};

}  // namespace quillory::zip
