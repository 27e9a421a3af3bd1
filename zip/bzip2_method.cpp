// bzip2 (method 12): the member's data is one whole bzip2 stream, decoded by
// zip/bzip2_decoder.h in the work area kept for this reader's next bzip2 member.
#include "zip/bzip2_decoder.h"
#include "zip/library_methods.h"

namespace quillory::zip {

MethodResult DecodeBzip2(InflateInput& input, OutputWindow& window, MethodDecoders& decoders) {
    Bzip2Work* work = decoders.WorkIn<Bzip2Work>(MethodDecoders::kBzip2);
    if (work == nullptr) return MethodResult::OutOfMemory;
    return work->Decode(input, window);
}

}  // namespace quillory::zip
