// The name arena: blocks back to back, alignment kept, large blocks in chunks of their
// own, and everything returned to the heap on release.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/name_arena.h"

namespace quillory {
namespace {

// Counts what is taken and given back.
class CountingResource final : public std::pmr::memory_resource {
public:
    std::size_t live = 0;
    std::size_t allocations = 0;

private:
    void* do_allocate(std::size_t bytes, std::size_t alignment) override {
        live += bytes;
        ++allocations;
        return std::pmr::new_delete_resource()->allocate(bytes, alignment);
    }
    void do_deallocate(void* p, std::size_t bytes, std::size_t alignment) override {
        live -= bytes;
        std::pmr::new_delete_resource()->deallocate(p, bytes, alignment);
    }
    bool do_is_equal(const std::pmr::memory_resource& o) const noexcept override {
        return this == &o;
    }
};

TEST(NameArenaTest, StringsSitBackToBackInFewChunks) {
    CountingResource heap;
    {
        NameArena arena(&heap);
        std::vector<std::pmr::u16string> names;
        for (int i = 0; i < 10000; ++i)
            names.emplace_back(std::u16string(20, u'a'), &arena);
        // 10000 blocks of 42 bytes: about 420 KB in 64 KiB chunks.
        EXPECT_LE(heap.allocations, 8u);
        EXPECT_LE(heap.live, 10000u * 42 + 2 * NameArena::kChunkBytes);
        const auto* a = names[0].data();
        const auto* b = names[1].data();
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b) - reinterpret_cast<std::uintptr_t>(a), 42u);

        void* big = arena.allocate(NameArena::kChunkBytes * 2, 16);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(big) % 16, 0u);
        void* odd = arena.allocate(3, 1);
        void* aligned = arena.allocate(8, 8);
        EXPECT_NE(odd, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(aligned) % 8, 0u);
        names.clear();
        arena.Release();
        EXPECT_EQ(heap.live, 0u);
        names.emplace_back(std::u16string(30, u'b'), &arena);  // usable again after a release
        EXPECT_GT(heap.live, 0u);
    }
    EXPECT_EQ(heap.live, 0u);
}

}  // namespace
}  // namespace quillory
