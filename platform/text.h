// UTF-16 text as the program holds it, and its conversions to and from UTF-8.
// Inside the program every name and path is UTF-16 (char16_t); UTF-8 exists only at the
// host boundary (file system, terminal) and for ZIP names flagged as UTF-8.
// Malformed input never fails a conversion: each bad unit becomes U+FFFD (in names from
// archives, a stand-in that keeps the byte's value).
#pragma once

#include <cstddef>
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

// A stored name's byte that its encoding rejects, made visible and kept distinct: U+FFFD
// followed by the byte's value in two uppercase hexadecimal digits ("\uFFFD81"). Never a
// folder separator; as no decoded character is U+FFFD itself (see below), a name maps
// back to its bytes, so two different stored names never become one file name.
void AppendByteStandIn(WString& out, unsigned char byte);

// Decodes a UTF-8 name stored in an archive: as Utf8ToWide, but every byte that is not
// part of a valid sequence becomes its stand-in, and so does each byte of a U+FFFD that
// is stored as such.
WString Utf8NameToWide(std::string_view utf8);

// Encodes UTF-16; an unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(WStringView wide);

// ASCII-only convenience for literals in code and tests.
WString AsciiToWide(std::string_view ascii);

// The pieces of both conversions, for conversions that treat bad input their own way
// (host paths keep it). One step of decoding at utf8[at]: a code point and the bytes it
// took, or kNotUtf8 and the bytes of one malformed sequence (a bad lead byte alone, a
// cut sequence with what it had, an overlong form or an encoded surrogate whole).
inline constexpr char32_t kNotUtf8 = 0xFFFFFFFF;
struct Utf8Step {
    char32_t codePoint;
    std::size_t length;
};
Utf8Step DecodeUtf8At(std::string_view utf8, std::size_t at);
void AppendUtf16(WString& out, char32_t codePoint);
void AppendUtf8(std::string& out, char32_t codePoint);

inline bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
inline bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Characters that control a terminal or the direction of text rather than show: C0,
// DEL, C1, and the bidirectional embeddings, overrides and isolates. Names from archives
// never show them as they are.
inline bool IsControlCharacter(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

}  // namespace platform
}  // namespace quillory
