// Copying a stored (-lh0-) member: its bytes pass unchanged from the archive to the
// member's output in 32 KiB pieces with the running CRC-16. It never reads past the
// member's own data, so a member claiming more than it holds comes up short instead of
// copying the following members. The output may stop it between two pieces.
#pragma once

#include <cstdint>

#include "lzh/lzh_decoder.h"

namespace quillory::lzh {

enum class CopyOutcome {
    Ok,            // every byte arrived and was taken
    ShortRead,     // the member's data (or the archive) ended first
    OutputFailed,  // the output file took fewer bytes than it was given
    Stopped,       // the output refused a piece: a stop was requested
};

struct CopyResult {
    CopyOutcome outcome;
    std::uint64_t copied;  // bytes passed on in whole pieces
    std::uint16_t crc;     // CRC-16 of those bytes
};

// Piece size of the copy.
inline constexpr std::size_t kStoredCopyBytes = 32 * 1024;

// Copies member.originalSize bytes, of which at most member.compressedSize belong to the
// member, from the member's data to its output.
CopyResult CopyStored(const CodedMember& member);

}  // namespace quillory::lzh
