// The fixed layouts of the ZIP records this reader understands (end of central
// directory, its ZIP64 record and locator, central header, local header, data
// descriptor) and little-endian field access. Single-volume archives only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillory::zip::format {

// Signatures, as the 32-bit little-endian values of the bytes 50 4B xx yy.
inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;    // 50 4B 03 04
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;  // 50 4B 01 02
inline constexpr std::uint32_t kEndRecordSignature = 0x06054B50;      // 50 4B 05 06
inline constexpr std::uint32_t kZip64EndSignature = 0x06064B50;       // 50 4B 06 06
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;   // 50 4B 06 07
inline constexpr std::uint32_t kDescriptorSignature = 0x08074B50;     // 50 4B 07 08
inline constexpr std::size_t kSignatureBytes = 4;

// End of central directory: signature plus 18 bytes, then a comment of up to 65535 bytes.
inline constexpr std::size_t kEndRecordBytes = 22;
inline constexpr std::size_t kMaxCommentBytes = 65535;
// The end record must start within this many bytes of the end of the file.
inline constexpr std::size_t kEndSearchBytes = kEndRecordBytes + kMaxCommentBytes;
static_assert(kEndSearchBytes == 65557);

// ZIP64 end of central directory: signature, its own size less 12 (8), versions (4), this
// disk (4), directory disk (4), entries here (8), total entries (8), directory size (8),
// directory offset (8); then extensible data that no common writer fills.
inline constexpr std::size_t kZip64EndBytes = 56;
// ZIP64 locator, right before the end record: signature, disk of the ZIP64 end record
// (4), its offset (8), total disks (4).
inline constexpr std::size_t kZip64LocatorBytes = 20;
// A 16- or 32-bit field holding this says "see the ZIP64 record".
inline constexpr std::uint16_t kSaturated16 = 0xFFFF;
inline constexpr std::uint32_t kSaturated32 = 0xFFFFFFFF;

// Central header: the signature, then 42 fixed bytes, then name, extra field, comment.
inline constexpr std::size_t kCentralFixedBytes = 42;
// Local header: the signature, then 26 fixed bytes, then name and extra field.
inline constexpr std::size_t kLocalFixedBytes = 26;
// The smallest central header; bounds how many records a directory size can hold.
inline constexpr std::size_t kMinCentralHeaderBytes = kSignatureBytes + kCentralFixedBytes;

// General-purpose flag bits.
inline constexpr std::uint32_t kFlagEncrypted = 0x0001;
inline constexpr std::uint32_t kFlagDataDescriptor = 0x0008;    // CRC and sizes follow the data
inline constexpr std::uint32_t kFlagStrongEncryption = 0x0040;  // PKWARE's, not read here
inline constexpr std::uint32_t kFlagUtf8 = 0x0800;              // name and comment are UTF-8

// Compression methods.
inline constexpr std::uint32_t kMethodStored = 0;
inline constexpr std::uint32_t kMethodImplode = 6;
inline constexpr std::uint32_t kMethodDeflate = 8;
inline constexpr std::uint32_t kMethodDeflate64 = 9;
inline constexpr std::uint32_t kMethodAes = 99;

// Data descriptor after a member's data (flag bit 3): an optional signature, CRC-32, then
// the compressed and uncompressed sizes in 4 bytes each, or 8 in ZIP64 form.
inline constexpr std::size_t kDescriptorCrcBytes = 4;

inline std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t Le64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(Le32(p)) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
}

}  // namespace quillory::zip::format
