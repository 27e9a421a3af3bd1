// Code page conversions through iconv, with an ASCII fast path; UTF-8 through the
// program's own decoder. iconv's converters carry state, so each thread keeps its own
// pair per code page, opened at first use: a cache, which changes no result.
#include "platform/codepage.h"

#include <iconv.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

namespace quillory::platform {
namespace {

constexpr const char* kDefaultCodePage = "CP932";
constexpr const char* kWideEncoding = "UTF-16LE";
constexpr const char* kUtf8 = "UTF-8";

std::string Canonical(std::string_view name) {
    std::string upper(name);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper == "UTF8" ? kUtf8 : upper;
}

bool IsShiftJisName(const std::string& name) {
    return name == "CP932" || name == "SHIFT_JIS" || name == "SHIFT-JIS" || name == "SJIS" ||
           name == "WINDOWS-31J" || name == "MS_KANJI";
}

bool IsShiftJisLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool IsShiftJisTrail(unsigned char c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

class Converter {
public:
    // name: canonical, and one the host knows (or UTF-8).
    explicit Converter(const std::string& name) : utf8_(name == kUtf8) {
        if (!utf8_) {
            toWide_ = iconv_open(kWideEncoding, name.c_str());
            fromWide_ = iconv_open(name.c_str(), kWideEncoding);
        }
        shiftJis_ = IsShiftJisName(name);
        asciiCompatible_ = utf8_ || CheckAsciiCompatible();
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() { CloseAll(); }

    WString ToWide(std::string_view bytes) {
        if (utf8_) return Utf8NameToWide(bytes);
        WString out;
        if (asciiCompatible_ && IsAscii(bytes)) {
            out.assign(bytes.begin(), bytes.end());
            return out;
        }
        if (toWide_ == Invalid()) {  // no iconv at all: Latin-1 keeps every byte visible
            out.assign(bytes.begin(), bytes.end());
            return out;
        }
        iconv(toWide_, nullptr, nullptr, nullptr, nullptr);
        std::string buffer(bytes.size() * 4 + 8, '\0');
        const char* in = bytes.data();
        std::size_t inLeft = bytes.size();
        while (inLeft > 0) {
            char* outPtr = buffer.data();
            std::size_t outLeft = buffer.size();
            const std::size_t result =
                iconv(toWide_, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
            AppendUtf16(out, buffer.data(), buffer.size() - outLeft);
            if (result != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) continue;
            // A byte the code page rejects (EILSEQ) or an incomplete sequence at the end
            // (EINVAL): each byte becomes its stand-in, so that different names stay
            // different. In Shift-JIS an invalid pair is taken whole, so that a trail
            // byte 0x5C never turns into a folder separator.
            std::size_t skip = 1;
            if (shiftJis_ && inLeft >= 2 && IsShiftJisLead(static_cast<unsigned char>(in[0])) &&
                IsShiftJisTrail(static_cast<unsigned char>(in[1]))) {
                skip = 2;
            }
            if (errno == EINVAL) skip = inLeft;
            for (std::size_t k = 0; k < skip; ++k)
                AppendByteStandIn(out, static_cast<unsigned char>(in[k]));
            in += skip;
            inLeft -= skip;
            iconv(toWide_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

    std::string FromWide(WStringView text) {
        if (utf8_) return WideToUtf8(text);
        std::string out;
        bool ascii = true;
        for (const char16_t c : text)
            ascii = ascii && c < 0x80;
        if (ascii && asciiCompatible_) {
            for (const char16_t c : text)
                out.push_back(static_cast<char>(c));
            return out;
        }
        if (fromWide_ == Invalid()) {
            for (const char16_t c : text)
                out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
            return out;
        }
        // Convert one code point at a time so that an unmappable one becomes "?".
        std::size_t i = 0;
        while (i < text.size()) {
            std::size_t units = 1;
            if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() &&
                text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                units = 2;
            }
            char in[4];
            for (std::size_t k = 0; k < units; ++k) {
                in[2 * k] = static_cast<char>(text[i + k] & 0xFF);
                in[2 * k + 1] = static_cast<char>(text[i + k] >> 8);
            }
            char encoded[16];
            char* inPtr = in;
            std::size_t inLeft = units * 2;
            char* outPtr = encoded;
            std::size_t outLeft = sizeof encoded;
            iconv(fromWide_, nullptr, nullptr, nullptr, nullptr);
            if (iconv(fromWide_, &inPtr, &inLeft, &outPtr, &outLeft) ==
                static_cast<std::size_t>(-1)) {
                out.push_back('?');
            } else {
                out.append(encoded, sizeof encoded - outLeft);
            }
            i += units;
        }
        return out;
    }

private:
    static iconv_t Invalid() { return reinterpret_cast<iconv_t>(-1); }

    static bool IsAscii(std::string_view bytes) {
        for (const char c : bytes) {
            if (static_cast<unsigned char>(c) >= 0x80) return false;
        }
        return true;
    }

    static void AppendUtf16(WString& out, const char* bytes, std::size_t count) {
        for (std::size_t i = 0; i + 1 < count; i += 2) {
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        }
    }

    // True when bytes 0x01..0x7F decode to the same code points, so ASCII names can skip
    // iconv. CP932 maps 0x5C to "\" and 0x7E to "~", as Windows does.
    bool CheckAsciiCompatible() {
        if (toWide_ == Invalid()) return true;
        char in[127];
        for (int i = 0; i < 127; ++i)
            in[i] = static_cast<char>(i + 1);
        char outBuf[127 * 4];
        char* inPtr = in;
        std::size_t inLeft = sizeof in;
        char* outPtr = outBuf;
        std::size_t outLeft = sizeof outBuf;
        iconv(toWide_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(toWide_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            return false;
        }
        WString decoded;
        AppendUtf16(decoded, outBuf, sizeof outBuf - outLeft);
        if (decoded.size() != 127) return false;
        for (int i = 0; i < 127; ++i) {
            if (decoded[static_cast<std::size_t>(i)] != static_cast<char16_t>(i + 1)) return false;
        }
        return true;
    }

    void CloseAll() {
        if (toWide_ != Invalid()) iconv_close(toWide_);
        if (fromWide_ != Invalid()) iconv_close(fromWide_);
        toWide_ = fromWide_ = Invalid();
    }

    bool utf8_ = false;
    iconv_t toWide_ = Invalid();
    iconv_t fromWide_ = Invalid();
    bool shiftJis_ = false;
    bool asciiCompatible_ = true;
};

Converter& ThreadConverter(const std::string& name) {
    thread_local std::map<std::string, std::unique_ptr<Converter>> converters;
    std::unique_ptr<Converter>& converter = converters[name];
    if (converter == nullptr) converter = std::make_unique<Converter>(name);
    return *converter;
}

bool HostKnows(const std::string& name) {
    if (name == kUtf8) return true;
    const iconv_t probe = iconv_open(kWideEncoding, name.c_str());
    if (probe == reinterpret_cast<iconv_t>(-1)) return false;
    iconv_close(probe);
    return true;
}

}  // namespace

CodePage CodePage::FromEnvironment() {
    const char* env = std::getenv("QUILLORY_CODEPAGE");
    if (env != nullptr && *env != '\0') {
        if (auto named = Named(env)) return *named;
    }
    return CodePage(kDefaultCodePage);
}

std::optional<CodePage> CodePage::Named(std::string_view name) {
    std::string canonical = Canonical(name);
    if (canonical.empty() || !HostKnows(canonical)) return std::nullopt;
    return CodePage(std::move(canonical));
}

WString CodePage::ToWide(std::string_view bytes) const {
    const std::size_t end = bytes.find('\0');
    if (end != std::string_view::npos) bytes = bytes.substr(0, end);
    return ThreadConverter(name_).ToWide(bytes);
}

std::string CodePage::FromWide(WStringView text) const {
    return ThreadConverter(name_).FromWide(text);
}

}  // namespace quillory::platform
