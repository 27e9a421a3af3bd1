// The decoders of PMarc's (MSX, CP/M) compressed methods. -pm1-: runs of literals and
// copies with fixed codes that widen as the output grows, up to a 16 KiB reach; -pm2-:
// a small Huffman code of step kinds, sent at the start and replaced at fixed points of
// the output, and copies within an 8 KiB dictionary. Both code literals as positions in
// a list of byte values ordered by their last use. They refuse codes that name nothing
// and copies from before the first byte.
#pragma once

#include <cstdint>

#include "lzh/lzh_decoder.h"

namespace quillory::lzh {

// Decodes one -pm1- (kMethodPm1) or -pm2- (kMethodPm2) member.
DecodeResult DecodePmarc(int methodCode, const CodedMember& member);

}  // namespace quillory::lzh
