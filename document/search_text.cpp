// The filter's folding: one pass that maps each unit by the width and case tables, then
// the canonical composition that joins kana with their voiced marks.
#include "document/search_text.h"

#include "common/unicode_nfc.h"

namespace quillory {
namespace {

// U+FF61 .. U+FF9F, the halfwidth forms of CJK punctuation and katakana, as fullwidth
// (the two voiced marks as their combining forms, which composition joins).
constexpr char16_t kHalfwidthKana[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
    0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,
    0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1,
    0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5,
    0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
    0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x3099, 0x309A};
static_assert(sizeof kHalfwidthKana / sizeof kHalfwidthKana[0] == 0xFF9F - 0xFF61 + 1);

char16_t Fold(char16_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E) c = static_cast<char16_t>(c - 0xFF01 + 0x21);
    if (c >= 0xFF61 && c <= 0xFF9F) return kHalfwidthKana[c - 0xFF61];
    if (c == 0x3000) return u' ';
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
    // Latin-1's capitals (not U+00D7, the multiplication sign).
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
    return c;
}

}  // namespace

WString FoldForSearch(WStringView text) {
    WString folded(text);
    bool wide = false;
    for (char16_t& c : folded) {
        c = Fold(c);
        wide = wide || c >= detail::kFirstToCompose;
    }
    if (wide) ComposeNfc(folded);
    return folded;
}

bool ContainsFolded(WStringView name, WStringView folded) {
    if (folded.empty()) return true;
    return FoldForSearch(name).find(folded) != WString::npos;
}

}  // namespace quillory
