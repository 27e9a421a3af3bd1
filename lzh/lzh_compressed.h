// Decodes a compressed member with the decoder its method needs: the static-Huffman
// family (-lh4- to -lh7-, -lhx-), LHarc's and early LHA's adaptive methods (-lh1-,
// -lh2-), -lh3-, LArc's -lzs-/-lz5- and PMarc's -pm1-/-pm2-. Every one ends at exactly
// the member's original size, checksums what it produced, and refuses streams that need
// more data than the member holds.
#pragma once

#include <cstdint>

#include "common/extract_callback.h"
#include "lzh/lzh_decoder.h"
#include "platform/file.h"

namespace quillory::lzh {

// methodCode is a compressed method of lzh_method.h (not stored, not unsupported).
// progress, when given, hears of each piece of output as the decoder produces it.
DecodeResult DecodeCompressed(int methodCode, platform::FileHandle input,
                              platform::FileHandle output, std::uint32_t compressedSize,
                              std::uint32_t originalSize, ExtractCallback* progress = nullptr);

}  // namespace quillory::lzh
