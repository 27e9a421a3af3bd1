// Copying a stored (-lh0-) member: its bytes pass unchanged from the archive to the
// output file (or nowhere, to test) in 32 KiB pieces with the running CRC-16. It never
// reads past the member's own data, so a member claiming more than it holds comes up
// short instead of copying the following members. A requested stop is honoured before
// each piece.
#pragma once

#include <cstdint>
#include <memory_resource>

#include "common/extract_callback.h"
#include "platform/file.h"

namespace quillory::lzh {

enum class CopyOutcome {
    Ok,            // every byte arrived and was written
    ShortRead,     // the member's data (or the archive) ended first
    OutputFailed,  // the output file took fewer bytes than it was given
    Stopped,       // a stop was requested before a piece
};

struct CopyResult {
    CopyOutcome outcome;
    std::uint64_t copied;  // bytes passed on in whole pieces
    std::uint16_t crc;     // CRC-16 of those bytes
};

// Piece size of the copy; the buffer comes from memory and is released at once.
inline constexpr std::size_t kStoredCopyBytes = 32 * 1024;

// Copies size bytes from the input's position, of which at most dataBytes belong to
// the member. progress, when given, hears of each piece as it is copied.
CopyResult CopyStored(platform::FileHandle output, platform::FileHandle input, std::uint32_t size,
                      std::uint32_t dataBytes, std::pmr::memory_resource* memory,
                      ExtractCallback* progress = nullptr);

}  // namespace quillory::lzh
