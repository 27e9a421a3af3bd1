// The first member of an encrypted fixture archive, read from its local header: the
// fields the ciphers need and the member's stored bytes. Every fixture holds the same
// plaintext (see tests/fixtures/crypto/README.md).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace quillory::testing {

inline constexpr std::uint32_t kFixturePlainCrc = 0xEB2D8E81;
inline constexpr std::size_t kFixturePlainSize = 3001;
inline constexpr const char* kFixturePassword = "Secret";

struct FixtureMember {
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t time = 0;
    std::uint32_t crc = 0;
    int aesStrength = 0;  // from the 0x9901 record, 0 without one
    Bytes data;           // the compressed-size bytes after the name and extra field
};

inline FixtureMember ReadFixtureMember(const std::string& name) {
    const Bytes file = ReadHostFile(FixturesDir() / "crypto" / name);
    const auto u16 = [&](std::size_t at) {
        return static_cast<std::uint16_t>(file.at(at) | file.at(at + 1) << 8);
    };
    const auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(u16(at) | static_cast<std::uint32_t>(u16(at + 2)) << 16);
    };
    FixtureMember m;
    EXPECT_EQ(u32(0), 0x04034B50u) << name;  // local header signature
    m.flags = u16(6);
    m.method = u16(8);
    m.time = u16(10);
    m.crc = u32(14);
    const std::uint32_t compressedSize = u32(18);
    const std::size_t nameLength = u16(26), extraLength = u16(28);
    const std::size_t extra = 30 + nameLength;
    // Extra records: id, size, then the AES record's version, vendor, strength, method.
    for (std::size_t at = extra; at + 4 <= extra + extraLength; at += 4 + u16(at + 2)) {
        if (u16(at) == 0x9901) m.aesStrength = file.at(at + 8);
    }
    const std::size_t start = extra + extraLength;
    m.data.assign(file.begin() + static_cast<std::ptrdiff_t>(start),
                  file.begin() + static_cast<std::ptrdiff_t>(start + compressedSize));
    return m;
}

}  // namespace quillory::testing
