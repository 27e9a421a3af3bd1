// Walking a ZIP extra field record by record (16-bit header ID, 16-bit data size, data)
// and reading the two records this reader uses: the WinZip AES record (0x9901) and the
// Info-ZIP Unicode Path record (0x7075). Any record may stand anywhere in the field;
// a record whose size runs past the field ends the walk, and nothing past the field is
// ever read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/text.h"

namespace quillory {

inline constexpr std::uint16_t kAesExtraId = 0x9901;
inline constexpr std::uint16_t kUnicodePathExtraId = 0x7075;

struct ExtraRecord {
    std::uint16_t id = 0;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// The first whole record with the given header ID.
bool FindExtraRecord(const std::uint8_t* field, std::size_t size, std::uint16_t id,
                     ExtraRecord* record);

// The AES record's contents: vendor version (1 = AE-1, 2 = AE-2), the two vendor-ID
// bytes, the strength byte (read as signed) and the actual compression method.
struct AesRecord {
    std::uint32_t version = 0;
    WChar vendor[2] = {};
    int strength = 0;
    std::uint32_t method = 0;
};
// The 7 data bytes of an AES record.
inline constexpr std::size_t kAesRecordDataBytes = 7;

bool FindAesRecord(const std::uint8_t* field, std::size_t size, AesRecord* aes);

// The UTF-8 name of a Unicode Path record (version 1) whose CRC-32 matches the stored
// name bytes; such a record describes the name it travels with.
bool FindUnicodePath(const std::uint8_t* field, std::size_t size, const std::uint8_t* storedName,
                     std::size_t storedLength, std::string_view* utf8Name);

}  // namespace quillory
