// Copies a stored member from the archive to the output in 32 KiB pieces with the
// running CRC-16, checking for a stop before each piece. It never reads past the member's
// own data: a member claiming more than it holds comes up short.
#include "lzh/lzh_stored.h"

#include <algorithm>

#include "common/checksums.h"
#include "common/output_files.h"
#include "lzh/lzh_scratch_buffer.h"
#include "platform/stop_request.h"

namespace quillory::lzh {

CopyResult CopyStored(platform::FileHandle output, platform::FileHandle input, std::uint32_t size,
                      std::uint32_t dataBytes, std::pmr::memory_resource* memory,
                      ExtractCallback* progress) {
    const ScratchBuffer scratch(memory, kStoredCopyBytes);
    std::uint8_t* const buffer = scratch.data();
    CopyResult result{CopyOutcome::Ok, 0, 0};
    std::uint64_t left = std::min(size, dataBytes);
    while (left > 0) {
        if (platform::StopRequested()) {
            result.outcome = CopyOutcome::Stopped;
            break;
        }
        const std::size_t piece =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, kStoredCopyBytes));
        if (ReadBytes(input, buffer, piece) != piece) {
            result.outcome = CopyOutcome::ShortRead;
            break;
        }
        if (output != platform::kInvalidFileHandle && WriteBytes(output, buffer, piece) != piece) {
            result.outcome = CopyOutcome::OutputFailed;
            break;
        }
        result.crc = Crc16Update(result.crc, buffer, piece);
        result.copied += piece;
        left -= piece;
        if (progress != nullptr) progress->OutputProduced(piece);
    }
    if (result.outcome == CopyOutcome::Ok && size > dataBytes) {
        result.outcome = CopyOutcome::ShortRead;
    }
    return result;
}

}  // namespace quillory::lzh
