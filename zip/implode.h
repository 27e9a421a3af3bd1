// Implode (ZIP method 6), PKZIP 1.x's sliding dictionary of 4 KiB or 8 KiB (flag bit
// 1) coded with two or three Shannon-Fano trees (flag bit 2: literals coded too). Decodes
// to the listed size; refuses trees that do not fill their code space exactly. Matches
// that reach before the member read zeros there, as APPNOTE defines them.
#pragma once

#include "zip/method_decoder.h"

namespace quillory::zip {

MethodResult DecodeImplode(const MethodParams& params, InflateInput& input, OutputWindow& window,
                           MethodDecoders& decoders);

}  // namespace quillory::zip
