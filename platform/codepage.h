// The "ANSI code page": the 8-bit encoding of names and passwords inside archives.
// CP932 (Shift-JIS as Windows writes it) unless the environment variable
// QUILLORY_CODEPAGE names another iconv encoding (for example CP437 or CP1252).
// Conversions never fail: bytes the code page rejects become U+FFFD, so a non-empty
// name never converts to an empty one.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace quillory::platform {

// The encoding in use, as iconv names it.
const std::string& AnsiCodePageName();

// Decodes bytes of the ANSI code page. Conversion stops at the first 0 byte.
WString AnsiToWide(std::string_view bytes);

// Encodes text in the ANSI code page; characters it cannot represent become "?".
std::string WideToAnsi(WStringView text);

}  // namespace quillory::platform
