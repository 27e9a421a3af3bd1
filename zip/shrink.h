// Shrink (ZIP method 1), PKZIP 0.9 and 1.x's dynamic LZW: codes of 9 to 13 bits, the
// size raised only when the writer says so (code 256 then 1), leaf codes freed when it
// says so (256 then 2) and reused lowest first. Decodes to the listed size; refuses
// codes not in the table, prefixes that are free or run in a circle, and sizes past 13.
#pragma once

#include "zip/method_decoder.h"

namespace quillory::zip {

MethodResult DecodeShrink(const MethodParams& params, InflateInput& input, OutputWindow& window,
                          MethodDecoders& decoders);

}  // namespace quillory::zip
