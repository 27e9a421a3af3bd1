// The "ANSI code page": the 8-bit encoding of names and passwords inside archives.
// CP932 (Shift-JIS as Windows writes it) unless the program chose another at run time
// (SetAnsiCodePage) or the environment variable QUILLORY_CODEPAGE names one: any iconv
// encoding (for example CP437 or CP1252), or UTF-8, which is decoded by the program's own
// UTF-8 decoder. Conversions never fail: bytes the code page rejects become stand-ins
// (platform/text.h), so a non-empty name never converts to an empty one.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace quillory::platform {

// The encoding in use, as iconv names it (in capitals; "UTF-8" for UTF-8).
const std::string& AnsiCodePageName();

// Chooses the code page for every thread from now on, over QUILLORY_CODEPAGE; an empty
// name goes back to the environment's (or the default). False, and nothing changes, for
// an encoding the host does not know.
bool SetAnsiCodePage(std::string_view name);

// Decodes bytes of the ANSI code page. Conversion stops at the first 0 byte.
WString AnsiToWide(std::string_view bytes);

// Encodes text in the ANSI code page; characters it cannot represent become "?".
std::string WideToAnsi(WStringView text);

}  // namespace quillory::platform
