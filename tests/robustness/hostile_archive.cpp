// Hostile archive builders on top of the readers' header builders: LZH and ZIP archives
// from a plain member list, with whatever stored name, folder data or lying size a case
// asks for and everything else right, so only the intended fault shows.
#include "tests/robustness/hostile_archive.h"

#include <algorithm>

#include "common/checksums.h"

#include "tests/lzh/lzh_header_builder.h"
#include "tests/lzh/lzh_stream_builder.h"
#include "tests/zip/zip_builder.h"

namespace quillory::testing {

namespace {

constexpr int kLzh5 = 5;
constexpr std::uint16_t kZipWavPack = 97;
constexpr std::uint16_t kZipDeflate = 8;

std::string LzhNameBytes(const HostileMember& m) {
    std::string name = m.name;
    if (!m.rawName) std::replace(name.begin(), name.end(), '/', '\xFF');
    return name;
}

}  // namespace

Bytes BuildLzh(int level, const std::vector<HostileMember>& members) {
    std::vector<Bytes> headers;
    for (const HostileMember& m : members) {
        const std::string name = LzhNameBytes(m);
        LzhHeaderFields fields = m.folder ? FolderEntry(level, name) : Stored(level, name, m.data);
        if (m.folder) {
            fields.data = m.data;
            fields.originalSize = static_cast<std::uint32_t>(m.data.size());
        }
        if (m.compressed) {
            fields.method = "-lh5-";
            fields.dataCrc = Crc16Update(0, m.data.data(), m.data.size());
            fields.data = Compress(m.data, kLzh5);
        }
        if (m.unsupportedMethod) fields.method = "-lh9-";
        if (m.wrongCrc) {
            fields.dataCrc = static_cast<std::uint16_t>(
                fields.dataCrc.value_or(Crc16Update(0, m.data.data(), m.data.size())) ^ 1);
        }
        if (m.claimedOriginalSize) fields.originalSize = *m.claimedOriginalSize;
        // Files carry no extended headers at levels 0 and 1, so the claim is the data's.
        fields.compressedSize = m.claimedCompressedSize;
        headers.push_back(fields.Build());
    }
    return Archive(headers);
}

Bytes BuildZip(const std::vector<HostileMember>& members) {
    ZipBuilder builder;
    for (const HostileMember& m : members) {
        ZipMember z = StoredMember(m.name, m.data);
        if (m.folder) z.externalAttributes = 0x10;
        if (m.compressed) {
            z.method = kZipDeflate;
            if (!m.data.empty()) z.data = ZlibDeflate(m.data, 6);
        }
        if (m.unsupportedMethod) z.method = kZipWavPack;
        if (m.wrongCrc) z.crc32 = z.plainCrc ^ 1;
        if (m.zipPassword) {
            z.flags |= 0x0001;
            z.data = TraditionalEncrypt(m.data, m.zipPassword->c_str(),
                                        static_cast<std::uint8_t>(z.plainCrc >> 24));
        }
        if (m.claimedOriginalSize) z.originalSize = *m.claimedOriginalSize;
        if (m.claimedCompressedSize) z.compressedSize = *m.claimedCompressedSize;
        z.localName = m.zipLocalName;
        z.centralExtra = z.localExtra = m.zipExtra;
        builder.Add(std::move(z));
    }
    return builder.Build();
}

}  // namespace quillory::testing
