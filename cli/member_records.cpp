// Names and JSON for scripts. A member's path is its folders and name as stored, each
// folder ending in "/" whichever separator the archive used, a folder entry ending in
// "/" itself. JSON gives sizes as numbers, the method as the archive names it, times in
// ISO 8601 (UTC with "Z" where the archive stores UTC, else the local time it stores,
// without a zone, and null when it stores none valid) and the CRC in hexadecimal.
#include "cli/member_records.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/display_text.h"
#include "document/quillory_doc.h"
#include "platform/time.h"
#include "zip/zip_format.h"

namespace quillory::cli {
namespace {

// Output is handed on once this much has gathered.
constexpr std::size_t kWriteChunkBytes = 256 * 1024;

// The member's folders and name, folders ending in "/".
WString StoredPath(WStringView folder, WStringView name) {
    WString path(folder);
    for (char16_t& c : path)
        if (c == u'\\') c = u'/';
    return path.append(name);
}

// The name of a folder entry: its last folder.
WString FolderName(WStringView folder) {
    WStringView trimmed = folder;
    while (!trimmed.empty() && (trimmed.back() == u'\\' || trimmed.back() == u'/'))
        trimmed.remove_suffix(1);
    const std::size_t slash = trimmed.find_last_of(u"\\/");
    return WString(slash == WStringView::npos ? trimmed : trimmed.substr(slash + 1));
}

// The text as a JSON string, with quotes: controls, quotes and backslashes escaped.
void AppendJsonString(WStringView text, std::string* out) {
    const std::string utf8 = platform::WideToUtf8(text);
    out->push_back('"');
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out->push_back('\\');
            out->push_back(c);
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out->append(escaped);
        } else {
            out->push_back(c);
        }
    }
    out->push_back('"');
}

// "2024-04-01T09:00:00", then "Z" for a UTC time; null for no valid time.
void AppendJsonTime(FileTime time, bool utc, std::string* out) {
    platform::CalendarTime c;
    if (time == kNoFileTime || !platform::FileTimeToCalendar(time, &c)) {
        out->append("null");
        return;
    }
    char text[32];
    std::snprintf(text, sizeof text, "\"%04d-%02d-%02dT%02d:%02d:%02d%s\"", c.year, c.month, c.day,
                  c.hour, c.minute, c.second, utc ? "Z" : "");
    out->append(text);
}

std::string Hex(std::uint32_t value, int digits) {
    char text[12];
    std::snprintf(text, sizeof text, "%0*x", digits, static_cast<unsigned>(value));
    return text;
}

// The ZIP method by the name the format's note gives it; for AES, the method inside.
std::string ZipMethodName(const ZipEntry& entry) {
    const std::uint32_t method = entry.aesPresent != 0 ? entry.aesMethod : entry.method;
    switch (method) {
        case 0:
            return "stored";
        case 8:
            return "deflate";
        case 9:
            return "deflate64";
        case 12:
            return "bzip2";
        case 14:
            return "lzma";
        case 93:
            return "zstd";
        case 95:
            return "xz";
        case 98:
            return "ppmd";
        default:
            return "method " + std::to_string(method);
    }
}

// What the two readers' entries hold, in the records' terms.
struct Record {
    WString name;
    WString path;
    bool folder;
    std::uint64_t size;
    std::uint64_t compressedSize;
    std::string method;
    FileTime time;
    bool utc;
    bool encrypted;
    std::string crc;
};

Record RecordOf(const LzhEntry& e) {
    const bool folder = e.name.empty();
    return {folder ? FolderName(e.path) : WString(e.name),
            StoredPath(e.path, e.name),
            folder,
            e.originalSize,
            e.compressedSize,
            platform::WideToUtf8(WStringView(e.method)),
            e.modifiedTime,
            true,
            false,
            Hex(e.crc16, 4)};
}

Record RecordOf(const ZipEntry& e) {
    const bool folder = e.name.empty();
    const bool utc = e.modifiedTimeUtc != kNoFileTime;
    return {folder ? FolderName(e.path) : WString(e.name),
            StoredPath(e.path, e.name),
            folder,
            e.originalSize,
            e.compressedSize,
            ZipMethodName(e),
            utc ? e.modifiedTimeUtc : e.modifiedTime,
            utc,
            (e.flags & zip::format::kFlagEncrypted) != 0,
            Hex(e.crc32, 8)};
}

void AppendJson(const Record& r, std::string* out) {
    out->append("{\"name\": ");
    AppendJsonString(r.name, out);
    out->append(", \"path\": ");
    AppendJsonString(r.path, out);
    out->append(r.folder ? ", \"folder\": true" : ", \"folder\": false");
    out->append(", \"size\": ").append(std::to_string(r.size));
    out->append(", \"compressed_size\": ").append(std::to_string(r.compressedSize));
    out->append(", \"method\": ");
    AppendJsonString(platform::Utf8ToWide(r.method), out);
    out->append(", \"time\": ");
    AppendJsonTime(r.time, r.utc, out);
    out->append(r.encrypted ? ", \"encrypted\": true" : ", \"encrypted\": false");
    out->append(", \"crc\": \"").append(r.crc).append("\"}");
}

}  // namespace

void WriteMemberRecords(const CQuilloryDoc& doc, ListFormat format,
                        const std::function<void(std::string_view)>& write) {
    std::string out;
    out.reserve(kWriteChunkBytes + 4096);
    const bool json = format == ListFormat::Json;
    if (json) {
        out.append("{\"format\": \"");
        out.append(doc.archiveType == ArchiveType::Lzh ? "lzh" : "zip");
        out.append("\", \"members\": [");
    }
    doc.WithReader([&](const auto& reader) {
        const auto& entries = reader.entries();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const Record record = RecordOf(entries[i]);
            if (json) {
                out.append(i == 0 ? "\n  " : ",\n  ");
                AppendJson(record, &out);
            } else {
                AppendOneLine(record.path, &out);
                out.push_back('\n');
            }
            if (out.size() >= kWriteChunkBytes) {
                write(out);
                out.clear();
            }
        }
        if (json) out.append(!entries.empty() ? "\n]}\n" : "]}\n");
    });
    if (!out.empty()) write(out);
}

}  // namespace quillory::cli
