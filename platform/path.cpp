// Program paths to host paths and back, losslessly: host bytes that are no UTF-8 (or a
// "\" inside a name) travel as lone low surrogates, and the readable form shows them as
// escapes. Nothing else in the program converts paths.
#include "platform/path.h"

#include <unistd.h>

#include <climits>
#include <vector>

#include "platform/codepage.h"

namespace quillory::platform {
namespace {

// Lone low surrogates that stand for host bytes: U+DC5C for "\", U+DC80 .. U+DCFF for
// the bytes that can start or continue no UTF-8 sequence on their own.
constexpr char32_t kEscapeBase = 0xDC00;
constexpr char32_t kEscapedBackslash = kEscapeBase + '\\';

bool IsEscapedByte(char32_t c) {
    return c == kEscapedBackslash || (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF);
}

// True when unit i of the text is an unpaired low surrogate.
bool IsLoneLow(WStringView text, std::size_t i) {
    return IsLowSurrogate(text[i]) && (i == 0 || !IsHighSurrogate(text[i - 1]));
}

// One unit of the program path as the display shows it: a separator, an ordinary
// character (a surrogate pair counts as one), or a whole name holding escaped bytes
// other than "\", which only the code page can make readable.
struct Piece {
    std::size_t programEnd;
    std::size_t displayEnd;
};

bool HasEscapedNonAscii(WStringView name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] >= kEscapeBase + 0x80 && name[i] <= kEscapeBase + 0xFF && IsLoneLow(name, i))
            return true;
    }
    return false;
}

std::vector<Piece> DisplayPieces(WStringView program, WString* display) {
    std::vector<Piece> pieces;
    std::size_t i = 0;
    while (i < program.size()) {
        if (IsPathSeparator(program[i])) {
            display->push_back(u'/');
            pieces.push_back({++i, display->size()});
            continue;
        }
        std::size_t end = i;
        while (end < program.size() && !IsPathSeparator(program[end]))
            ++end;
        const WStringView name = program.substr(i, end - i);
        if (HasEscapedNonAscii(name)) {
            display->append(CodePage::FromEnvironment().ToWide(ToHostPath(name)));
            pieces.push_back({end, display->size()});
            i = end;
            continue;
        }
        while (i < end) {
            std::size_t next = i + 1;
            if (IsHighSurrogate(program[i]) && next < end && IsLowSurrogate(program[next])) ++next;
            // A low surrogate reached alone is unpaired: U+DC5C is a "\" inside a name.
            if (next == i + 1 && program[i] == kEscapedBackslash) {
                display->push_back(u'\\');
            } else {
                display->append(program.substr(i, next - i));
            }
            i = next;
            pieces.push_back({i, display->size()});
        }
    }
    return pieces;
}

}  // namespace

std::string ToHostPath(WStringView programPath) {
    std::string host;
    host.reserve(programPath.size() * 3);
    const std::size_t n = programPath.size();
    for (std::size_t i = 0; i < n; ++i) {
        char32_t c = programPath[i];
        if (IsPathSeparator(static_cast<WChar>(c))) {
            host.push_back('/');
            continue;
        }
        if (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(programPath[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (programPath[i + 1] - 0xDC00);
            ++i;
        } else if (IsEscapedByte(c)) {
            host.push_back(static_cast<char>(c - kEscapeBase));
            continue;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacementChar;
        }
        AppendUtf8(host, c);
    }
    return host;
}

WString FromHostPath(std::string_view hostPath) {
    WString program;
    program.reserve(hostPath.size());
    for (std::size_t i = 0; i < hostPath.size();) {
        const Utf8Step step = DecodeUtf8At(hostPath, i);
        if (step.codePoint == kNotUtf8) {
            for (std::size_t k = 0; k < step.length; ++k) {
                program.push_back(
                    static_cast<WChar>(kEscapeBase + static_cast<unsigned char>(hostPath[i + k])));
            }
        } else if (step.codePoint == '/') {
            program.push_back(u'\\');
        } else if (step.codePoint == '\\') {
            program.push_back(static_cast<WChar>(kEscapedBackslash));
        } else {
            AppendUtf16(program, step.codePoint);
        }
        i += step.length;
    }
    return program;
}

WString DisplayPath(WStringView programPath) {
    WString display;
    DisplayPieces(programPath, &display);
    return display;
}

WString EditedPath(WStringView programPath, WStringView editedText) {
    WString shown;
    const std::vector<Piece> pieces = DisplayPieces(programPath, &shown);
    if (editedText == shown) return WString(programPath);
    std::size_t prefix = 0;
    while (prefix < shown.size() && prefix < editedText.size() &&
           shown[prefix] == editedText[prefix]) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < shown.size() - prefix && suffix < editedText.size() - prefix &&
           shown[shown.size() - 1 - suffix] == editedText[editedText.size() - 1 - suffix]) {
        ++suffix;
    }
    // Whole pieces only: the head ends and the tail starts at a piece boundary.
    std::size_t headProgram = 0, headDisplay = 0;
    std::size_t tailProgram = programPath.size(), tailDisplay = shown.size();
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        const std::size_t displayStart = k == 0 ? 0 : pieces[k - 1].displayEnd;
        const std::size_t programStart = k == 0 ? 0 : pieces[k - 1].programEnd;
        if (pieces[k].displayEnd <= prefix) {
            headProgram = pieces[k].programEnd;
            headDisplay = pieces[k].displayEnd;
        }
        if (displayStart >= shown.size() - suffix && displayStart < tailDisplay) {
            tailProgram = programStart;
            tailDisplay = displayStart;
        }
    }
    const std::size_t typedEnd = editedText.size() - (shown.size() - tailDisplay);
    const WStringView typed = editedText.substr(headDisplay, typedEnd - headDisplay);
    WString result(programPath.substr(0, headProgram));
    result += FromHostPath(WideToUtf8(typed));
    result += programPath.substr(tailProgram);
    return result;
}

bool IsAbsolutePath(WStringView programPath) {
    return !programPath.empty() && IsPathSeparator(programPath.front());
}

WString AbsolutePath(WStringView programPath) {
    if (IsAbsolutePath(programPath)) return WString(programPath);
    std::vector<char> buffer(PATH_MAX);
    if (::getcwd(buffer.data(), buffer.size()) == nullptr) return WString(programPath);
    WString path = FromHostPath(buffer.data());
    std::size_t start = 0;
    while (start <= programPath.size()) {
        std::size_t end = start;
        while (end < programPath.size() && !IsPathSeparator(programPath[end]))
            ++end;
        const WStringView level = programPath.substr(start, end - start);
        if (!level.empty() && level != u".") {
            if (path.empty() || !IsPathSeparator(path.back())) path.push_back(u'\\');
            path += level;
        }
        start = end + 1;
    }
    return path;
}

std::size_t MaxHostPathBytes() {
    return PATH_MAX - 1;
}

std::size_t MaxHostNameBytes() {
    return NAME_MAX;
}

bool FitsHostPath(WStringView programPath) {
    // Each UTF-16 unit gives at most three bytes; measure exactly only when needed.
    if (programPath.size() * 3 <= MaxHostNameBytes()) return true;
    const std::string host = ToHostPath(programPath);
    if (host.size() > MaxHostPathBytes()) return false;
    std::size_t start = 0;
    while (start <= host.size()) {
        std::size_t end = host.find('/', start);
        if (end == std::string::npos) end = host.size();
        if (end - start > MaxHostNameBytes()) return false;
        start = end + 1;
    }
    return true;
}

}  // namespace quillory::platform
