// The member input stream: the member's data read from the archive in pieces of at most
// 32 KiB, each decrypted as it arrives, the unread tail carried in front of the next.
// Nothing past the stream's length is read from the file.
#include "zip/input_stream.h"

#include <algorithm>
#include <cstring>

#include "common/output_files.h"

namespace quillory::zip {

void ZipInputStream::Start(platform::FileHandle file, std::uint64_t length, Decryptor decrypt,
                           void* context) {
    file_ = file;
    unread_ = length;
    decrypt_ = decrypt;
    context_ = context;
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
    const std::size_t got = ReadBytes(file_, piece, want);
    if (got == 0) return false;
    unread_ -= got;
    if (decrypt_ != nullptr) decrypt_(context_, piece, got);
    end = piece + got;
    return true;
}

}  // namespace quillory::zip
