// The name arena: member names and folders stored back to back in chunks taken from the
// reader's heap. Release frees every chunk at once; no name is freed on its own.
#include "common/name_arena.h"

#include <cstdint>
#include <new>

namespace quillory {

void NameArena::Release() {
    while (last_ != nullptr) {
        Chunk* previous = last_->previous;
        upstream_->deallocate(last_, last_->bytes, alignof(std::max_align_t));
        last_ = previous;
    }
    next_ = end_ = nullptr;
}

void* NameArena::do_allocate(std::size_t bytes, std::size_t alignment) {
    const auto align = [alignment](std::byte* p) {
        const auto v = reinterpret_cast<std::uintptr_t>(p);
        return reinterpret_cast<std::byte*>((v + alignment - 1) & ~(alignment - 1));
    };
    std::byte* at = next_ == nullptr ? nullptr : align(next_);
    if (at == nullptr || bytes > static_cast<std::size_t>(end_ - at)) {
        // A new chunk; a block too large for one gets a chunk of its own size.
        const std::size_t header =
            (sizeof(Chunk) + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
        const std::size_t need = header + bytes + alignment;
        const std::size_t chunkBytes = need > kChunkBytes ? need : kChunkBytes;
        auto* chunk =
            static_cast<Chunk*>(upstream_->allocate(chunkBytes, alignof(std::max_align_t)));
        chunk->previous = last_;
        chunk->bytes = chunkBytes;
        last_ = chunk;
        next_ = reinterpret_cast<std::byte*>(chunk) + header;
        end_ = reinterpret_cast<std::byte*>(chunk) + chunkBytes;
        at = align(next_);
    }
    next_ = at + bytes;
    return at;
}

}  // namespace quillory
