// The decoder of early LHA's -lh3-: LZ77 over an 8 KiB dictionary, coded in blocks
// whose static Huffman tables come first (286 literal and length codes, the last one
// extended by 8 bits; 128 codes for the top seven bits of a position, sent or taken
// from a fixed table). It refuses tables that do not form a code, lengths no encoder
// writes, and streams that need more bits than the member's data holds.
#pragma once

#include <cstdint>

#include "lzh/lzh_decoder.h"

namespace quillory::lzh {

// Decodes one -lh3- member.
DecodeResult DecodeLh3(const CodedMember& member);

}  // namespace quillory::lzh
