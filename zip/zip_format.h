// The fixed layouts of the ZIP records this reader understands (end of central
// directory, central header, local header) and little-endian field access. Only the
// single-volume format without ZIP64 records is described here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillory::zipformat {

// Signatures, as the 32-bit little-endian values of the bytes 50 4B xx yy.
inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;    // 50 4B 03 04
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;  // 50 4B 01 02
inline constexpr std::uint32_t kEndRecordSignature = 0x06054B50;      // 50 4B 05 06
inline constexpr std::size_t kSignatureBytes = 4;

// End of central directory: signature plus 18 bytes, then a comment of up to 65535 bytes.
inline constexpr std::size_t kEndRecordBytes = 22;
inline constexpr std::size_t kMaxCommentBytes = 65535;
// The end record must start within this many bytes of the end of the file.
inline constexpr std::size_t kEndSearchBytes = kEndRecordBytes + kMaxCommentBytes;
static_assert(kEndSearchBytes == 65557);

// Central header: the signature, then 42 fixed bytes, then name, extra field, comment.
inline constexpr std::size_t kCentralFixedBytes = 42;
// Local header: the signature, then 26 fixed bytes, then name and extra field.
inline constexpr std::size_t kLocalFixedBytes = 26;
// The smallest central header; bounds how many records a directory size can hold.
inline constexpr std::size_t kMinCentralHeaderBytes = kSignatureBytes + kCentralFixedBytes;

// General-purpose flag bits.
inline constexpr std::uint32_t kFlagEncrypted = 0x0001;
inline constexpr std::uint32_t kFlagDataDescriptor = 0x0008;  // CRC and sizes follow the data
inline constexpr std::uint32_t kFlagUtf8 = 0x0800;            // name and comment are UTF-8

// Compression methods.
inline constexpr std::uint32_t kMethodStored = 0;
inline constexpr std::uint32_t kMethodImplode = 6;
inline constexpr std::uint32_t kMethodDeflate = 8;
inline constexpr std::uint32_t kMethodDeflate64 = 9;
inline constexpr std::uint32_t kMethodAes = 99;

inline std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace quillory::zipformat
