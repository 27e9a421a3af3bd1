// The work areas of one worker extracting ZIP members: the member input stream, the
// output window, the decoders' work areas (the inflate engine with its cached fixed
// tables among them) and the member cipher.
// A run's work areas hold one set, reused from member to member; nothing here is shared
// between two workers.
#pragma once

#include "zip/input_stream.h"
#include "zip/member_cipher.h"
#include "zip/method_decoder.h"
#include "zip/output_window.h"

namespace quillory::zip {

struct MemberWork {
    ZipInputStream input;
    OutputWindow window;
    MethodDecoders decoders;
    // Begun afresh for every member.
    MemberCipher cipher;
};

}  // namespace quillory::zip
