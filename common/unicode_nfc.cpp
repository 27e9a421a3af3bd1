// Normalization Form C: a quick check over the text, and for text that fails it the
// three steps of the Unicode standard (UAX #15) on code points, Hangul by its formulas.
#include "common/unicode_nfc.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

namespace quillory {
namespace {

struct Decomposition {
    char32_t codePoint;
    std::uint16_t start;
    std::uint8_t length;
};
struct Composition {
    std::uint64_t pair;  // first << 21 | second
    char32_t composite;
};

#include "common/unicode_nfc_tables.inc"

// Code points below the first combining mark never need work.
constexpr char32_t kFirstQuickCheck = detail::kFirstToCompose;
constexpr int kPairShift = 21;

// Hangul syllables: S = SBase + (L index * VCount + V index) * TCount + T index.
constexpr char32_t kSBase = 0xAC00, kLBase = 0x1100, kVBase = 0x1161, kTBase = 0x11A7;
constexpr char32_t kLCount = 19, kVCount = 21, kTCount = 28;
constexpr char32_t kNCount = kVCount * kTCount, kSCount = kLCount * kNCount;

bool InQuickCheck(char32_t c) {
    const std::uint32_t* block = kQuickBlocks[kQuickStage1[c >> 8]];
    return ((block[(c & 0xFF) >> 5] >> (c & 31)) & 1) != 0;
}

std::uint8_t CombiningClass(char32_t c) {
    if (c < kFirstQuickCheck) return 0;
    const std::uint32_t key = static_cast<std::uint32_t>(c) << 8;
    const auto* end = kCombiningClasses + std::size(kCombiningClasses);
    const auto* at = std::lower_bound(kCombiningClasses, end, key);
    return at != end && (*at >> 8) == c ? static_cast<std::uint8_t>(*at & 0xFF) : 0;
}

// Appends the full canonical decomposition of c.
void Decompose(char32_t c, std::vector<char32_t>& out) {
    if (c >= kSBase && c < kSBase + kSCount) {
        const char32_t s = c - kSBase;
        out.push_back(kLBase + s / kNCount);
        out.push_back(kVBase + (s % kNCount) / kTCount);
        if (s % kTCount != 0) out.push_back(kTBase + s % kTCount);
        return;
    }
    const auto* end = kDecompositions + std::size(kDecompositions);
    const auto* at = std::lower_bound(
        kDecompositions, end, c,
        [](const Decomposition& d, char32_t value) { return d.codePoint < value; });
    if (at == end || at->codePoint != c) {
        out.push_back(c);
        return;
    }
    out.insert(out.end(), kDecompositionPool + at->start,
               kDecompositionPool + at->start + at->length);
}

// The primary composite of first and second, or 0.
char32_t Compose(char32_t first, char32_t second) {
    if (first >= kLBase && first < kLBase + kLCount && second >= kVBase &&
        second < kVBase + kVCount) {
        return kSBase + ((first - kLBase) * kVCount + (second - kVBase)) * kTCount;
    }
    if (first >= kSBase && first < kSBase + kSCount && (first - kSBase) % kTCount == 0 &&
        second > kTBase && second < kTBase + kTCount) {
        return first + (second - kTBase);
    }
    const std::uint64_t pair = static_cast<std::uint64_t>(first) << kPairShift | second;
    const auto* end = kCompositions + std::size(kCompositions);
    const auto* at =
        std::lower_bound(kCompositions, end, pair,
                         [](const Composition& c, std::uint64_t value) { return c.pair < value; });
    return at != end && at->pair == pair ? at->composite : 0;
}

// The code point at text[i] and the units it takes; an unpaired surrogate stands alone.
char32_t CodePointAt(WStringView text, std::size_t i, std::size_t* units) {
    const char32_t c = text[i];
    if (platform::IsHighSurrogate(c) && i + 1 < text.size() &&
        platform::IsLowSurrogate(text[i + 1])) {
        *units = 2;
        return 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    }
    *units = 1;
    return c;
}

// Where the text first may need work: the start of the character before the first one in
// the quick-check set (it may compose with it), or npos.
std::size_t FirstToNormalise(WStringView text) {
    std::size_t previous = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] < kFirstQuickCheck) {
            previous = i++;
            continue;
        }
        std::size_t units = 1;
        const char32_t c = CodePointAt(text, i, &units);
        if (InQuickCheck(c)) return previous;
        previous = i;
        i += units;
    }
    return WStringView::npos;
}

}  // namespace

const char* NfcUnicodeVersion() {
    return kUnicodeVersion;
}

void detail::ComposeNfcFromTables(WString& text) {
    const std::size_t from = FirstToNormalise(text);
    if (from == WStringView::npos) return;

    // Decomposition.
    std::vector<char32_t> points;
    points.reserve(text.size() - from + 8);
    for (std::size_t i = from; i < text.size();) {
        std::size_t units = 1;
        Decompose(CodePointAt(text, i, &units), points);
        i += units;
    }
    // Canonical ordering: every run of combining marks sorted by class, stably.
    for (std::size_t i = 0; i < points.size();) {
        if (CombiningClass(points[i]) == 0) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < points.size() && CombiningClass(points[end]) != 0)
            ++end;
        std::stable_sort(
            points.begin() + static_cast<std::ptrdiff_t>(i),
            points.begin() + static_cast<std::ptrdiff_t>(end),
            [](char32_t a, char32_t b) { return CombiningClass(a) < CombiningClass(b); });
        i = end;
    }
    // Composition: each character joins the last starter unless something between them
    // blocks it (a starter, or a mark of the same or a higher class).
    std::size_t kept = 0;
    std::size_t starter = SIZE_MAX;
    std::uint8_t lastClass = 0;
    for (const char32_t c : points) {
        const std::uint8_t cc = CombiningClass(c);
        if (starter != SIZE_MAX) {
            const bool adjacent = kept == starter + 1;
            if (adjacent || (lastClass != 0 && lastClass < cc)) {
                if (const char32_t composite = Compose(points[starter], c); composite != 0) {
                    points[starter] = composite;
                    continue;
                }
            }
        }
        if (cc == 0) starter = kept;
        lastClass = cc;
        points[kept++] = c;
    }
    points.resize(kept);

    text.resize(from);
    for (const char32_t c : points)
        platform::AppendUtf16(text, c);
}

}  // namespace quillory
