// Canonical composition of UTF-16 text (Unicode Normalization Form C), for the names
// that archives hold: macOS writes names decomposed ("e" and U+0301 for "é", "か" and
// U+3099 for "が"), which on Linux give file names that look like the precomposed ones
// and are not. Full NFC: decomposition, canonical ordering of combining marks, then
// composition, with the data of common/unicode_nfc_tables.inc. A quick check passes
// ASCII and already composed text without touching it. Unpaired surrogates and stand-ins
// pass through as they are.
#pragma once

#include <algorithm>

#include "platform/text.h"

namespace quillory {

namespace detail {
// Code units below this never need work; nor does text made of them only.
inline constexpr char16_t kFirstToCompose = 0x300;
void ComposeNfcFromTables(WString& text);
}  // namespace detail

// Brings text into NFC in place. Text below U+0300 (ASCII, Latin-1) costs one pass that
// the compiler vectorises.
inline void ComposeNfc(WString& text) {
    char16_t highest = 0;
    for (const char16_t c : text)
        highest = std::max(highest, c);
    if (highest >= detail::kFirstToCompose) detail::ComposeNfcFromTables(text);
}

// The Unicode version the tables were made from.
const char* NfcUnicodeVersion();

}  // namespace quillory
