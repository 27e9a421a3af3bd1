// The methods decoded by Debian's well-kept libraries, LZMA (14) and xz (95) through
// liblzma and Zstandard (93) through libzstd, and bzip2 (12) by its own decoder
// (zip/bzip2_decoder.h). Each call decodes one member straight into the output window, a
// step of at most kStepBytes at a time; none keeps anything of a member in its work area
// but reusable state.
#pragma once

#include "zip/method_decoder.h"

namespace quillory::zip {

MethodResult DecodeLzma(const MethodParams& params, InflateInput& input, OutputWindow& window,
                        MethodDecoders& decoders);
MethodResult DecodeXz(InflateInput& input, OutputWindow& window, MethodDecoders& decoders);
MethodResult DecodeBzip2(InflateInput& input, OutputWindow& window, MethodDecoders& decoders);
MethodResult DecodeZstd(InflateInput& input, OutputWindow& window, MethodDecoders& decoders);

}  // namespace quillory::zip
