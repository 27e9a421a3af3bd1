// Decodes a compressed member with the decoder its method needs: the static-Huffman
// family (-lh4- to -lh7-, -lhx-), LHarc's and early LHA's adaptive methods (-lh1-,
// -lh2-), -lh3-, LArc's -lzs-/-lz5- and PMarc's -pm1-/-pm2-. Every one ends at exactly
// the member's original size, checksums what it produced, and refuses streams that need
// more data than the member holds.
#pragma once

#include <cstdint>

#include "lzh/lzh_decoder.h"

namespace quillory::lzh {

// methodCode is a compressed method of lzh_method.h (not stored, not unsupported).
DecodeResult DecodeCompressed(int methodCode, const CodedMember& member);

}  // namespace quillory::lzh
