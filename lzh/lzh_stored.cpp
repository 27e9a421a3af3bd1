// Copies a stored member from the archive to the output in 32 KiB pieces with the
// running CRC-16, read into a work area (or, from memory, passed on where they lie). It
// never reads past the member's own data: a member claiming more than it holds comes up
// short.
#include "lzh/lzh_stored.h"

#include <algorithm>

#include "lzh/lzh_sink.h"

namespace quillory::lzh {
namespace {

struct Workspace {
    std::uint8_t piece[kStoredCopyBytes];
};

}  // namespace

CopyResult CopyStored(const CodedMember& member) {
    const std::span<const std::uint8_t> memory = member.source.Bytes();
    std::uint8_t* const buffer = memory.empty() ? member.work.Get<Workspace>().piece : nullptr;
    Sink sink{&member.output};
    CopyResult result{CopyOutcome::Ok, 0, 0};
    std::uint64_t left = std::min(member.originalSize, member.compressedSize);
    std::uint64_t at = member.offset;
    while (left > 0) {
        const std::size_t piece =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, kStoredCopyBytes));
        const std::uint8_t* bytes = buffer;
        if (buffer == nullptr) {
            if (at > memory.size() || piece > memory.size() - at) {
                result.outcome = CopyOutcome::ShortRead;
                break;
            }
            bytes = memory.data() + at;
        } else if (member.source.ReadAt(at, buffer, piece) != piece) {
            result.outcome = CopyOutcome::ShortRead;
            break;
        }
        const DecodeOutcome put = sink.Put(bytes, piece);
        if (put != DecodeOutcome::Ok) {
            result.outcome =
                put == DecodeOutcome::Stopped ? CopyOutcome::Stopped : CopyOutcome::OutputFailed;
            break;
        }
        result.copied += piece;
        at += piece;
        left -= piece;
    }
    result.crc = sink.crc;
    if (result.outcome == CopyOutcome::Ok && member.originalSize > member.compressedSize) {
        result.outcome = CopyOutcome::ShortRead;
    }
    return result;
}

}  // namespace quillory::lzh
