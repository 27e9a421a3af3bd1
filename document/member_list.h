// The member list's content without any widget: which entries get a row, the text of
// each of the seven columns, and the entry index each row carries as its item data. A
// front end shows rowCount() rows and asks for cells as it draws them, so a list of
// 100,000 members is rebuilt at once. The view's two actions (extract the selected rows,
// open a row's member) go through the item data, never through row numbers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "document/archive_type.h"
#include "document/translation.h"
#include "platform/text.h"
#include "platform/time.h"

namespace quillory {

class CQuilloryDoc;
struct RunSummary;

inline constexpr int kColumnCount = 7;

enum class ColumnAlignment { Left, Right };

struct ColumnInfo {
    ShownText title;  // in the user's language where it is shown
    ColumnAlignment alignment;
    int width;  // in the device's pixels
};

inline constexpr std::array<ColumnInfo, kColumnCount> kColumns = {{
    {u"ファイル名", ColumnAlignment::Left, 190},
    {u"サイズ", ColumnAlignment::Right, 75},
    {u"圧縮サイズ", ColumnAlignment::Right, 75},
    {u"圧縮率", ColumnAlignment::Right, 60},
    {u"最終更新日時", ColumnAlignment::Right, 135},
    {u"属性", ColumnAlignment::Left, 45},
    {u"パス", ColumnAlignment::Left, 215},
}};

// Column texts, each formatted as the list shows it.
WString GroupDigits(std::uint64_t value);  // 1234567 -> "1,234,567"
WString FormatRatio(std::uint64_t compressedSize, std::uint64_t originalSize);  // "33.3%"
// "2021/03/04 05:06:08"; empty for kNoFileTime (no valid time stored) and out of range.
WString FormatTime(FileTime time);
WString FormatAttributes(std::uint32_t attributes);  // "RHSA" letters of the set bits

// Reads the document's readers when cells are asked for: it must not outlive the
// document it was last rebuilt from.
class MemberList {
public:
    // Rebuilds every row from the document's open reader: one row per entry in table
    // order, folder entries only when the setting "DisplayFolder" is on; in the folder
    // view only the files stored directly in its folder.
    void Rebuild(const CQuilloryDoc& doc);

    // The folder view: the folder's stored path ("\" after each name, "" for the top of
    // the archive), whose files alone get rows, without folder rows; nothing: every
    // member at once (the flat list). Kept across rebuilds; takes effect at the next.
    void SetFolder(std::optional<WString> folder) { folder_ = std::move(folder); }
    const std::optional<WString>& folder() const { return folder_; }
    // Every folder of the archive as of the last rebuild: those members are stored in and
    // those above them, each as its stored path ending in "\", sorted; not the top.
    const std::vector<WString>& folders() const { return folders_; }

    // The filter: only the rows whose name holds text, width and case aside
    // (document/search_text.h); empty shows every row. Kept across rebuilds; takes effect
    // at the next.
    void SetFilter(WStringView text);

    int rowCount() const { return static_cast<int>(entryIndices_.size()); }
    // The row's item data: the index of its entry in the reader's table.
    int EntryIndex(int row) const { return entryIndices_[static_cast<std::size_t>(row)]; }
    // The text of one cell; empty outside the rows and columns.
    WString CellText(int row, int column) const;
    // The same appended to *out, which can be reused from cell to cell.
    void AppendCellText(int row, int column, WString* out) const;
    // CellText(row, column).size(), without formatting where the column allows.
    std::size_t CellLength(int row, int column) const;
    std::array<WString, kColumnCount> RowTexts(int row) const;
    // What a front end draws beside the texts: a folder row, a protected member (a lock),
    // and the member's size as a number.
    struct RowFacts {
        bool folder = false;
        bool encrypted = false;
        std::uint64_t size = 0;
        std::uint64_t packedSize = 0;
    };
    RowFacts Facts(int row) const;

    // Why the row's member cannot be decoded ("非対応：JPEG (96)"), or empty; the CLI
    // listing ends its line with it, the window shows it as the row's tool tip.
    WString UnsupportedNote(int row) const;

    // Orders the rows by a column: folder rows first, then by the column's value (sizes,
    // ratios and times as numbers, texts by their characters), ties in table order;
    // column -1 restores table order. Kept across rebuilds. Sorts entry indices by the
    // entries' fields, never formatted texts, so 100,000 rows sort at once.
    void Sort(int column, bool descending);
    int sortColumn() const { return sortColumn_; }

    // Extract selected: the rows given (in any order) are extracted top to bottom.
    RunSummary ExtractSelected(CQuilloryDoc& doc, std::span<const int> selectedRows) const;
    // Double-click: a row (or -1 for empty space) to open with the desktop.
    void OpenRow(CQuilloryDoc& doc, int row) const;

private:
    const CQuilloryDoc* doc_ = nullptr;
    ArchiveType type_ = ArchiveType::None;
    std::vector<int> entryIndices_;
    std::optional<WString> folder_;
    std::vector<WString> folders_;
    WString filter_;  // folded
    int sortColumn_ = -1;
    bool descending_ = false;

    void ApplySort();
};

}  // namespace quillory
