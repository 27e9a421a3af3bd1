// The decoders of LArc's two compressed methods, plain LZSS without Huffman coding:
// -lzs- (a 2 KiB dictionary, each step a flag bit then a literal byte or an 11-bit
// position and a 4-bit length) and -lz5- (a 4 KiB dictionary preset with runs and
// ramps of every byte value, steps in groups of eight behind a flag byte). Matches name
// absolute positions in a ring that starts part-way through. They refuse streams that
// need more bytes than the member's data holds.
#pragma once

#include <cstdint>

#include "lzh/lzh_decoder.h"

namespace quillory::lzh {

// Decodes one -lzs- (kMethodLzs) or -lz5- (kMethodLz5) member.
DecodeResult DecodeLarc(int methodCode, const CodedMember& member);

}  // namespace quillory::lzh
