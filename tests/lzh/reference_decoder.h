// A plain static-Huffman decoder for differential tests: a 16-bit bit buffer filled a
// bit group at a time, one table look-up then a walk down a binary tree, a dictionary
// written out each time it fills. Slow on purpose, and written step by step from the
// format's description, with the same refusals as the real decoder (tables that would
// lead outside their arrays, streams that use more bits than the member's data).
#pragma once

#include <cstdint>

#include "tests/support/test_support.h"

namespace quillory::testing {

struct ReferenceResult {
    bool completed = false;
    std::uint16_t crc = 0;  // when completed
    Bytes written;          // what a decoder writing its dictionary would have written
};

// data: the member's compressed bytes as far as the archive holds them.
ReferenceResult ReferenceDecode(int method, const Bytes& data, std::uint32_t originalSize);

}  // namespace quillory::testing
