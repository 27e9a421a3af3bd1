// An archive's kind from its first seven bytes: a ZIP local-header or end-record
// signature, or an LZH header's method identifier at offset 2. Anything else, and a source
// that cannot be read, says nothing, and the name decides. The other formats are known by
// the signatures their own formats put at fixed offsets.
#include "document/archive_kind.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "lzh/lzh_method.h"
#include "zip/zip_format.h"

namespace quillory {
namespace {

// An LZH header holds its method at offsets 2..6, at every level.
constexpr std::size_t kLzhMethodOffset = 2;
constexpr std::size_t kLzhLooked = kLzhMethodOffset + 5;

struct Signature {
    std::uint64_t offset;
    std::string_view bytes;
    ForeignFormat format;
};

using namespace std::string_view_literals;

// Each signature as its format's definition fixes it. gzip's includes its method byte
// (8, deflate), so that a level-0 LZH header of 31 bytes with the checksum 0x8B is none.
constexpr Signature kSignatures[] = {
    {0, "7z\xBC\xAF\x27\x1C"sv, {u"7z"}},
    {0, "Rar!\x1A\x07"sv, {u"RAR"}},  // RAR 4 ends in 00, RAR 5 in 01 00
    {0, "\x1F\x8B\x08"sv, {u"gzip"}},
    {0, "BZh"sv, {u"bzip2"}},
    {0, "\xFD\x37zXZ\x00"sv, {u"xz"}},
    {0, "\x28\xB5\x2F\xFD"sv, {u"Zstandard"}},
    {257, "ustar"sv, {u"tar"}},  // POSIX "ustar\0" and GNU "ustar  \0"
    {0, "MSCF\0\0\0\0"sv, {u"CAB"}},
    {32769, "CD001"sv, {u"ISO"}},  // the first volume descriptor, past 32 KiB of system area
    {0, "\x89PNG\r\n\x1A\n"sv, {u"PNG"}},
    {0, "\xFF\xD8\xFF"sv, {u"JPEG"}},
    {0, "%PDF-"sv, {u"PDF"}},
    {0, "\x7F\x45LF"sv, {u"ELF", true}},
    {0, "MZ"sv, {u"PE", true}},
};

bool HasSignature(const ByteSource& source, const Signature& signature) {
    std::array<char, 8> found{};
    const std::size_t n = signature.bytes.size();
    return source.ReadAt(signature.offset, found.data(), n) == n &&
           std::string_view(found.data(), n) == signature.bytes;
}

}  // namespace

ArchiveType ArchiveKindByContent(const ByteSource& source) {
    static_assert(kLzhLooked >= zip::format::kSignatureBytes);
    std::uint8_t first[kLzhLooked] = {};
    const std::size_t got = source.ReadAt(0, first, kLzhLooked);
    if (got >= zip::format::kSignatureBytes) {
        const std::uint32_t signature = zip::format::Le32(first);
        // A local header, or the end record of an archive without members.
        if (signature == zip::format::kLocalHeaderSignature ||
            signature == zip::format::kEndRecordSignature) {
            return ArchiveType::Zip;
        }
    }
    if (got == kLzhLooked && lzh::LooksLikeMethod(first + kLzhMethodOffset)) {
        return ArchiveType::Lzh;
    }
    return ArchiveType::None;
}

std::optional<ForeignFormat> ForeignFormatOf(const ByteSource& source) {
    // What starts as an archive of ours is one, however its bytes go on.
    if (ArchiveKindByContent(source) != ArchiveType::None) return std::nullopt;
    const auto found = std::find_if(std::begin(kSignatures), std::end(kSignatures),
                                    [&](const Signature& s) { return HasSignature(source, s); });
    if (found == std::end(kSignatures)) return std::nullopt;
    return found->format;
}

}  // namespace quillory
