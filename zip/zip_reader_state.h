// The ZIP reader's work areas: the end-record scan buffer, the extra-field buffer, the
// member input stream, the output window and the inflate engine with its cached fixed
// tables, the remembered password and the member cipher. One set per reader, reused from
// member to member; nothing here is shared between two readers.
#pragma once

#include <cstdint>
#include <vector>

#include "crypto/remembered_password.h"
#include "zip/inflate.h"
#include "zip/input_stream.h"
#include "zip/member_cipher.h"
#include "zip/output_window.h"

namespace quillory::zip {

struct ZipReaderState {
    std::vector<std::uint8_t> scanBuffer;
    std::vector<std::uint8_t> extraBuffer;
    ZipInputStream input;
    OutputWindow window;
    InflateEngine inflate;
    // The password survives from member to member (Open marks it to be emptied); the
    // cipher state is begun afresh for every member.
    RememberedPassword password;
    MemberCipher cipher;
};

}  // namespace quillory::zip
