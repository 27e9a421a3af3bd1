// The member list as text for the terminal: the cells are formatted once and measured in
// terminal columns, then laid out under the seven column titles with numbers aligned to
// the right. It shows what the list shows and nothing else.
#include "cli/member_listing.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "cli/display_text.h"

namespace quillory::cli {
namespace {

// Output is handed on once this much has gathered.
constexpr std::size_t kWriteChunkBytes = 256 * 1024;
// A guess at a row's formatted size, to reserve the text store once.
constexpr std::size_t kRowBytesGuess = 80;

// One formatted cell: where its text is in the shared store, and its width in columns.
// Cells live in one store rather than in strings of their own: a list of 100,000 rows
// has 700,000 of them.
struct Cell {
    std::size_t offset;
    std::size_t size;
    std::size_t width;
};

class CellStore {
public:
    explicit CellStore(std::size_t rows) {
        text_.reserve(rows * kRowBytesGuess);
        cells_.reserve(rows * kColumnCount);
    }
    void Add(WStringView text) {
        const std::size_t offset = text_.size();
        AppendOneLine(text, &text_);
        const std::size_t size = text_.size() - offset;
        cells_.push_back(
            {offset, size, DisplayWidth(std::string_view(text_).substr(offset, size))});
    }
    const Cell& cell(std::size_t i) const { return cells_[i]; }
    std::size_t count() const { return cells_.size(); }
    std::string_view Text(const Cell& cell) const {
        return std::string_view(text_).substr(cell.offset, cell.size);
    }

private:
    std::string text_;
    std::vector<Cell> cells_;
};

// One line of cells; the last column is not padded, trailing blanks are dropped.
void AppendLine(const CellStore& store, std::size_t first, const std::size_t* widths,
                std::string* out) {
    const std::size_t start = out->size();
    for (std::size_t column = 0; column < kColumnCount; ++column) {
        const Cell& cell = store.cell(first + column);
        const bool last = column == kColumnCount - 1;
        const std::size_t pad = widths[column] - cell.width;
        if (column > 0) out->append(kColumnGap);
        if (kColumns[column].alignment == ColumnAlignment::Right) {
            out->append(pad, ' ');
            out->append(store.Text(cell));
        } else {
            out->append(store.Text(cell));
            if (!last) out->append(pad, ' ');
        }
    }
    const std::size_t end = out->find_last_not_of(' ');
    out->resize(end == std::string::npos || end < start ? start : end + 1);
    out->push_back('\n');
}

}  // namespace

void WriteListing(const MemberList& list, const std::function<void(std::string_view)>& write) {
    const std::size_t rows = static_cast<std::size_t>(list.rowCount());
    // The header comes first, as row 0.
    CellStore store(rows + 1);
    for (const ColumnInfo& column : kColumns)
        store.Add(column.title);
    for (std::size_t row = 0; row < rows; ++row) {
        for (int column = 0; column < kColumnCount; ++column) {
            store.Add(list.CellText(static_cast<int>(row), column));
        }
    }
    std::size_t widths[kColumnCount] = {};
    for (std::size_t i = 0; i < store.count(); ++i) {
        std::size_t& width = widths[i % kColumnCount];
        width = std::max(width, store.cell(i).width);
    }

    std::string out;
    out.reserve(kWriteChunkBytes + 4096);
    for (std::size_t row = 0; row <= rows; ++row) {
        AppendLine(store, row * kColumnCount, widths, &out);
        if (out.size() >= kWriteChunkBytes) {
            write(out);
            out.clear();
        }
    }
    if (!out.empty()) write(out);
}

}  // namespace quillory::cli
