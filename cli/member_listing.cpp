// Two passes over the rows: the cells are formatted once and measured, then laid out.
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

struct Cell {
    std::string text;
    std::size_t width = 0;
};

Cell MakeCell(WStringView text) {
    Cell cell{OneLine(text), 0};
    cell.width = DisplayWidth(cell.text);
    return cell;
}

void AppendSpaces(std::string* line, std::size_t count) {
    line->append(count, ' ');
}

// One line of cells; the last column is not padded, trailing blanks are dropped.
void AppendLine(const Cell* cells, const std::size_t* widths, std::string* out) {
    const std::size_t start = out->size();
    for (int column = 0; column < kColumnCount; ++column) {
        const Cell& cell = cells[column];
        const bool last = column == kColumnCount - 1;
        const std::size_t pad = widths[column] - cell.width;
        if (column > 0) out->append(kColumnGap);
        if (kColumns[static_cast<std::size_t>(column)].alignment == ColumnAlignment::Right) {
            AppendSpaces(out, pad);
            out->append(cell.text);
        } else {
            out->append(cell.text);
            if (!last) AppendSpaces(out, pad);
        }
    }
    const std::size_t end = out->find_last_not_of(' ');
    out->resize(end == std::string::npos || end < start ? start : end + 1);
    out->push_back('\n');
}

}  // namespace

void WriteListing(const MemberList& list, const std::function<void(std::string_view)>& write) {
    const std::size_t rows = static_cast<std::size_t>(list.rowCount());
    // Row 0 is the header.
    std::vector<Cell> cells((rows + 1) * kColumnCount);
    std::size_t widths[kColumnCount] = {};
    for (int column = 0; column < kColumnCount; ++column) {
        cells[static_cast<std::size_t>(column)] =
            MakeCell(kColumns[static_cast<std::size_t>(column)].title);
    }
    for (std::size_t row = 0; row < rows; ++row) {
        const std::array<WString, kColumnCount> texts = list.RowTexts(static_cast<int>(row));
        for (std::size_t column = 0; column < kColumnCount; ++column) {
            cells[(row + 1) * kColumnCount + column] = MakeCell(texts[column]);
        }
    }
    for (std::size_t i = 0; i < cells.size(); ++i) {
        std::size_t& width = widths[i % kColumnCount];
        width = std::max(width, cells[i].width);
    }

    std::string out;
    out.reserve(kWriteChunkBytes + 4096);
    for (std::size_t row = 0; row <= rows; ++row) {
        AppendLine(&cells[row * kColumnCount], widths, &out);
        if (out.size() >= kWriteChunkBytes) {
            write(out);
            out.clear();
        }
    }
    if (!out.empty()) write(out);
}

}  // namespace quillory::cli
