// The method identifiers this reader handles and what each one means: stored data,
// folder entries, the static-Huffman family of LHA (-lh4- to -lh7-, UNLHA32's -lhx-),
// LHarc's adaptive Huffman (-lh1-) and the experimental -lh2-/-lh3- of early LHA, LArc's
// -lzs-/-lz5- and PMarc's -pm1-/-pm2-. Identifiers are compared exactly; anything else
// is unsupported.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace quillory::lzh {

// Method numbers as the extraction code uses them. The LHA numbers are the digit of
// the identifier; the others follow.
inline constexpr int kMethodUnsupported = -1;
inline constexpr int kMethodStored = 0;  // -lh0-, and LArc's -lz4- and PMarc's -pm0-
inline constexpr int kMethodLh1 = 1;     // adaptive Huffman, 4 KiB dictionary
inline constexpr int kMethodLh2 = 2;     // adaptive Huffman for positions too, 8 KiB
inline constexpr int kMethodLh3 = 3;     // static Huffman in blocks, 8 KiB
inline constexpr int kMethodLh4 = 4;     // static Huffman, 4 KiB dictionary
inline constexpr int kMethodLh5 = 5;     // 8 KiB dictionary
inline constexpr int kMethodLh6 = 6;     // 32 KiB dictionary
inline constexpr int kMethodLh7 = 7;     // 64 KiB dictionary
inline constexpr int kMethodLhx = 8;     // UNLHA32's -lhx-: 512 KiB dictionary
inline constexpr int kMethodLzs = 10;    // LArc, 2 KiB dictionary
inline constexpr int kMethodLz5 = 11;    // LArc, 4 KiB dictionary with a preset history
inline constexpr int kMethodPm1 = 12;    // PMarc's first method
inline constexpr int kMethodPm2 = 13;    // PMarc's second method

// The method number of a five-character identifier such as "-lh5-"; folder entries
// ("-lhd-") and every unknown identifier give kMethodUnsupported.
int MethodCode(WStringView method);

// True for the folder-entry identifier "-lhd-".
bool IsFolderMethod(WStringView method);

// True when the five bytes at `bytes` look like a method identifier of a header: "-lh"
// and a digit, "d" or "x"; LArc's "-lzs-", "-lz4-" and "-lz5-"; PMarc's "-pm0-" to
// "-pm2-". Used to find headers in files by their content.
bool LooksLikeMethod(const std::uint8_t* bytes);

}  // namespace quillory::lzh
