// An archive's kind from its first seven bytes: a ZIP local-header or end-record
// signature, or an LZH header's method identifier at offset 2. Anything else, and a source
// that cannot be read, says nothing, and the name decides.
#include "document/archive_kind.h"

#include <cstdint>
#include <cstring>

#include "lzh/lzh_method.h"
#include "zip/zip_format.h"

namespace quillory {

ArchiveType ArchiveKindByContent(const ByteSource& source) {
    // An LZH header holds its method at offsets 2..6, at every level.
    constexpr std::size_t kLzhMethodOffset = 2;
    constexpr std::size_t kLooked = kLzhMethodOffset + 5;
    static_assert(kLooked >= zip::format::kSignatureBytes);
    std::uint8_t first[kLooked] = {};
    const std::size_t got = source.ReadAt(0, first, kLooked);
    if (got >= zip::format::kSignatureBytes) {
        std::uint32_t signature = 0;
        for (std::size_t i = 0; i < zip::format::kSignatureBytes; ++i)
            signature |= static_cast<std::uint32_t>(first[i]) << (8 * i);
        // A local header, or the end record of an archive without members.
        if (signature == zip::format::kLocalHeaderSignature ||
            signature == zip::format::kEndRecordSignature) {
            return ArchiveType::Zip;
        }
    }
    if (got == kLooked && lzh::LooksLikeMethod(first + kLzhMethodOffset)) return ArchiveType::Lzh;
    return ArchiveType::None;
}

}  // namespace quillory
