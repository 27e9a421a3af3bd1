// UTF-16 text as the program holds it, and its conversions to and from UTF-8.
// Inside the program every name and path is UTF-16 (char16_t); UTF-8 exists only at the
// host boundary (file system, terminal) and for ZIP names flagged as UTF-8.
// Malformed input never fails a conversion: each bad unit becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace quillory {

using WChar = char16_t;
using WString = std::u16string;
using WStringView = std::u16string_view;

inline constexpr char16_t kReplacementChar = u'\uFFFD';

namespace platform {

// Decodes UTF-8; invalid or truncated sequences, overlong forms and encoded surrogates
// each become one U+FFFD.
WString Utf8ToWide(std::string_view utf8);

// Encodes UTF-16; an unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(WStringView wide);

// ASCII-only convenience for literals in code and tests.
WString AsciiToWide(std::string_view ascii);

}  // namespace platform
}  // namespace quillory
