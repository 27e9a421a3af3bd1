// The self-extractor search: scans the first 256 KiB of a file with a self-extractor's
// extension for the first place that looks like a valid LZH header. A header at offset 0
// is not taken, and no candidate is checked with bytes beyond the window read.
#include "lzh/lzh_exe_search.h"

#include <algorithm>

#include "common/checksums.h"
#include "lzh/lzh_method.h"
#include "lzh/lzh_scratch_buffer.h"

namespace quillory::lzh {
namespace {

// Offsets inside a header, counted from its first byte.
constexpr std::size_t kMethodOffset = 2;     // "-lh?-"
constexpr std::size_t kReservedOffset = 19;  // levels 2 and 3: always 0x20
constexpr std::size_t kLevelOffset = 20;
constexpr std::size_t kFirstExtendedSizeOffset = 24;  // level 2: 16 bits

// Whether the header starting at h looks real, judged only by bytes inside the window.
bool LooksLikeHeader(const std::uint8_t* window, std::size_t size, std::size_t h) {
    if (h + kLevelOffset >= size) return false;
    const std::uint8_t level = window[h + kLevelOffset];
    if (level == 2) {
        if (h + kFirstExtendedSizeOffset + 1 >= size) return false;
        const unsigned firstExtended =
            window[h + kFirstExtendedSizeOffset] | window[h + kFirstExtendedSizeOffset + 1] << 8;
        return window[h + kReservedOffset] == 0x20 && firstExtended != 0;
    }
    if (level == 3) {
        // The word size, 4, and the reserved byte.
        return window[h] == 4 && window[h + 1] == 0 && window[h + kReservedOffset] == 0x20;
    }
    if (level == 0 || level == 1) {
        // Byte 0 counts the header bytes after the first two; byte 1 is their sum.
        const std::size_t counted = window[h];
        if (h + 1 + counted >= size) return false;
        return HeaderSum8(window + h + 2, counted) == window[h + 1];
    }
    return false;
}

}  // namespace

bool HasSelfExtractorExtension(WStringView path) {
    const std::size_t dot = path.rfind(u'.');
    if (dot == WStringView::npos) return false;
    const WStringView extension = path.substr(dot);
    const auto lower = [](WChar c) {
        return c >= u'A' && c <= u'Z' ? static_cast<WChar>(c - u'A' + u'a') : c;
    };
    // LHA and LHarc make ".exe" and ".com" self-extractors for MS-DOS, LHa for UNIX
    // ".run" ones, the X68000 LHA ".x" and the Atari LHarc ".tos".
    for (const WStringView known : {u".exe", u".com", u".run", u".x", u".tos"}) {
        if (extension.size() == known.size() &&
            std::equal(extension.begin(), extension.end(), known.begin(),
                       [&](WChar a, WChar b) { return lower(a) == b; })) {
            return true;
        }
    }
    return false;
}

std::optional<std::uint64_t> FindArchiveInExe(const ByteSource& source,
                                              std::pmr::memory_resource* memory) {
    const std::size_t size =
        static_cast<std::size_t>(std::min<std::uint64_t>(source.Size(), kExeSearchWindowBytes));
    if (size == 0) return std::nullopt;

    const ScratchBuffer window(memory, size);
    if (!source.ReadExactly(0, window.data(), size)) return std::nullopt;

    // A candidate's header starts two bytes before its method; candidates at 0 and 1
    // would start before the file.
    for (std::size_t i = kMethodOffset; i + 5 <= size; ++i) {
        if (!LooksLikeMethod(window.data() + i)) continue;
        const std::size_t h = i - kMethodOffset;
        if (!LooksLikeHeader(window.data(), size, h)) continue;
        if (h == 0) return std::nullopt;
        return h;
    }
    return std::nullopt;
}

}  // namespace quillory::lzh
