// The decoders of LHarc's -lh1- (adaptive Huffman coding of literals and match
// lengths, a fixed code for the top six bits of a position, 4 KiB dictionary) and of
// early LHA's -lh2- (adaptive codes for both, the position code growing a symbol per 64
// bytes of output, 8 KiB dictionary). They refuse streams that need more bits than the
// member's data holds, and match lengths no encoder writes.
#pragma once

#include <cstdint>

#include "lzh/lzh_decoder.h"

namespace quillory::lzh {

// Decodes one -lh1- (kMethodLh1) or -lh2- (kMethodLh2) member.
DecodeResult DecodeAdaptive(int methodCode, const CodedMember& member);

}  // namespace quillory::lzh
