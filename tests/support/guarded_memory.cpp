// Guarded memory: whole pages mapped readable and writable, followed by one that is not;
// the bytes are placed so that they end at the unreadable page.
#include "tests/support/guarded_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace quillory::testing {

GuardedMemory::GuardedMemory(std::size_t size) : size_(size) {
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t usable = (size + page - 1) / page * page;
    mappingBytes_ = usable + page;
    mapping_ =
        ::mmap(nullptr, mappingBytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping_ == MAP_FAILED ||
        ::mprotect(static_cast<std::uint8_t*>(mapping_) + usable, page, PROT_NONE) != 0) {
        std::abort();
    }
    data_ = static_cast<std::uint8_t*>(mapping_) + usable - size;
}

GuardedMemory::GuardedMemory(std::span<const std::uint8_t> bytes) : GuardedMemory(bytes.size()) {
    if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
}

GuardedMemory::~GuardedMemory() {
    ::munmap(mapping_, mappingBytes_);
}

MemberOutput::Taken MemoryOutput::Put(const std::uint8_t* data, std::size_t size) {
    const std::size_t accepted = std::min(size, acceptBytes_ - std::min(acceptBytes_, written_));
    // A piece beyond the capacity is copied all the same: the guard page catches it.
    if (accepted > 0) std::memcpy(memory_.data() + written_, data, accepted);
    written_ += accepted;
    return accepted == size ? Taken::Ok : Taken::Failed;
}

}  // namespace quillory::testing
