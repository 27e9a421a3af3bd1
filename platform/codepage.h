// The 8-bit encodings of names and passwords inside archives (the Windows "ANSI code
// page"): CP932 (Shift-JIS as Windows writes it) unless the environment variable
// QUILLORY_CODEPAGE names another; an open archive holds its own, which the user may
// choose. Any iconv encoding (for example CP437 or CP1252), or UTF-8, which is decoded
// by the program's own UTF-8 decoder. Conversions never fail: bytes the code page
// rejects become stand-ins (platform/text.h), so a non-empty name never converts to an
// empty one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace quillory::platform {

class CodePage {
public:
    // QUILLORY_CODEPAGE's encoding when the host knows it, else CP932.
    static CodePage FromEnvironment();
    // The encoding of that name (iconv's names in any case, "UTF-8" or "UTF8"); nothing
    // for one the host does not know.
    static std::optional<CodePage> Named(std::string_view name);

    // As iconv names it, in capitals ("UTF-8" for UTF-8).
    const std::string& name() const { return name_; }

    // Decodes bytes; the conversion stops at the first 0 byte.
    WString ToWide(std::string_view bytes) const;
    // Encodes text; characters the code page cannot represent become "?".
    std::string FromWide(WStringView text) const;

    friend bool operator==(const CodePage&, const CodePage&) = default;

private:
    explicit CodePage(std::string name) : name_(std::move(name)) {}
    std::string name_;
};

}  // namespace quillory::platform
