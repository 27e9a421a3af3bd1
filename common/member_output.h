// Where a decoder hands a member's output, piece by piece and in order. The extraction
// behind it writes each piece to the member's file (or, testing, only counts it), reports
// the progress and answers a requested stop between two pieces; decoders know nothing
// of files, so they decode into memory as readily (tests, fuzzing).
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/member_run.h"
#include "platform/output_file.h"

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
// to the run's callback, the run's stop answered before each piece. After a failed
// write, the file's error() says why.
class FileOutput final : public MemberOutput {
public:
    // file: null when testing.
    FileOutput(platform::OutputFile* file, const MemberRun& run) : file_(file), run_(run) {}

    Taken Put(const std::uint8_t* data, std::size_t size) override;

private:
    platform::OutputFile* file_;
    const MemberRun& run_;
};

}  // namespace quillory
