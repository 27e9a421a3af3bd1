// Sequential reads through one large buffer, for listing archives: many small reads cost
// one read of the source per buffer. Reads and skips give the same bytes and positions
// as the source itself, and a short source ends them where it ends.
#include "common/buffered_reader.h"

#include <cstring>

namespace quillory {

BufferedReader::BufferedReader(const ByteSource& source, std::uint64_t start,
                               std::pmr::memory_resource* memory, std::size_t bufferBytes)
    : source_(source),
      memory_(memory),
      bufferBytes_(bufferBytes),
      buffer_(static_cast<std::uint8_t*>(memory->allocate(bufferBytes))),
      bufferStart_(start) {}

BufferedReader::~BufferedReader() {
    memory_->deallocate(buffer_, bufferBytes_);
}

bool BufferedReader::Refill() {
    bufferStart_ += filled_;
    next_ = 0;
    filled_ = source_.ReadAt(bufferStart_, buffer_, bufferBytes_);
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
    const std::uint64_t position = Position();
    if (count > UINT64_MAX - position) return false;
    bufferStart_ = position + count;
    next_ = filled_ = 0;
    return true;
}

}  // namespace quillory
