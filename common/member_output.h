// Where a decoder hands a member's output, piece by piece and in order. The extraction
// behind it writes each piece to the member's file (or, testing, only counts it), reports
// the progress and answers a requested stop between two pieces; decoders know nothing
// of files, so they decode into memory as readily (tests, fuzzing).
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/extract_callback.h"
#include "platform/file.h"

namespace quillory {

class MemberOutput {
public:
    enum class Taken {
        Ok,
        Stopped,  // a stop was requested: the piece was not taken, decoding ends
        Failed,   // the file took fewer bytes than it was given
    };
    virtual Taken Put(const std::uint8_t* data, std::size_t size) = 0;

protected:
    ~MemberOutput() = default;
};

// The extraction's output: the member's file (or none, to test), each piece's size told
// to progress when given, a stop request answered before each piece.
class FileOutput final : public MemberOutput {
public:
    FileOutput(platform::FileHandle file, ExtractCallback* progress)
        : file_(file), progress_(progress) {}

    Taken Put(const std::uint8_t* data, std::size_t size) override;

private:
    platform::FileHandle file_;
    ExtractCallback* progress_;
};

}  // namespace quillory
