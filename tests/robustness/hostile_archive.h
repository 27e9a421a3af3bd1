// Builds small archives of both kinds from a plain list of members, for the hostile
// cases: any stored name (climbing, rooted, very long, duplicated), folder entries that
// carry data, and sizes that lie. Everything that is not asked to lie is right (sizes,
// checksums, CRCs), so only the intended fault shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace quillory::testing {

struct HostileMember {
    // The stored name. In LZH names "/" is written as the 0xFF folder separator unless
    // rawName is set (then the bytes go in as they are, "/" included).
    std::string name;
    Bytes data;           // the member's content
    bool folder = false;  // "-lhd-" in LZH; in ZIP the name should end with "/"
    bool rawName = false;
    // Compressed data instead of stored: -lh5- in LZH, deflate in ZIP (no data at all
    // for an empty member, as .NET writes its folder entries).
    bool compressed = false;
    // A method neither reader handles ("-lh9-" in LZH, WavPack in ZIP), data left stored.
    bool unsupportedMethod = false;
    // A header CRC that is not the data's.
    bool wrongCrc = false;
    // ZIP only: stored data under the traditional cipher with this password.
    std::optional<std::string> zipPassword;
    // Sizes written in the headers instead of the true ones.
    std::optional<std::uint32_t> claimedOriginalSize;
    std::optional<std::uint32_t> claimedCompressedSize;
    // ZIP only: a local header name that disagrees with the central one, and extra
    // records written in both headers.
    std::optional<std::string> zipLocalName;
    Bytes zipExtra;
};

inline HostileMember File(std::string name, std::string_view content) {
    HostileMember m;
    m.name = std::move(name);
    m.data = ToBytes(content);
    return m;
}

inline HostileMember Folder(std::string name) {
    HostileMember m;
    m.name = std::move(name);
    m.folder = true;
    return m;
}

// LZH archive with headers of the given level (0, 1 or 2) and the end mark.
Bytes BuildLzh(int level, const std::vector<HostileMember>& members);

// ZIP archive of stored members.
Bytes BuildZip(const std::vector<HostileMember>& members);

}  // namespace quillory::testing
