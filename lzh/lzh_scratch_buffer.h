// A scratch buffer taken from a memory resource and given back when it goes out of
// scope. Its bytes are not initialised: the buffers here are filled by reads before
// they are looked at, and clearing 64 KiB per use would cost more than the use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>

namespace quillory::lzh {

class ScratchBuffer {
public:
    ScratchBuffer(std::pmr::memory_resource* memory, std::size_t bytes)
        : memory_(memory),
          bytes_(bytes),
          data_(static_cast<std::uint8_t*>(memory->allocate(bytes))) {}
    ~ScratchBuffer() { memory_->deallocate(data_, bytes_); }
    ScratchBuffer(const ScratchBuffer&) = delete;
    ScratchBuffer& operator=(const ScratchBuffer&) = delete;

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return bytes_; }

private:
    std::pmr::memory_resource* memory_;
    std::size_t bytes_;
    std::uint8_t* data_;
};

}  // namespace quillory::lzh
