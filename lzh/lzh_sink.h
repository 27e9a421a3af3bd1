// Where a decoder's output goes: the running CRC-16, then the output file when there is
// one (none in test mode). Each piece handed to it is a point where a requested stop
// (platform/stop_request.h) is honoured, in tests too; it never writes a piece twice.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/checksums.h"
#include "common/output_files.h"
#include "lzh/lzh_decoder.h"
#include "platform/file.h"
#include "platform/stop_request.h"

namespace quillory::lzh {

struct Sink {
    platform::FileHandle file = platform::kInvalidFileHandle;
    ExtractCallback* progress = nullptr;  // hears of each piece, when given
    std::uint16_t crc = 0;

    DecodeOutcome Put(const std::uint8_t* data, std::size_t count) {
        if (platform::StopRequested()) return DecodeOutcome::Stopped;
        crc = Crc16Update(crc, data, count);
        if (file != platform::kInvalidFileHandle && WriteBytes(file, data, count) != count) {
            return DecodeOutcome::OutputFailed;
        }
        if (progress != nullptr) progress->OutputProduced(count);
        return DecodeOutcome::Ok;
    }
};

}  // namespace quillory::lzh
