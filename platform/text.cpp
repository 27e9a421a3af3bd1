// UTF-8 <-> UTF-16 conversion without locale or library state.
#include "platform/text.h"

#include <cstdint>

namespace quillory::platform {
namespace {

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

}  // namespace

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

Utf8Step DecodeUtf8At(std::string_view utf8, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    const unsigned char c = p[at];
    if (c < 0x80) return {c, 1};
    std::size_t extra;
    char32_t cp;
    char32_t minimum;
    if ((c & 0xE0) == 0xC0) {
        extra = 1, cp = c & 0x1F, minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2, cp = c & 0x0F, minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3, cp = c & 0x07, minimum = 0x10000;
    } else {
        return {kNotUtf8, 1};
    }
    std::size_t taken = 0;
    while (taken < extra && at + 1 + taken < n && IsContinuation(p[at + 1 + taken])) {
        cp = (cp << 6) | (p[at + 1 + taken] & 0x3F);
        ++taken;
    }
    // A cut sequence is one bad sequence: the lead and what followed it.
    if (taken < extra) return {kNotUtf8, 1 + taken};
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return {kNotUtf8, 1 + extra};
    }
    return {cp, 1 + extra};
}

WString Utf8ToWide(std::string_view utf8) {
    WString out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const Utf8Step step = DecodeUtf8At(utf8, i);
        AppendUtf16(out, step.codePoint == kNotUtf8 ? kReplacementChar : step.codePoint);
        i += step.length;
    }
    return out;
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
