// Builds LZH member headers field by field for tests, with sizes, the level 0/1
// checksum, the data CRC and the level 2 header CRC computed unless a test sets them
// on purpose, so each test reads like the header it describes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/test_support.h"

namespace quillory::testing {

struct ExtendedHeader {
    std::uint8_t type = 0;
    Bytes data;
};

// Extended header types.
inline constexpr std::uint8_t kExtCommon = 0x00;
inline constexpr std::uint8_t kExtName = 0x01;
inline constexpr std::uint8_t kExtFolder = 0x02;
inline constexpr std::uint8_t kExtAttribute = 0x40;

struct LzhHeaderFields {
    int level = 2;
    std::string method = "-lh0-";
    Bytes data;                           // member data written after the header
    std::uint32_t originalSize = 0;       // set by Stored()
    std::uint16_t dosDate = 0x5264;       // 2021-03-04
    std::uint16_t dosTime = 0x28C4;       // 05:06:08
    std::uint32_t unixTime = 1614834368;  // the same moment in UTC
    std::uint8_t attribute = 0x20;
    Bytes name;  // levels 0 and 1: the name in the basic header
    std::vector<ExtendedHeader> extended;
    // Level 2: a common extended header, first in the chain, carrying the header CRC.
    bool headerCrc = false;

    // Deliberate faults and odd values; unset means computed.
    std::optional<std::uint16_t> dataCrc;         // default: CRC-16 of data
    std::optional<std::uint32_t> compressedSize;  // default: data (+ extended, level 1)
    std::optional<std::uint8_t> sizeByte;         // level 0/1 byte 0
    std::optional<std::uint8_t> checksum;         // level 0/1 byte 1
    std::optional<std::uint16_t> totalSize;       // level 2 bytes 0-1
    std::optional<std::uint16_t> headerCrcValue;  // level 2 common header CRC
    std::optional<std::uint16_t> firstExtendedSize;
    Bytes basicExtra;  // level 0/1: bytes after the CRC (level 1: after the OS byte)
    Bytes padding;     // level 2: bytes after the last extended header, counted in T

    Bytes Build() const;
};

// A stored member with the given name and content at a level (name in the basic
// header for levels 0/1, in a name extended header for level 2).
LzhHeaderFields Stored(int level, std::string_view name, const Bytes& content);

// A folder entry: "-lhd-" with the folder (bytes, 0xFF separated) in an extended header
// for levels 1 and 2, or as the name for level 0.
LzhHeaderFields FolderEntry(int level, std::string_view folder);

// Concatenates members and appends the end mark (a single 0 byte) unless told not to.
Bytes Archive(const std::vector<Bytes>& members, bool endMark = true);

Bytes Concat(std::initializer_list<Bytes> parts);

}  // namespace quillory::testing
