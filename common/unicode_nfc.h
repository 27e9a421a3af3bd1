// Canonical composition of UTF-16 text (Unicode Normalization Form C), for the names
// that archives hold: macOS writes names decomposed ("e" and U+0301 for "é", "か" and
// U+3099 for "が"), which on Linux give file names that look like the precomposed ones
// and are not. Full NFC: decomposition, canonical ordering of combining marks, then
// composition, with the data of common/unicode_nfc_tables.inc. A quick check passes
// ASCII and already composed text without touching it. Unpaired surrogates and stand-ins
// pass through as they are.
#pragma once

#include "platform/text.h"

namespace quillory {

// Brings text into NFC in place.
void ComposeNfc(WString& text);

// The Unicode version the tables were made from.
const char* NfcUnicodeVersion();

}  // namespace quillory
