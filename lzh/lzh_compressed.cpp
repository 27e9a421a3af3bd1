// The method-number-to-decoder table for compressed members: -lh1-/-lh2-, -lh3-,
// LArc's and PMarc's methods, and the static-Huffman family for the rest. Stored and
// unsupported methods never reach it.
#include "lzh/lzh_compressed.h"

#include "lzh/lzh_adaptive_decoder.h"
#include "lzh/lzh_larc_decoder.h"
#include "lzh/lzh_lh3_decoder.h"
#include "lzh/lzh_method.h"
#include "lzh/lzh_pmarc_decoder.h"

namespace quillory::lzh {

DecodeResult DecodeCompressed(int methodCode, const CodedMember& member) {
    switch (methodCode) {
        case kMethodLh1:
        case kMethodLh2:
            return DecodeAdaptive(methodCode, member);
        case kMethodLh3:
            return DecodeLh3(member);
        case kMethodLzs:
        case kMethodLz5:
            return DecodeLarc(methodCode, member);
        case kMethodPm1:
        case kMethodPm2:
            return DecodePmarc(methodCode, member);
        default:
            return DecodeStatic(methodCode, member);
    }
}

}  // namespace quillory::lzh
