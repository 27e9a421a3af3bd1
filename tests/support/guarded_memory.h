// Memory that ends where an unreadable page begins, so that a decoder reading one byte
// past its input, or handing on one byte past a member's size, crashes the test at once
// instead of reading or writing whatever lies there. A member output that keeps what a
// decoder hands it in such memory, and can refuse pieces to stand for a full disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/member_output.h"
#include "tests/support/test_support.h"

namespace quillory::testing {

class GuardedMemory {
public:
    // size bytes whose last one lies right before the unreadable page, zeroed.
    explicit GuardedMemory(std::size_t size);
    // The same, holding a copy of bytes.
    explicit GuardedMemory(std::span<const std::uint8_t> bytes);
    ~GuardedMemory();
    GuardedMemory(const GuardedMemory&) = delete;
    GuardedMemory& operator=(const GuardedMemory&) = delete;

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::span<const std::uint8_t> bytes() const { return {data_, size_}; }

private:
    void* mapping_ = nullptr;
    std::size_t mappingBytes_ = 0;
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// Keeps every piece in guarded memory of capacity bytes (the member's size): a piece
// past it reaches the unreadable page. Pieces after acceptBytes are refused as a full
// disk would refuse them (only the part that fits is kept).
class MemoryOutput final : public MemberOutput {
public:
    explicit MemoryOutput(std::size_t capacity, std::size_t acceptBytes = SIZE_MAX)
        : memory_(capacity), acceptBytes_(acceptBytes) {}

    Taken Put(const std::uint8_t* data, std::size_t size) override;
    Bytes Written() const { return Bytes(memory_.data(), memory_.data() + written_); }

private:
    GuardedMemory memory_;
    std::size_t acceptBytes_;
    std::size_t written_ = 0;
};

}  // namespace quillory::testing
