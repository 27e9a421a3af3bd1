// Text folded for the member list's filter, so that a search finds a name however its
// width and case were typed: fullwidth ASCII as ASCII, halfwidth katakana as fullwidth
// (a following voiced mark joined to its kana, "ｶﾞ" as "ガ"), the ideographic space as a
// space, letters of ASCII and Latin-1 in lower case, and the result in NFC, so a name
// stored decomposed matches too.
#pragma once

#include "platform/text.h"

namespace quillory {

WString FoldForSearch(WStringView text);

// Whether name holds folded (a FoldForSearch result) somewhere; an empty one is in all.
bool ContainsFolded(WStringView name, WStringView folded);

}  // namespace quillory
