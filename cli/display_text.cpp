// Terminal widths after the East Asian Width property (wide and full-width ranges) and
// the zero-width marks; ambiguous characters count one column, as most terminals show
// them outside CJK locales.
#include "cli/display_text.h"

#include <algorithm>
#include <iterator>

namespace quillory::cli {
namespace {

struct Range {
    char32_t first;
    char32_t last;
};

// Code points that take no column: combining marks, zero-width spaces and joiners,
// variation selectors.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A},
    {0x064B, 0x065F}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},
    {0x2028, 0x2029}, {0x2060, 0x2064}, {0x20D0, 0x20FF}, {0x3099, 0x309A},
    {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF}, {0xE0100, 0xE01EF},
};

// Wide and full-width code points (sorted, not overlapping).
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},
    {0x23F0, 0x23F0},   {0x23F3, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},
    {0x2648, 0x2653},   {0x267F, 0x267F},   {0x2693, 0x2693},   {0x26A1, 0x26A1},
    {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},   {0x26CE, 0x26CE},
    {0x26D4, 0x26D4},   {0x26EA, 0x26EA},   {0x26F2, 0x26F3},   {0x26F5, 0x26F5},
    {0x26FA, 0x26FA},   {0x26FD, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},
    {0x2728, 0x2728},   {0x274C, 0x274C},   {0x274E, 0x274E},   {0x2753, 0x2755},
    {0x2757, 0x2757},   {0x2795, 0x2797},   {0x27B0, 0x27B0},   {0x27BF, 0x27BF},
    {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},   {0x2B55, 0x2B55},   {0x2E80, 0x303E},
    {0x3041, 0x3098},   {0x309B, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
    {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},
    {0x16FE0, 0x16FE4}, {0x17000, 0x18CFF}, {0x1B000, 0x1B2FF}, {0x1F004, 0x1F004},
    {0x1F0CF, 0x1F0CF}, {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F251},
    {0x1F300, 0x1F64F}, {0x1F680, 0x1F6FF}, {0x1F900, 0x1F9FF}, {0x1FA70, 0x1FAFF},
    {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

bool InRanges(char32_t c, const Range* begin, const Range* end) {
    const Range* it =
        std::upper_bound(begin, end, c, [](char32_t v, const Range& r) { return v < r.first; });
    return it != begin && c <= std::prev(it)->last;
}

// C0, DEL and C1 controls, and the bidirectional embeddings, overrides and isolates,
// which would reorder what follows them on the line.

// Decodes one code point of well-formed UTF-8 (as WideToUtf8 writes it) at text[*i].
char32_t NextCodePoint(std::string_view text, std::size_t* i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(*i);
    std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    length = std::min(length, text.size() - *i);
    char32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k)
        c = (c << 6) | (byte(*i + k) & 0x3F);
    *i += length;
    return c;
}

}  // namespace

void AppendOneLine(WStringView text, std::string* out) {
    // Printable ASCII, the common case, is copied as it is.
    std::size_t plain = 0;
    while (plain < text.size() && text[plain] >= 0x20 && text[plain] < 0x7F) {
        ++plain;
    }
    out->append(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(plain));
    if (plain == text.size()) return;
    WString clean(text.substr(plain));
    for (std::size_t i = 0; i < clean.size(); ++i) {
        if (clean[i] == u'\r' && i + 1 < clean.size() && clean[i + 1] == u'\n') {
            clean.erase(i, 1);
        }
        if (clean[i] == u'\n' || clean[i] == u'\r') {
            clean[i] = u' ';
        } else if (platform::IsControlCharacter(clean[i])) {
            clean[i] = u'?';
        }
    }
    out->append(platform::WideToUtf8(clean));
}

std::string OneLine(WStringView text) {
    std::string line;
    AppendOneLine(text, &line);
    return line;
}

int CodePointWidth(char32_t c) {
    if (InRanges(c, std::begin(kZeroWidth), std::end(kZeroWidth))) return 0;
    if (InRanges(c, std::begin(kWide), std::end(kWide))) return 2;
    return 1;
}

std::size_t DisplayWidth(std::string_view utf8) {
    std::size_t width = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        // ASCII, the common case, is one column without the table search.
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            ++width;
            ++i;
            continue;
        }
        width += static_cast<std::size_t>(CodePointWidth(NextCodePoint(utf8, &i)));
    }
    return width;
}

std::string_view FitToWidth(std::string_view utf8, std::size_t columns) {
    std::size_t width = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::size_t next = i;
        const std::size_t w = static_cast<std::size_t>(CodePointWidth(NextCodePoint(utf8, &next)));
        if (width + w > columns) break;
        width += w;
        i = next;
    }
    return utf8.substr(0, i);
}

}  // namespace quillory::cli
