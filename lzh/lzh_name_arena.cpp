// The name arena.
#include "lzh/lzh_name_arena.h"

#include <memory>

namespace quillory::lzh {

void* NameArena::NewBlock(std::size_t bytes) {
    void* memory = upstream_->allocate(bytes, alignof(std::max_align_t));
    blocks_.push_back({memory, bytes});
    return memory;
}

void* NameArena::do_allocate(std::size_t bytes, std::size_t alignment) {
    if (bytes > kMaxSharedBytes || alignment > alignof(std::max_align_t)) return NewBlock(bytes);
    void* at = next_;
    if (next_ == nullptr || std::align(alignment, bytes, at, left_) == nullptr) {
        next_ = static_cast<char*>(NewBlock(kBlockBytes));
        left_ = kBlockBytes;
        at = next_;
    }
    next_ = static_cast<char*>(at) + bytes;
    left_ -= bytes;
    return at;
}

void NameArena::Release() {
    for (const Block& block : blocks_)
        upstream_->deallocate(block.memory, block.bytes, alignof(std::max_align_t));
    blocks_.clear();
    blocks_.shrink_to_fit();
    next_ = nullptr;
    left_ = 0;
}

}  // namespace quillory::lzh
