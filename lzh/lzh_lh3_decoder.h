// The decoder of early LHA's -lh3-: LZ77 over an 8 KiB dictionary, coded in blocks
// whose static Huffman tables come first (286 literal and length codes, the last one
// extended by 8 bits; 128 codes for the top seven bits of a position, sent or taken
// from a fixed table). It refuses tables that do not form a code, lengths no encoder
// writes, and streams that need more bits than the member's data holds.
#pragma once

#include <cstdint>

#include "common/extract_callback.h"
#include "lzh/lzh_decoder.h"
#include "platform/file.h"

namespace quillory::lzh {

// Decodes one -lh3- member whose data starts at the input's position; output may be
// the invalid handle (test mode).
DecodeResult DecodeLh3(platform::FileHandle input, platform::FileHandle output,
                       std::uint32_t compressedSize, std::uint32_t originalSize,
                       ExtractCallback* progress = nullptr);

}  // namespace quillory::lzh
