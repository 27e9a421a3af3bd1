// The method identifiers this reader handles and what each one means: stored data,
// folder entries, and the three static-Huffman dictionary sizes. Identifiers are
// compared exactly; anything else is unsupported.
#pragma once

#include "platform/text.h"

namespace quillory::lzh {

// Method numbers as the extraction code uses them.
inline constexpr int kMethodUnsupported = -1;
inline constexpr int kMethodStored = 0;  // -lh0-
inline constexpr int kMethodLh5 = 5;     // 8 KiB dictionary
inline constexpr int kMethodLh6 = 6;     // 32 KiB dictionary
inline constexpr int kMethodLh7 = 7;     // 64 KiB dictionary

// The method number of a five-character identifier such as "-lh5-"; folder entries
// ("-lhd-") and every unknown identifier give kMethodUnsupported.
int MethodCode(WStringView method);

// True for the folder-entry identifier "-lhd-".
bool IsFolderMethod(WStringView method);

}  // namespace quillory::lzh
