// Reduce (ZIP methods 2 to 5, compression factors 1 to 4), PKZIP 0.9's method: follower
// sets that code each byte by the one before it, under a DLE-escaped run-length and
// distance layer. Decodes to the listed size; refuses follower sets over 32 bytes and
// indices past a set's end. Matches that reach before the member read zeros there.
#pragma once

#include "zip/method_decoder.h"

namespace quillory::zip {

// factor: 1 to 4, the method less 1.
MethodResult DecodeReduce(const MethodParams& params, unsigned factor, InflateInput& input,
                          OutputWindow& window, MethodDecoders& decoders);

}  // namespace quillory::zip
