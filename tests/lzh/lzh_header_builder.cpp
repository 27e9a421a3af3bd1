// The test header builder: LZH headers written field by field from a description, with
// sizes, checksums and CRCs computed unless a test sets them to wrong values.
#include "tests/lzh/lzh_header_builder.h"

#include <stdexcept>

#include "common/checksums.h"
#include "tests/support/le_writer.h"

namespace quillory::testing {
namespace {

// Extended headers chained: each is type, data, size of the next one.
Bytes Chain(const std::vector<ExtendedHeader>& headers) {
    Bytes out;
    for (std::size_t i = 0; i < headers.size(); ++i) {
        out.push_back(headers[i].type);
        out.insert(out.end(), headers[i].data.begin(), headers[i].data.end());
        Put16(out, i + 1 < headers.size()
                       ? static_cast<std::uint32_t>(headers[i + 1].data.size() + 3)
                       : 0);
    }
    return out;
}

}  // namespace

Bytes LzhHeaderFields::Build() const {
    if (method.size() != 5) throw std::invalid_argument("method must have five characters");
    std::vector<ExtendedHeader> chain;
    if (level == 2 && headerCrc) chain.push_back({kExtCommon, {0, 0}});
    chain.insert(chain.end(), extended.begin(), extended.end());
    const Bytes extendedBytes = Chain(chain);
    const std::uint32_t firstSize = firstExtendedSize.value_or(
        chain.empty() ? 0 : static_cast<std::uint32_t>(chain[0].data.size() + 3));
    const std::uint16_t crc = dataCrc.value_or(Crc16Update(0, data.data(), data.size()));

    Bytes h;
    if (level == 2) {
        Put16(h, 0);  // T, set below
        h.insert(h.end(), method.begin(), method.end());
        Put32(h, compressedSize.value_or(static_cast<std::uint32_t>(data.size())));
        Put32(h, originalSize);
        Put32(h, unixTime);
        h.push_back(attribute);
        h.push_back(2);
        Put16(h, crc);
        h.push_back('U');  // OS identifier
        Put16(h, firstSize);
        h.insert(h.end(), extendedBytes.begin(), extendedBytes.end());
        h.insert(h.end(), padding.begin(), padding.end());
        Set16(h, 0, totalSize.value_or(static_cast<std::uint16_t>(h.size())));
        if (headerCrc) {
            const std::uint16_t value = headerCrcValue.value_or(Crc16Update(0, h.data(), h.size()));
            Set16(h, 26 + 1, value);  // the common header's data, right after its type
        }
    } else {
        h.push_back(0);  // S, set below
        h.push_back(0);  // checksum, set below
        h.insert(h.end(), method.begin(), method.end());
        const std::uint32_t inHeader =
            level == 1 ? static_cast<std::uint32_t>(extendedBytes.size()) : 0;
        Put32(h, compressedSize.value_or(static_cast<std::uint32_t>(data.size()) + inHeader));
        Put32(h, originalSize);
        Put16(h, dosTime);
        Put16(h, dosDate);
        h.push_back(attribute);
        h.push_back(static_cast<std::uint8_t>(level));
        h.push_back(static_cast<std::uint8_t>(name.size()));
        h.insert(h.end(), name.begin(), name.end());
        Put16(h, crc);
        if (level == 1) h.push_back('M');
        h.insert(h.end(), basicExtra.begin(), basicExtra.end());
        if (level == 1) Put16(h, firstSize);
        h[0] = sizeByte.value_or(static_cast<std::uint8_t>(h.size() - 2));
        h[1] = checksum.value_or(HeaderSum8(h.data() + 2, h.size() - 2));
        if (level == 1) h.insert(h.end(), extendedBytes.begin(), extendedBytes.end());
    }
    h.insert(h.end(), data.begin(), data.end());
    return h;
}

LzhHeaderFields Stored(int level, std::string_view name, const Bytes& content) {
    LzhHeaderFields fields;
    fields.level = level;
    fields.data = content;
    fields.originalSize = static_cast<std::uint32_t>(content.size());
    const Bytes nameBytes(name.begin(), name.end());
    if (level == 2) {
        fields.extended.push_back({kExtName, nameBytes});
    } else {
        fields.name = nameBytes;
    }
    return fields;
}

LzhHeaderFields FolderEntry(int level, std::string_view folder) {
    LzhHeaderFields fields;
    fields.level = level;
    fields.method = "-lhd-";
    fields.attribute = 0x10;
    const Bytes folderBytes(folder.begin(), folder.end());
    if (level == 0) {
        fields.name = folderBytes;
    } else {
        fields.extended.push_back({kExtFolder, folderBytes});
    }
    return fields;
}

Bytes Archive(const std::vector<Bytes>& members, bool endMark) {
    Bytes out;
    for (const Bytes& m : members)
        out.insert(out.end(), m.begin(), m.end());
    if (endMark) out.push_back(0);
    return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace quillory::testing
