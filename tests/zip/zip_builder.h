// A small ZIP archive builder for archives no tool writes on purpose: every field of
// the local header, the central header and the end record can be set, records can be
// added between the directory and the end record, and bytes can follow the end.
// Sizes and CRC-32 default to the data's own; a field set explicitly is written as is.
// A member whose local flags have bit 3 gets a data descriptor after its data. ZIP64:
// a member's sizes and offset go into ZIP64 records when they need 64 bits or the member
// asks for them (as `zip -fz` writes), and the archive gets the ZIP64 end record and its
// locator past 65,535 members or when asked (as Python and Info-ZIP write them).
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "common/checksums.h"
#include "crypto/zip_crypto.h"
#include "tests/support/le_writer.h"
#include "tests/zip/inflate_support.h"

namespace quillory::testing {

struct ZipMember {
    std::string name;                // the stored name bytes
    std::vector<std::uint8_t> data;  // the member's data as stored (compressed, encrypted)
    std::uint16_t method = 0;
    std::uint16_t flags = 0;
    std::uint16_t versionMadeBy = 20;  // low byte version, high byte host (0 MS-DOS)
    std::uint16_t versionNeeded = 20;
    std::uint16_t time = 0x6000;  // 12:00:00
    std::uint16_t date = 0x3C21;  // 2010-01-01
    std::uint32_t externalAttributes = 0x20;
    std::optional<std::uint32_t> crc32;
    std::optional<std::uint64_t> compressedSize;
    std::optional<std::uint64_t> originalSize;
    bool zip64 = false;  // ZIP64 records in both headers whatever the values
    // The data descriptor's sizes in 8 bytes; by default where the local header has a
    // ZIP64 record (Java writes them so without one, for members over 4 GiB).
    std::optional<bool> wideDescriptor;
    std::vector<std::uint8_t> centralExtra;
    std::vector<std::uint8_t> localExtra;
    std::optional<std::string> localName;  // a local header that disagrees
    std::optional<std::uint16_t> localFlags;
    std::optional<std::uint16_t> localTime;
    std::optional<std::uint32_t> localCrc32;  // a local CRC-32 that disagrees
    bool descriptorSignature = true;          // the descriptor's optional signature
    bool omitDescriptor = false;              // bit 3 without a descriptor, as zip4j writes
    // Zeros for the CRC and sizes in the local header, as writers to a stream leave them
    // before the descriptor (Info-ZIP's zip to a pipe, Python's zipfile, Java).
    bool streamed = false;
    std::optional<std::uint64_t> localHeaderOffset;  // a central offset that lies
    std::string comment;
    std::uint32_t plainCrc = 0;  // CRC-32 of the original data, filled by the helpers
    std::uint32_t plainSize = 0;
};

inline ZipMember StoredMember(std::string name, std::vector<std::uint8_t> data) {
    ZipMember m;
    m.name = std::move(name);
    m.plainCrc = Crc32Update(0, data.data(), data.size());
    m.plainSize = static_cast<std::uint32_t>(data.size());
    m.data = std::move(data);
    return m;
}

inline ZipMember DeflatedMember(std::string name, const std::vector<std::uint8_t>& data,
                                int level = 6) {
    ZipMember m = StoredMember(std::move(name), data);
    m.data = ZlibDeflate(data, level);
    m.method = 8;
    return m;
}

// Encrypts a member's data with the traditional cipher: a 12-byte header whose last
// byte is checkByte, then the data.
inline std::vector<std::uint8_t> TraditionalEncrypt(const std::vector<std::uint8_t>& data,
                                                    const char* password, std::uint8_t checkByte) {
    ZipCryptoKeys keys;
    ZipCryptoInitKeys(keys, password);
    std::vector<std::uint8_t> plain = RandomBytes(11, 77);
    plain.push_back(checkByte);
    plain.insert(plain.end(), data.begin(), data.end());
    std::vector<std::uint8_t> out;
    for (std::uint8_t p : plain) {
        out.push_back(static_cast<std::uint8_t>(p ^ ZipCryptoStreamByte(keys)));
        ZipCryptoUpdateKeys(keys, p);
    }
    return out;
}

// One extra-field record.
inline std::vector<std::uint8_t> ExtraRecord(std::uint16_t id,
                                             const std::vector<std::uint8_t>& data,
                                             std::optional<std::uint16_t> declaredSize = {}) {
    const std::uint16_t size = declaredSize.value_or(static_cast<std::uint16_t>(data.size()));
    std::vector<std::uint8_t> r;
    Put16(r, id);
    Put16(r, size);
    r.insert(r.end(), data.begin(), data.end());
    return r;
}

// The AES record: vendor version, "AE", strength, actual method.
inline std::vector<std::uint8_t> AesExtra(std::uint16_t version, std::uint8_t strength,
                                          std::uint16_t method) {
    std::vector<std::uint8_t> d;
    Put16(d, version);
    d.insert(d.end(), {'A', 'E', strength});
    Put16(d, method);
    return ExtraRecord(0x9901, d);
}

// The Info-ZIP Unicode Path record for a stored name.
inline std::vector<std::uint8_t> UnicodePathExtra(const std::string& storedName,
                                                  const std::string& utf8,
                                                  std::uint8_t version = 1) {
    const std::uint32_t crc = Crc32Update(0, storedName.data(), storedName.size());
    std::vector<std::uint8_t> d = {version};
    Put32(d, crc);
    d.insert(d.end(), utf8.begin(), utf8.end());
    return ExtraRecord(0x7075, d);
}

class ZipBuilder {
public:
    std::vector<ZipMember> members;
    // End-record fields; unset ones describe the directory written.
    std::optional<std::uint16_t> thisDisk, centralDirDisk, entriesThisDisk, totalEntries;
    std::optional<std::uint32_t> centralDirSize, centralDirOffset;
    std::string comment;
    std::optional<std::uint16_t> commentLength;
    std::vector<std::uint8_t> prefix;     // before the first local header (offsets include it)
    bool unadjustedPrefix = false;        // offsets count from after the prefix instead
    std::vector<std::uint8_t> beforeEnd;  // records between the directory and the end record
    std::vector<std::uint8_t> afterEnd;   // bytes after the end record and its comment
    // The ZIP64 end record and locator, end-record fields saturated; by default past
    // 65,535 members.
    std::optional<bool> zip64End;
    std::uint32_t locatorDisks = 1;

    ZipBuilder& Add(ZipMember m) {
        members.push_back(std::move(m));
        return *this;
    }

    std::vector<std::uint8_t> Build() const {
        std::vector<std::uint8_t> out = prefix;
        // Positions as the headers state them.
        const std::uint64_t base = unadjustedPrefix ? prefix.size() : 0;
        std::vector<std::uint64_t> offsets;
        for (const ZipMember& m : members) {
            offsets.push_back(out.size() - base);
            const std::string& localName = m.localName.value_or(m.name);
            const bool wide = Wide(m);
            std::vector<std::uint8_t> localExtra;
            if (wide) {
                localExtra = Zip64Extra({OriginalSize(m), CompressedSize(m)});
            }
            localExtra.insert(localExtra.end(), m.localExtra.begin(), m.localExtra.end());
            Put32(out, 0x04034B50);
            Put16(out, wide ? 45 : m.versionNeeded);
            Put16(out, m.localFlags.value_or(m.flags));
            Put16(out, m.method);
            Put16(out, m.localTime.value_or(m.time));
            Put16(out, m.date);
            Put32(out, m.streamed ? 0 : m.localCrc32.value_or(Crc(m)));
            Put32(out, m.streamed ? 0 : wide ? 0xFFFFFFFF : Narrow(CompressedSize(m)));
            Put32(out, m.streamed ? 0 : wide ? 0xFFFFFFFF : Narrow(OriginalSize(m)));
            Put16(out, static_cast<std::uint16_t>(localName.size()));
            Put16(out, static_cast<std::uint16_t>(localExtra.size()));
            out.insert(out.end(), localName.begin(), localName.end());
            out.insert(out.end(), localExtra.begin(), localExtra.end());
            out.insert(out.end(), m.data.begin(), m.data.end());
            if ((m.localFlags.value_or(m.flags) & 0x0008) != 0 && !m.omitDescriptor) {
                if (m.descriptorSignature) Put32(out, 0x08074B50);
                Put32(out, Crc(m));
                if (m.wideDescriptor.value_or(wide)) {
                    Put64(out, CompressedSize(m));
                    Put64(out, OriginalSize(m));
                } else {
                    Put32(out, Narrow(CompressedSize(m)));
                    Put32(out, Narrow(OriginalSize(m)));
                }
            }
        }
        const std::uint64_t directoryStart = out.size() - base;
        for (std::size_t i = 0; i < members.size(); ++i) {
            const ZipMember& m = members[i];
            const std::uint64_t offset = m.localHeaderOffset.value_or(offsets[i]);
            const bool wide = Wide(m) || offset >= 0xFFFFFFFF;
            std::vector<std::uint8_t> extra;
            if (wide) extra = Zip64Extra({OriginalSize(m), CompressedSize(m), offset});
            extra.insert(extra.end(), m.centralExtra.begin(), m.centralExtra.end());
            Put32(out, 0x02014B50);
            Put16(out, m.versionMadeBy);
            Put16(out, wide ? 45 : m.versionNeeded);
            Put16(out, m.flags);
            Put16(out, m.method);
            Put16(out, m.time);
            Put16(out, m.date);
            Put32(out, Crc(m));
            Put32(out, wide ? 0xFFFFFFFF : Narrow(CompressedSize(m)));
            Put32(out, wide ? 0xFFFFFFFF : Narrow(OriginalSize(m)));
            Put16(out, static_cast<std::uint16_t>(m.name.size()));
            Put16(out, static_cast<std::uint16_t>(extra.size()));
            Put16(out, static_cast<std::uint16_t>(m.comment.size()));
            Put16(out, 0);  // disk number start
            Put16(out, 0);  // internal attributes
            Put32(out, m.externalAttributes);
            Put32(out, wide ? 0xFFFFFFFF : Narrow(offset));
            out.insert(out.end(), m.name.begin(), m.name.end());
            out.insert(out.end(), extra.begin(), extra.end());
            out.insert(out.end(), m.comment.begin(), m.comment.end());
        }
        const std::uint64_t directorySize = out.size() - base - directoryStart;
        out.insert(out.end(), beforeEnd.begin(), beforeEnd.end());
        const bool wideEnd = zip64End.value_or(members.size() > 0xFFFF);
        if (wideEnd) {
            const std::uint64_t zip64EndAt = out.size() - base;
            Put32(out, 0x06064B50);
            Put64(out, 44);  // the record's size after this field
            Put16(out, 45);
            Put16(out, 45);
            Put32(out, thisDisk.value_or(0));
            Put32(out, centralDirDisk.value_or(0));
            Put64(out, members.size());
            Put64(out, members.size());
            Put64(out, directorySize);
            Put64(out, directoryStart);
            Put32(out, 0x07064B50);
            Put32(out, 0);  // the disk with the ZIP64 end record
            Put64(out, zip64EndAt);
            Put32(out, locatorDisks);
        }
        // Without ZIP64 records the count wraps, as writers that never learnt them store it.
        const auto count = static_cast<std::uint16_t>(wideEnd ? 0xFFFF : members.size() & 0xFFFF);
        AppendEndRecord(out, thisDisk.value_or(wideEnd ? 0xFFFF : 0),
                        centralDirDisk.value_or(wideEnd ? 0xFFFF : 0),
                        entriesThisDisk.value_or(count), totalEntries.value_or(count),
                        centralDirSize.value_or(wideEnd ? 0xFFFFFFFF : Narrow(directorySize)),
                        centralDirOffset.value_or(wideEnd ? 0xFFFFFFFF : Narrow(directoryStart)),
                        commentLength.value_or(static_cast<std::uint16_t>(comment.size())));
        out.insert(out.end(), comment.begin(), comment.end());
        out.insert(out.end(), afterEnd.begin(), afterEnd.end());
        return out;
    }

    static void AppendEndRecord(std::vector<std::uint8_t>& out, std::uint16_t disk,
                                std::uint16_t dirDisk, std::uint16_t here, std::uint16_t total,
                                std::uint32_t size, std::uint32_t offset,
                                std::uint16_t commentBytes) {
        Put32(out, 0x06054B50);
        Put16(out, disk);
        Put16(out, dirDisk);
        Put16(out, here);
        Put16(out, total);
        Put32(out, size);
        Put32(out, offset);
        Put16(out, commentBytes);
    }
    // A ZIP64 extra record holding the values given, 8 bytes each.
    static std::vector<std::uint8_t> Zip64Extra(std::initializer_list<std::uint64_t> values) {
        std::vector<std::uint8_t> data;
        for (const std::uint64_t v : values)
            Put64(data, v);
        return ExtraRecord(0x0001, data);
    }

private:
    static std::uint32_t Crc(const ZipMember& m) { return m.crc32.value_or(m.plainCrc); }
    static std::uint64_t CompressedSize(const ZipMember& m) {
        return m.compressedSize.value_or(m.data.size());
    }
    static std::uint64_t OriginalSize(const ZipMember& m) {
        return m.originalSize.value_or(m.plainSize);
    }
    static bool Wide(const ZipMember& m) {
        return m.zip64 || CompressedSize(m) >= 0xFFFFFFFF || OriginalSize(m) >= 0xFFFFFFFF;
    }
    static std::uint32_t Narrow(std::uint64_t v) { return static_cast<std::uint32_t>(v); }
};

}  // namespace quillory::testing
