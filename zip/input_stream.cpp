// The member input stream: the member's data read from the archive in pieces of at most
// 32 KiB, each decrypted as it arrives, the unread tail carried in front of the next; or
// from memory all at once. Nothing past the stream's length is read from the source.
#include "zip/input_stream.h"

#include <algorithm>
#include <cstring>

namespace quillory::zip {

void ZipInputStream::Start(const ByteSource& source, std::uint64_t offset, std::uint64_t length,
                           Decryptor decrypt, void* context) {
    source_ = &source;
    offset_ = offset;
    unread_ = length;
    decrypt_ = decrypt;
    context_ = context;
    const auto bytes = source.Bytes();
    if (decrypt == nullptr && !bytes.empty()) {
        // In the clear in memory: the whole stream, as far as the source holds it.
        const std::uint64_t start = std::min<std::uint64_t>(offset, bytes.size());
        next = bytes.data() + start;
        end = next + std::min<std::uint64_t>(length, bytes.size() - start);
        unread_ = 0;
        return;
    }
    next = end = buffer_ + kMaxCarryBytes;
    Refill();
}

bool ZipInputStream::Refill() {
    const std::size_t tail = static_cast<std::size_t>(end - next);
    if (unread_ == 0 || tail > kMaxCarryBytes) return false;
    std::uint8_t* piece = buffer_ + kMaxCarryBytes;
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(unread_, kPieceBytes));
    std::uint8_t* const kept = piece - tail;
    std::memmove(kept, next, tail);
    next = kept;
    end = piece;
    const std::size_t got = source_->ReadAt(offset_, piece, want);
    if (got == 0) return false;
    offset_ += got;
    unread_ -= got;
    if (decrypt_ != nullptr) decrypt_(context_, piece, got);
    end = piece + got;
    return true;
}

}  // namespace quillory::zip
