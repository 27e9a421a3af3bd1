// The decoders of LHarc's -lh1- (adaptive Huffman coding of literals and match
// lengths, a fixed code for the top six bits of a position, 4 KiB dictionary) and of
// early LHA's -lh2- (adaptive codes for both, the position code growing a symbol per 64
// bytes of output, 8 KiB dictionary). They refuse streams that need more bits than the
// member's data holds, and match lengths no encoder writes.
#pragma once

#include <cstdint>

#include "common/extract_callback.h"
#include "lzh/lzh_decoder.h"
#include "platform/file.h"

namespace quillory::lzh {

// Decodes one -lh1- (kMethodLh1) or -lh2- (kMethodLh2) member whose data starts at the
// input's position; output may be the invalid handle (test mode).
DecodeResult DecodeAdaptive(int methodCode, platform::FileHandle input, platform::FileHandle output,
                            std::uint32_t compressedSize, std::uint32_t originalSize,
                            ExtractCallback* progress = nullptr);

}  // namespace quillory::lzh
