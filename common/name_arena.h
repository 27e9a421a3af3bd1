// The memory that member names and folders live in: fixed-size chunks taken from the
// reader's heap and handed out back to back, so a name costs its text and terminator
// and nothing more. Nothing is freed one by one; Release frees everything at once
// (closing an archive), and the arena never hands out memory it has released.
#pragma once

#include <cstddef>
#include <memory_resource>

namespace quillory {

class NameArena final : public std::pmr::memory_resource {
public:
    // Chunk size: small enough that the unused end of the last chunk is a few bytes per
    // member of a large archive, large enough that chunks are few.
    static constexpr std::size_t kChunkBytes = 64 * 1024;

    explicit NameArena(std::pmr::memory_resource* upstream) : upstream_(upstream) {}
    NameArena(const NameArena&) = delete;
    NameArena& operator=(const NameArena&) = delete;
    ~NameArena() override { Release(); }

    void Release();

private:
    struct Chunk {
        Chunk* previous;
        std::size_t bytes;  // the whole allocation, this header included
    };

    void* do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void*, std::size_t, std::size_t) override {}
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
        return this == &other;
    }

    std::pmr::memory_resource* upstream_;
    Chunk* last_ = nullptr;
    std::byte* next_ = nullptr;  // free space of the last chunk: [next_, end_)
    std::byte* end_ = nullptr;
};

}  // namespace quillory
