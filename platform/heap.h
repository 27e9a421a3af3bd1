// A private growable heap: one memory resource per owner, released whole with it.
// Readers keep their entry tables and work buffers here, so destroying a reader frees
// everything it took at once. Small blocks are pooled inside an arena that starts with
// the initial size and grows; large blocks (entry tables, buffers) come from the general
// allocator and are really returned on deallocation, so a growing table costs no more
// than the table itself.
#pragma once

#include <cstddef>
#include <memory_resource>

namespace quillory::platform {

class PrivateHeap final : public std::pmr::memory_resource {
public:
    explicit PrivateHeap(std::size_t initialBytes)
        : arena_(initialBytes, std::pmr::new_delete_resource()),
          smallPools_(std::pmr::pool_options{0, kSmallBlockLimit}, &arena_),
          largeBlocks_(std::pmr::pool_options{0, 1}, std::pmr::new_delete_resource()) {}

    PrivateHeap(const PrivateHeap&) = delete;
    PrivateHeap& operator=(const PrivateHeap&) = delete;
    ~PrivateHeap() override = default;

    // Frees everything at once; objects in the heap must not be used afterwards.
    void Release() {
        smallPools_.release();
        largeBlocks_.release();
        arena_.release();
    }

private:
    // Blocks up to this size are pooled in the arena; larger ones go to the allocator.
    static constexpr std::size_t kSmallBlockLimit = 4096;

    void* do_allocate(std::size_t bytes, std::size_t alignment) override {
        return bytes <= kSmallBlockLimit ? smallPools_.allocate(bytes, alignment)
                                         : largeBlocks_.allocate(bytes, alignment);
    }
    void do_deallocate(void* p, std::size_t bytes, std::size_t alignment) override {
        if (bytes <= kSmallBlockLimit) {
            smallPools_.deallocate(p, bytes, alignment);
        } else {
            largeBlocks_.deallocate(p, bytes, alignment);
        }
    }
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
        return this == &other;
    }

    std::pmr::monotonic_buffer_resource arena_;
    std::pmr::unsynchronized_pool_resource smallPools_;
    std::pmr::unsynchronized_pool_resource largeBlocks_;
};

// The initial size of each reader's heap: 512 KiB.
inline constexpr std::size_t kReaderHeapInitialBytes = 512 * 1024;

}  // namespace quillory::platform
