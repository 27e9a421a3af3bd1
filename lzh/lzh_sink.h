// Where a decoder's output goes: the running CRC-16, then the member's output, which
// writes it (or, testing, only counts it) and may refuse it when a stop was requested.
// Each piece is passed on once, in order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/checksums.h"
#include "common/member_output.h"
#include "lzh/lzh_decoder.h"

namespace quillory::lzh {

struct Sink {
    MemberOutput* output = nullptr;
    std::uint16_t crc = 0;

    DecodeOutcome Put(const std::uint8_t* data, std::size_t count) {
        switch (output->Put(data, count)) {
            case MemberOutput::Taken::Ok:
                crc = Crc16Update(crc, data, count);
                return DecodeOutcome::Ok;
            case MemberOutput::Taken::Stopped:
                return DecodeOutcome::Stopped;
            case MemberOutput::Taken::Failed:
                break;
        }
        return DecodeOutcome::OutputFailed;
    }
};

}  // namespace quillory::lzh
