// Sequential reads through one large buffer, for listing archives: many small reads cost
// one system call per buffer. Reads and skips give the same bytes and positions as the
// file itself, and a short file ends them where it ends.
#include "common/buffered_reader.h"

#include <cstring>

namespace quillory {

BufferedReader::BufferedReader(platform::FileHandle file, std::pmr::memory_resource* memory,
                               std::size_t bufferBytes)
    : file_(file),
      memory_(memory),
      bufferBytes_(bufferBytes),
      buffer_(static_cast<std::uint8_t*>(memory->allocate(bufferBytes))) {
    const auto position = platform::SetFilePosition(file, 0, platform::SeekOrigin::Current);
    bufferStart_ = position ? *position : 0;
}

BufferedReader::~BufferedReader() {
    memory_->deallocate(buffer_, bufferBytes_);
}

bool BufferedReader::Refill() {
    bufferStart_ += filled_;
    next_ = 0;
    filled_ = platform::ReadFile(file_, buffer_, bufferBytes_);
    return filled_ > 0;
}

std::size_t BufferedReader::Read(void* destination, std::size_t count) {
    auto* out = static_cast<std::uint8_t*>(destination);
    std::size_t done = 0;
    while (done < count) {
        if (next_ == filled_ && !Refill()) break;
        const std::size_t take = std::min(count - done, filled_ - next_);
        std::memcpy(out + done, buffer_ + next_, take);
        next_ += take;
        done += take;
    }
    return done;
}

bool BufferedReader::Skip(std::uint64_t count) {
    if (count <= filled_ - next_) {
        next_ += static_cast<std::size_t>(count);
        return true;
    }
    const std::uint64_t target = Position() + count;
    if (target > static_cast<std::uint64_t>(INT64_MAX)) return false;
    const auto moved = platform::SetFilePosition(file_, static_cast<std::int64_t>(target),
                                                 platform::SeekOrigin::Begin);
    if (!moved) return false;
    bufferStart_ = target;
    next_ = filled_ = 0;
    return true;
}

}  // namespace quillory
