// The member list as text for the terminal, laid out under the seven column titles with
// numbers aligned to the right; it shows what the list shows, and after the cells of a
// member no decoder takes, why (the window shows that as the row's tool tip). Two passes
// over the rows: the first measures the columns in terminal columns (counting the
// numbers' and times' units without formatting them), the second formats every cell into
// the same two buffers and lays the lines out into one large output buffer handed on in
// few writes. Nothing is kept per row or per cell, so a list of 100,000 rows takes no
// memory beyond the archive's table, and no cell allocates.
#include "cli/member_listing.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "cli/display_text.h"

namespace quillory::cli {
namespace {

// The columns whose text comes from the archive's names.
constexpr int kNameColumn = 0;
constexpr int kPathColumn = 6;

// Output is handed on once this much has gathered.
constexpr std::size_t kWriteChunkBytes = 256 * 1024;

// One cell at a time: its text as the list formats it, as one terminal line, and its
// width in columns. Row -1 is the header.
class CellFormatter {
public:
    explicit CellFormatter(const MemberList& list) : list_(list) {}

    // Columns the cell takes: the name and the folder may hold any character; the other
    // columns are ASCII, one column per unit.
    std::size_t Width(int row, int column) {
        if (row >= 0 && column != kNameColumn && column != kPathColumn)
            return list_.CellLength(row, column);
        return DisplayWidth(Format(row, column));
    }

    std::string_view Format(int row, int column) {
        wide_.clear();
        if (row < 0) {
            wide_ = kColumns[static_cast<std::size_t>(column)].title;
        } else {
            list_.AppendCellText(row, column, &wide_);
        }
        text_.clear();
        AppendOneLine(wide_, &text_);
        return text_;
    }

private:
    const MemberList& list_;
    WString wide_;
    std::string text_;
};

}  // namespace

void WriteListing(const MemberList& list, const std::function<void(std::string_view)>& write) {
    const int rows = list.rowCount();
    CellFormatter cells(list);
    std::size_t widths[kColumnCount] = {};
    for (int row = -1; row < rows; ++row) {
        for (int column = 0; column < kColumnCount; ++column) {
            std::size_t& width = widths[column];
            width = std::max(width, cells.Width(row, column));
        }
    }

    std::string out;
    out.reserve(kWriteChunkBytes + 4096);
    for (int row = -1; row < rows; ++row) {
        // The last column is not padded, trailing blanks are dropped.
        const std::size_t start = out.size();
        for (int column = 0; column < kColumnCount; ++column) {
            const std::string_view text = cells.Format(row, column);
            const std::size_t pad = widths[column] - DisplayWidth(text);
            if (column > 0) out.append(kColumnGap);
            if (kColumns[static_cast<std::size_t>(column)].alignment == ColumnAlignment::Right) {
                out.append(pad, ' ');
                out.append(text);
            } else {
                out.append(text);
                if (column != kColumnCount - 1) out.append(pad, ' ');
            }
        }
        // A member no decoder takes says why after its cells.
        if (row >= 0) {
            const WString note = list.UnsupportedNote(row);
            if (!note.empty()) {
                out.append(kColumnGap);
                AppendOneLine(note, &out);
            }
        }
        const std::size_t end = out.find_last_not_of(' ');
        out.resize(end == std::string::npos || end < start ? start : end + 1);
        out.push_back('\n');
        if (out.size() >= kWriteChunkBytes) {
            write(out);
            out.clear();
        }
    }
    if (!out.empty()) write(out);
}

}  // namespace quillory::cli
