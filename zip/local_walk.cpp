// The local-header walk. A header counts when its signature is followed by fields an
// archiver writes (a version and method in their ranges, a name); a member with a data
// descriptor ends where a descriptor stands whose compressed size is its distance from
// the data's start, followed by the next record's signature or the end of the file. The
// descriptor may lack its signature (early PKZIP wrote none; the format made it
// optional) and may hold 8-byte sizes (Python's and Java's ZIP64 members). A stored
// member's descriptor must also give the CRC-32 and size of the bytes before it, since
// stored data may hold anything (another archive's records among them).
#include "zip/local_walk.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "common/buffered_reader.h"
#include "common/checksums.h"
#include "zip/directory_walk.h"
#include "zip/extra_field.h"
#include "zip/zip_format.h"
#include "zip/zip_names.h"

namespace quillory::zip {

using namespace format;

namespace {

constexpr std::size_t kLocalBytes = kSignatureBytes + kLocalFixedBytes;
// The source is scanned in pieces of this size, each with the bytes after it that a
// record starting in it may need.
constexpr std::size_t kPieceBytes = std::size_t{1} << 16;
constexpr std::size_t kLookahead = 32;
static_assert(kLookahead >= kLocalBytes);

// A local header's fixed fields as an archiver writes them: version needed up to 6.3
// (the newest the format defines), a method of the registered range (0-20, 93-99) and a
// name. Bytes that merely hold the signature rarely pass.
bool Plausible(const std::uint8_t* h) {
    const std::uint16_t method = Le16(h + 8);
    constexpr std::uint8_t kNewestVersion = 63;
    return h[4] <= kNewestVersion && (method <= 20 || (method >= 93 && method <= 99)) &&
           Le16(h + 26) != 0;
}

bool IsRecordSignature(std::uint32_t value) {
    return value == kLocalHeaderSignature || value == kCentralHeaderSignature ||
           value == kEndRecordSignature || value == kZip64EndSignature ||
           value == kDescriptorSignature;
}

// Reads the piece at `at` with its lookahead; how many bytes arrived.
std::size_t ReadPiece(const ByteSource& source, std::uint64_t at,
                      std::vector<std::uint8_t>& piece) {
    piece.assign(kPieceBytes + kLookahead, 0);
    return source.ReadAt(at, piece.data(), piece.size());
}

// The first plausible local header at or after `from`.
std::optional<std::uint64_t> FindLocalHeader(const ByteSource& source, std::uint64_t from,
                                             std::vector<std::uint8_t>& piece) {
    for (std::uint64_t at = from; at < source.Size(); at += kPieceBytes) {
        const std::size_t got = ReadPiece(source, at, piece);
        const std::size_t scanned = std::min(got, kPieceBytes);
        for (std::size_t i = 0; i < scanned; ++i) {
            const void* hit = std::memchr(piece.data() + i, 'P', scanned - i);
            if (hit == nullptr) break;
            i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - piece.data());
            if (i + kLocalBytes <= got && Le32(piece.data() + i) == kLocalHeaderSignature &&
                Plausible(piece.data() + i)) {
                return at + i;
            }
        }
        if (got < piece.size()) break;
    }
    return std::nullopt;
}

struct Descriptor {
    std::uint32_t crc32 = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t originalSize = 0;
    std::uint64_t end = 0;  // the first byte after it
};

// The descriptor's four forms: with or without its signature, sizes in 4 or 8 bytes.
struct DescriptorForm {
    std::size_t lead;       // signature bytes
    std::size_t sizeBytes;  // of each size
};
constexpr DescriptorForm kDescriptorForms[] = {{4, 4}, {4, 8}, {0, 4}, {0, 8}};

// The descriptor of the member whose data starts at dataStart: the first place where one
// stands whose compressed size is its own distance from dataStart. checkStored: the data
// is the member itself, whose CRC-32 and size the descriptor must give too.
std::optional<Descriptor> FindDescriptor(const ByteSource& source, std::uint64_t dataStart,
                                         bool checkStored, std::vector<std::uint8_t>& piece) {
    const std::uint64_t size = source.Size();
    std::uint32_t crc = 0;
    std::uint64_t crcAt = dataStart;  // the CRC covers the data up to here
    for (std::uint64_t at = dataStart; at < size; at += kPieceBytes) {
        const std::size_t got = ReadPiece(source, at, piece);
        const std::uint8_t* p = piece.data();
        const std::size_t scanned = std::min(got, kPieceBytes);
        // What follows a descriptor: another record, or less than a record's signature
        // (the end of the file cuts the next header there).
        const auto endsThere = [&](std::size_t end) {
            return at + end + kSignatureBytes > size ||
                   (end + kSignatureBytes <= got && IsRecordSignature(Le32(p + end)));
        };
        const auto descriptorAt = [&](std::size_t i) -> std::optional<Descriptor> {
            const std::uint64_t distance = at + i - dataStart;
            const bool signature =
                i + kSignatureBytes <= got && Le32(p + i) == kDescriptorSignature;
            for (const DescriptorForm& form : kDescriptorForms) {
                if (form.lead != 0 && !signature) continue;
                const std::size_t sizes = i + form.lead + kDescriptorCrcBytes;
                const std::size_t end = sizes + 2 * form.sizeBytes;
                if (end > got) continue;
                const auto read = [&](std::size_t o) {
                    return form.sizeBytes == 4 ? std::uint64_t{Le32(p + o)} : Le64(p + o);
                };
                // The next record (or the end) right after it also tells a descriptor of
                // 8-byte sizes, whose first 4 bytes read as a 4-byte one's, from that one.
                if (read(sizes) != distance || !endsThere(end)) continue;
                return Descriptor{Le32(p + sizes - kDescriptorCrcBytes), distance,
                                  read(sizes + form.sizeBytes), at + end};
            }
            return std::nullopt;
        };
        for (std::size_t i = 0; i < scanned; ++i) {
            const std::optional<Descriptor> found = descriptorAt(i);
            if (!found) continue;
            if (checkStored) {
                crc = Crc32Update(crc, p + (crcAt - at), static_cast<std::size_t>(at + i - crcAt));
                crcAt = at + i;
                if (found->crc32 != crc || found->originalSize != found->compressedSize) continue;
            }
            return found;
        }
        if (checkStored) {
            crc =
                Crc32Update(crc, p + (crcAt - at), static_cast<std::size_t>(at + scanned - crcAt));
            crcAt = at + scanned;
        }
        if (got < piece.size()) break;
    }
    return std::nullopt;
}

}  // namespace

bool ReadLocalHeaders(const ByteSource& source, const NameEncoding& encoding,
                      std::pmr::vector<ZipEntry>& entries, std::pmr::memory_resource* nameMemory,
                      std::pmr::memory_resource* memory, bool* lastCut) {
    *lastCut = false;
    std::vector<std::uint8_t> piece;
    const std::optional<std::uint64_t> first = FindLocalHeader(source, 0, piece);
    if (!first) return false;
    MemberNameDecoder names(encoding);
    std::vector<std::uint8_t> nameBytes;
    std::vector<std::uint8_t> extraBytes;
    const std::uint64_t size = source.Size();
    // Headers and names through a buffer: an archive of many small members would
    // otherwise cost three reads of the source each.
    BufferedReader reader(source, *first, memory);
    const auto read = [&](void* to, std::size_t count) { return reader.Read(to, count) == count; };
    for (;;) {
        const std::uint64_t at = reader.Position();
        std::uint8_t h[kLocalBytes];
        if (!read(h, sizeof h) || Le32(h) != kLocalHeaderSignature || !Plausible(h)) break;
        const std::size_t nameLength = Le16(h + 26);
        const std::size_t extraLength = Le16(h + 28);
        nameBytes.resize(nameLength);
        extraBytes.resize(extraLength);
        // A header that the end of the file cuts lists nothing.
        if (!read(nameBytes.data(), nameLength) || !read(extraBytes.data(), extraLength)) break;
        const ExtraRecords extra = ScanExtraField(extraBytes.data(), extraLength);
        const std::uint32_t flags = Le16(h + 6);
        const StoredName stored{nameBytes.data(), nameLength, flags, extra.unicodePath, false};
        const WString name = names.Decode(entries.size(), stored);
        ZipEntry& e = entries.emplace_back(nameMemory);
        SplitMemberName(name, &e.path, &e.name);
        e.versionNeeded = e.madeByVersion = h[4];
        e.versionNeededHost = e.madeByHost = h[5];
        e.flags = flags;
        e.method = Le16(h + 8);
        DosTimeToFileTime(Le16(h + 12), Le16(h + 10), &e.modifiedTime);
        e.modifiedTimeUtc = ModifiedTimeUtc(extra);
        e.crc32 = Le32(h + 14);
        Zip64Values wide{Le32(h + 22), Le32(h + 18), 0};
        ApplyZip64Record(extra.zip64, &wide);
        e.compressedSize = wide.compressedSize;
        e.originalSize = wide.originalSize;
        e.localHeaderOffset = at;
        ApplyAesRecord(extra, e);
        const std::uint64_t dataStart = reader.Position();
        std::uint64_t next = dataStart + e.compressedSize;
        if ((flags & kFlagDataDescriptor) != 0) {
            const bool checkStored = e.method == kMethodStored && (flags & kFlagEncrypted) == 0;
            const std::optional<Descriptor> d =
                FindDescriptor(source, dataStart, checkStored, piece);
            if (!d) {
                // Cut before its descriptor: all the rest is its data, and it is the last.
                e.compressedSize = size - dataStart;
                *lastCut = true;
                break;
            }
            e.crc32 = d->crc32;
            e.compressedSize = d->compressedSize;
            e.originalSize = d->originalSize;
            next = d->end;
        }
        // Data past the end: a member cut short, the last one there is.
        if (next > size || next < dataStart) {
            *lastCut = true;
            break;
        }
        reader.Skip(next - dataStart);
    }
    names.RedecodeAsUtf8([&](std::size_t index, WString name) {
        SplitMemberName(name, &entries[index].path, &entries[index].name);
    });
    return !entries.empty();
}

}  // namespace quillory::zip
