// UTF-8 <-> UTF-16 conversion without locale or library state. A malformed unit never
// fails a conversion: it becomes U+FFFD, or in archive names a stand-in that keeps the
// byte's value.
#include "platform/text.h"

#include <cstdint>

namespace quillory::platform {

void AppendUtf16(WString& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

namespace {

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// One UTF-8 sequence at the start of p[0..n): its code point and length, or nothing for
// an invalid lead, a truncated sequence, an overlong form, a surrogate or a value past
// U+10FFFF (then `taken` is how many bytes the bad sequence spans).
bool DecodeSequence(const unsigned char* p, std::size_t n, char32_t* cp, std::size_t* taken) {
    const unsigned char c = p[0];
    int extra;
    char32_t minimum;
    if ((c & 0xE0) == 0xC0) {
        extra = 1, *cp = c & 0x1F, minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2, *cp = c & 0x0F, minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3, *cp = c & 0x07, minimum = 0x10000;
    } else {
        *taken = 1;
        return false;
    }
    std::size_t got = 0;
    while (got < static_cast<std::size_t>(extra) && 1 + got < n && IsContinuation(p[1 + got])) {
        *cp = (*cp << 6) | (p[1 + got] & 0x3F);
        ++got;
    }
    *taken = 1 + got;
    if (got < static_cast<std::size_t>(extra)) return false;
    return *cp >= minimum && *cp <= 0x10FFFF && (*cp < 0xD800 || *cp > 0xDFFF);
}

}  // namespace

Utf8Step DecodeUtf8At(std::string_view utf8, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data()) + at;
    if (p[0] < 0x80) return {p[0], 1};
    char32_t cp = 0;
    std::size_t taken = 0;
    const bool valid = DecodeSequence(p, utf8.size() - at, &cp, &taken);
    return {valid ? cp : kNotUtf8, taken};
}

void AppendByteStandIn(WString& out, unsigned char byte) {
    constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";
    out.push_back(kReplacementChar);
    out.push_back(kHexDigits[byte >> 4]);
    out.push_back(kHexDigits[byte & 0x0F]);
}

namespace {

// UTF-8 decoding; with standIns, every byte outside a valid sequence (and each byte of a
// stored U+FFFD) becomes its stand-in, else each bad sequence is one U+FFFD.
WString DecodeUtf8(std::string_view utf8, bool standIns) {
    WString out;
    out.reserve(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            out.push_back(p[i++]);
            continue;
        }
        char32_t cp = 0;
        std::size_t taken = 0;
        const bool valid = DecodeSequence(p + i, n - i, &cp, &taken);
        if (!standIns) {
            // A truncated sequence is one replacement for the lead and what followed it.
            AppendUtf16(out, valid ? cp : kReplacementChar);
        } else if (valid && cp != kReplacementChar) {
            AppendUtf16(out, cp);
        } else if (valid) {
            // A stored U+FFFD is spelt byte by byte, so that no stand-in is ambiguous.
            for (std::size_t k = 0; k < taken; ++k)
                AppendByteStandIn(out, p[i + k]);
        } else {
            // Only the bad byte itself: what follows it is decoded afresh.
            taken = 1;
            AppendByteStandIn(out, p[i]);
        }
        i += taken;
    }
    return out;
}

}  // namespace

WString Utf8ToWide(std::string_view utf8) {
    return DecodeUtf8(utf8, false);
}

WString Utf8NameToWide(std::string_view utf8) {
    return DecodeUtf8(utf8, true);
}

std::string WideToUtf8(WStringView wide) {
    std::string out;
    out.reserve(wide.size() * 3);
    const std::size_t n = wide.size();
    for (std::size_t i = 0; i < n; ++i) {
        char32_t cp = wide[i];
        if (IsHighSurrogate(cp) && i + 1 < n && IsLowSurrogate(wide[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacementChar;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

WString AsciiToWide(std::string_view ascii) {
    WString out;
    out.reserve(ascii.size());
    for (const char c : ascii)
        out.push_back(static_cast<unsigned char>(c));
    return out;
}

}  // namespace quillory::platform
