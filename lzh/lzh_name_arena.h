// Memory for the names and folders of listed members: strings are packed one after
// another into fixed 64 KiB blocks taken from the reader's heap, so a table of many
// members costs little more than its text. Nothing is freed before Release, which the
// reader calls when it frees the table; strings that would not share a block well get
// a block of their own.
#pragma once

#include <cstddef>
#include <memory_resource>
#include <vector>

namespace quillory::lzh {

class NameArena final : public std::pmr::memory_resource {
public:
    static constexpr std::size_t kBlockBytes = 64 * 1024;
    // Larger requests take their own block, so no block wastes more than this.
    static constexpr std::size_t kMaxSharedBytes = 1024;

    explicit NameArena(std::pmr::memory_resource* upstream)
        : upstream_(upstream), blocks_(upstream) {}
    NameArena(const NameArena&) = delete;
    NameArena& operator=(const NameArena&) = delete;
    ~NameArena() override { Release(); }

    // Returns every block to the upstream resource.
    void Release();

private:
    struct Block {
        void* memory;
        std::size_t bytes;
    };

    void* do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void*, std::size_t, std::size_t) override {}
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
        return this == &other;
    }
    void* NewBlock(std::size_t bytes);

    std::pmr::memory_resource* upstream_;
    std::pmr::vector<Block> blocks_;
    char* next_ = nullptr;  // free space of the current shared block
    std::size_t left_ = 0;
};

}  // namespace quillory::lzh
