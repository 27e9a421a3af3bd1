// The member list's rows and cells without a widget: which entries get a row, each of the
// seven columns' text, sorting by a column with folders first, and the entry index each
// row carries. Actions reach members through those indices, never through row numbers.
#include "document/member_list.h"

#include <algorithm>
#include <bit>
#include <charconv>

#include "document/member_outcome.h"
#include "document/quillory_doc.h"
#include "document/search_text.h"
#include "document/shown_name.h"
#include "document/texts.h"
#include "platform/file.h"

namespace quillory {
namespace {

void AppendGroupDigits(std::uint64_t value, WString* out) {
    char digits[24];  // 20 digits at most
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const std::size_t length = static_cast<std::size_t>(end - digits);
    // The first group has length mod 3 digits (3 when that is 0), every further one 3.
    std::size_t first = length % 3 == 0 ? 3 : length % 3;
    out->append(digits, digits + first);
    for (std::size_t i = first; i < length; i += 3) {
        *out += u',';
        out->append(digits + i, digits + i + 3);
    }
}

void AppendRatio(std::uint64_t compressedSize, std::uint64_t originalSize, WString* out) {
    const double ratio = originalSize == 0 ? 100.0
                                           : static_cast<double>(compressedSize) /
                                                 static_cast<double>(originalSize) * 100.0;
    // Up to (2^64 - 1) / 1 * 100, 22 digits, with one decimal: inside the buffer.
    char text[32];
    const char* end =
        std::to_chars(text, text + sizeof text - 1, ratio, std::chars_format::fixed, 1).ptr;
    out->append(static_cast<const char*>(text), end);
    *out += u'%';
}

void AppendTime(FileTime time, WString* out) {
    platform::CalendarTime c;
    if (time == kNoFileTime || !platform::FileTimeToCalendar(time, &c)) return;
    // "%d/%02d/%02d %02d:%02d:%02d" written by hand: a list of 100,000 rows formats as
    // many times, and printf's parsing was a large part of it. The year has up to five
    // digits (1601 .. 30827), every other field two.
    char text[24];
    char* p = std::to_chars(text, text + 6, c.year).ptr;
    const auto two = [&p](char separator, int value) {
        *p++ = separator;
        *p++ = static_cast<char>('0' + value / 10 % 10);
        *p++ = static_cast<char>('0' + value % 10);
    };
    two('/', c.month);
    two('/', c.day);
    two(' ', c.hour);
    two(':', c.minute);
    two(':', c.second);
    out->append(text, p);
}

void AppendAttributes(std::uint32_t attributes, WString* out) {
    if ((attributes & platform::kAttributeReadOnly) != 0) *out += u'R';
    if ((attributes & platform::kAttributeHidden) != 0) *out += u'H';
    if ((attributes & platform::kAttributeSystem) != 0) *out += u'S';
    if ((attributes & platform::kAttributeArchive) != 0) *out += u'A';
}

// A folder row's fixed cells.
constexpr WStringView kFolderSize = u"0";
constexpr WStringView kFolderRatio = u"0%";

// The stored UTC time of an LZH entry is shown in local time; a ZIP entry's time is
// local already, or converted from its UTC record.
FileTime ShownTime(const LzhEntry& entry) {
    FileTime local = entry.modifiedTime;
    if (entry.modifiedTime == kNoFileTime) return kNoFileTime;
    return platform::UtcFileTimeToLocal(entry.modifiedTime, &local) ? local : entry.modifiedTime;
}
FileTime ShownTime(const ZipEntry& entry) {
    return LocalModifiedTime(entry);
}

template <class Entry>
void AppendEntryCell(const Entry& entry, int column, WString* out) {
    const WStringView name(entry.name);
    const bool folder = name.empty();
    switch (column) {
        case 0:
            // Stored names show on one line, each control character as one "?".
            if (folder) {
                out->append(texts::kFolderRowName);
            } else {
                AppendShownName(name, out);
            }
            break;
        case 1:
            folder ? void(out->append(kFolderSize)) : AppendGroupDigits(entry.originalSize, out);
            break;
        case 2:
            folder ? void(out->append(kFolderSize)) : AppendGroupDigits(entry.compressedSize, out);
            break;
        case 3:
            folder ? void(out->append(kFolderRatio))
                   : AppendRatio(entry.compressedSize, entry.originalSize, out);
            break;
        case 4:
            AppendTime(ShownTime(entry), out);
            break;
        case 5:
            AppendAttributes(entry.attributes, out);
            break;
        case 6:
            AppendShownName(WStringView(entry.path), out);
            break;
        default:
            break;
    }
}

// The stored time before any conversion, to tell a plain date from the calendar's edges.
FileTime StoredTime(const LzhEntry& entry) {
    return entry.modifiedTime;
}
FileTime StoredTime(const ZipEntry& entry) {
    return entry.modifiedTimeUtc != kNoFileTime ? entry.modifiedTimeUtc : entry.modifiedTime;
}

// Units of a cell's text, counted without formatting it where the column allows: a long
// listing measures every cell before it writes any.
template <class Entry>
std::size_t EntryCellLength(const Entry& entry, int column) {
    const bool folder = WStringView(entry.name).empty();
    // "1,234,567": the digits and a comma per full group after the first.
    const auto grouped = [](std::uint64_t value) {
        std::size_t digits = 1;
        for (; value >= 10; value /= 10)
            ++digits;
        return digits + (digits - 1) / 3;
    };
    switch (column) {
        case 1:
            return folder ? kFolderSize.size() : grouped(entry.originalSize);
        case 2:
            return folder ? kFolderSize.size() : grouped(entry.compressedSize);
        case 4: {
            // Between 1602 and 9999 in UTC, local time too is a four-digit year:
            // "2021/03/04 05:06:08".
            constexpr FileTime kYear1602 = 315360000000000;
            constexpr FileTime kDecember30Of9999 = 2650466016000000000;
            constexpr std::size_t kFourDigitYearTime = 19;
            const FileTime stored = StoredTime(entry);
            if (stored != kNoFileTime && stored >= kYear1602 && stored < kDecember30Of9999)
                return kFourDigitYearTime;
            break;
        }
        case 5: {
            constexpr std::uint32_t kShown =
                platform::kAttributeReadOnly | platform::kAttributeHidden |
                platform::kAttributeSystem | platform::kAttributeArchive;
            return static_cast<std::size_t>(std::popcount(entry.attributes & kShown));
        }
        default:
            break;
    }
    WString text;
    AppendEntryCell(entry, column, &text);
    return text.size();
}

// Indices of the rows an entry table gets: every entry (folder entries as showFolders
// says), or the files stored directly in one folder.
template <class Reader>
void CollectRows(const Reader& reader, int count, bool showFolders,
                 const std::optional<WString>& folder, std::vector<int>* rows) {
    rows->reserve(folder ? 0 : static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto& entry = reader.entries()[static_cast<std::size_t>(i)];
        const bool isFolder = WStringView(entry.name).empty();
        if (folder ? !isFolder && WStringView(entry.path) == *folder : showFolders || !isFolder) {
            rows->push_back(i);
        }
    }
}

bool IsSeparator(WChar c) {
    return c == u'\\' || c == u'/';
}

// Every folder the entries' paths name, with the folders above them.
template <class Reader>
std::vector<WString> CollectFolders(const Reader& reader) {
    std::vector<WString> folders;
    WStringView last;
    for (const auto& entry : reader.entries()) {
        const WStringView path(entry.path);
        // Members of one folder mostly come together: each new path once.
        if (path.empty() || path == last) continue;
        last = path;
        for (std::size_t i = 0; i < path.size(); ++i) {
            if (IsSeparator(path[i]) && i > 0) folders.emplace_back(path.substr(0, i + 1));
        }
        if (!IsSeparator(path.back())) folders.emplace_back(path);
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    return folders;
}

// The order of two entries by a column, as a three-way result on their fields.
template <class Entry>
int CompareBy(const Entry& a, const Entry& b, int column) {
    const auto three = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    switch (column) {
        case 0:
            return three(WStringView(a.name), WStringView(b.name));
        case 1:
            return three(std::uint64_t{a.originalSize}, std::uint64_t{b.originalSize});
        case 2:
            return three(std::uint64_t{a.compressedSize}, std::uint64_t{b.compressedSize});
        case 3: {
            // compressed / original compared without division; an empty member is 100%.
            const auto ratio = [](const Entry& e) {
                return e.originalSize == 0 ? 1.0
                                           : static_cast<double>(e.compressedSize) /
                                                 static_cast<double>(e.originalSize);
            };
            return three(ratio(a), ratio(b));
        }
        case 4:
            return three(ShownTime(a), ShownTime(b));
        case 5:
            return three(a.attributes & 0x27u, b.attributes & 0x27u);
        case 6:
            return three(WStringView(a.path), WStringView(b.path));
        default:
            return 0;
    }
}

template <class Entries>
void SortRows(const Entries& entries, int column, bool descending, std::vector<int>* rows) {
    std::stable_sort(rows->begin(), rows->end(), [&](int x, int y) {
        const auto& a = entries[static_cast<std::size_t>(x)];
        const auto& b = entries[static_cast<std::size_t>(y)];
        const bool folderA = WStringView(a.name).empty();
        const bool folderB = WStringView(b.name).empty();
        if (folderA != folderB) return folderA;  // folders first, either way round
        const int order = CompareBy(a, b, column);
        return descending ? order > 0 : order < 0;
    });
}

}  // namespace

void MemberList::Sort(int column, bool descending) {
    sortColumn_ = column >= 0 && column < kColumnCount ? column : -1;
    descending_ = descending;
    if (sortColumn_ < 0) {
        // Table order is the entry indices' own order.
        std::sort(entryIndices_.begin(), entryIndices_.end());
        return;
    }
    ApplySort();
}

void MemberList::ApplySort() {
    if (doc_ == nullptr || sortColumn_ < 0) return;
    if (type_ == ArchiveType::Lzh) {
        SortRows(doc_->lzhArchive->entries(), sortColumn_, descending_, &entryIndices_);
    } else {
        SortRows(doc_->zipArchive->entries(), sortColumn_, descending_, &entryIndices_);
    }
}

WString GroupDigits(std::uint64_t value) {
    WString text;
    AppendGroupDigits(value, &text);
    return text;
}

WString FormatRatio(std::uint64_t compressedSize, std::uint64_t originalSize) {
    WString text;
    AppendRatio(compressedSize, originalSize, &text);
    return text;
}

WString FormatTime(FileTime time) {
    WString text;
    AppendTime(time, &text);
    return text;
}

WString FormatAttributes(std::uint32_t attributes) {
    WString text;
    AppendAttributes(attributes, &text);
    return text;
}

void MemberList::Rebuild(const CQuilloryDoc& doc) {
    doc_ = &doc;
    type_ = doc.archiveType;
    entryIndices_.clear();
    const int count = doc.EntryCount();
    const bool showFolders = doc.settings().DisplayFolder != 0;
    folders_.clear();
    if (doc.isOpen == 0) return;
    doc.WithReader([&](const auto& reader) {
        CollectRows(reader, count, showFolders, folder_, &entryIndices_);
        folders_ = CollectFolders(reader);
        if (filter_.empty()) return;
        std::erase_if(entryIndices_, [&](int index) {
            const WStringView name(reader.entries()[static_cast<std::size_t>(index)].name);
            return !ContainsFolded(name, filter_);
        });
    });
    ApplySort();
}

void MemberList::SetFilter(WStringView text) {
    filter_ = FoldForSearch(text);
}

WString MemberList::CellText(int row, int column) const {
    WString text;
    AppendCellText(row, column, &text);
    return text;
}

std::size_t MemberList::CellLength(int row, int column) const {
    if (doc_ == nullptr || row < 0 || row >= rowCount()) return 0;
    const std::size_t index = static_cast<std::size_t>(EntryIndex(row));
    if (type_ == ArchiveType::Lzh) {
        const auto& entries = doc_->lzhArchive->entries();
        return index < entries.size() ? EntryCellLength(entries[index], column) : 0;
    }
    const auto& entries = doc_->zipArchive->entries();
    return index < entries.size() ? EntryCellLength(entries[index], column) : 0;
}

void MemberList::AppendCellText(int row, int column, WString* out) const {
    if (doc_ == nullptr || row < 0 || row >= rowCount()) return;
    const std::size_t index = static_cast<std::size_t>(EntryIndex(row));
    // The table is read as it is now; a row whose entry has gone shows nothing.
    if (type_ == ArchiveType::Lzh) {
        const auto& entries = doc_->lzhArchive->entries();
        if (index < entries.size()) AppendEntryCell(entries[index], column, out);
        return;
    }
    const auto& entries = doc_->zipArchive->entries();
    if (index < entries.size()) AppendEntryCell(entries[index], column, out);
}

std::array<WString, kColumnCount> MemberList::RowTexts(int row) const {
    std::array<WString, kColumnCount> cells;
    for (int column = 0; column < kColumnCount; ++column) {
        cells[static_cast<std::size_t>(column)] = CellText(row, column);
    }
    return cells;
}

namespace {

bool IsEncrypted(const LzhEntry&) {
    return false;
}
// Bit 0 of the general-purpose flags: traditional encryption or ZIP AES.
bool IsEncrypted(const ZipEntry& entry) {
    return (entry.flags & 1) != 0;
}

template <class Entry>
MemberList::RowFacts FactsOf(const Entry& entry) {
    const bool folder = WStringView(entry.name).empty();
    if (folder) return {true, false, 0, 0};
    return {false, IsEncrypted(entry), std::uint64_t{entry.originalSize},
            std::uint64_t{entry.compressedSize}};
}

}  // namespace

MemberList::RowFacts MemberList::Facts(int row) const {
    if (doc_ == nullptr || row < 0 || row >= rowCount()) return {};
    const std::size_t index = static_cast<std::size_t>(EntryIndex(row));
    if (type_ == ArchiveType::Lzh) {
        const auto& entries = doc_->lzhArchive->entries();
        return index < entries.size() ? FactsOf(entries[index]) : RowFacts{};
    }
    const auto& entries = doc_->zipArchive->entries();
    return index < entries.size() ? FactsOf(entries[index]) : RowFacts{};
}

WString MemberList::UnsupportedNote(int row) const {
    if (doc_ == nullptr || row < 0 || row >= rowCount()) return {};
    const std::size_t index = static_cast<std::size_t>(EntryIndex(row));
    WString reason;
    if (type_ == ArchiveType::Lzh) {
        const auto& entries = doc_->lzhArchive->entries();
        if (index < entries.size()) reason = UnsupportedReason(entries[index]);
    } else {
        const auto& entries = doc_->zipArchive->entries();
        if (index < entries.size()) reason = UnsupportedReason(entries[index]);
    }
    return reason.empty() ? reason : WString(texts::kUnsupportedNote) + reason;
}

RunSummary MemberList::ExtractSelected(CQuilloryDoc& doc, std::span<const int> selectedRows) const {
    std::vector<int> rows(selectedRows.begin(), selectedRows.end());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<int> entries;
    entries.reserve(rows.size());
    for (const int row : rows) {
        if (row >= 0 && row < rowCount()) entries.push_back(EntryIndex(row));
    }
    return doc.ExtractEntries(entries);
}

void MemberList::OpenRow(CQuilloryDoc& doc, int row) const {
    if (row < 0 || row >= rowCount()) return;
    doc.OpenEntry(EntryIndex(row));
}

}  // namespace quillory
