// The member list as a Qt table model: rows and cells come from the document's
// MemberList and are formatted only when drawn; sorting and rebuilding reset the whole
// model. It never changes the document's entries.
#include "app/member_list_model.h"

#include "app/qt_text.h"

namespace quillory {
namespace {

// The folder column shows the host's separators, as the archive-name bar does; fonts
// for Japanese draw the backslash as a yen sign.
constexpr int kPathColumn = 6;
constexpr int kSizeColumn = 1;
constexpr int kPackedColumn = 2;
static_assert(kColumns[kPathColumn].title.source == WStringView(u"パス"));

QVariant Alignment(int column) {
    const bool right =
        kColumns[static_cast<std::size_t>(column)].alignment == ColumnAlignment::Right;
    return QVariant::fromValue(
        Qt::Alignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
}

}  // namespace

void MemberListModel::Rebuild(const CQuilloryDoc& doc) {
    beginResetModel();
    list_.Rebuild(doc);
    endResetModel();
}

void MemberListModel::sort(int column, Qt::SortOrder order) {
    beginResetModel();
    list_.Sort(column, order == Qt::DescendingOrder);
    endResetModel();
}

Qt::ItemFlags MemberListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid()) flags |= Qt::ItemIsDragEnabled;
    return flags;
}

int MemberListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.rowCount();
}

int MemberListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant MemberListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
        case Qt::DisplayRole: {
            const WString text = list_.CellText(index.row(), index.column());
            return index.column() == kPathColumn ? HostPathText(text) : ToQString(text);
        }
        case Qt::TextAlignmentRole:
            return Alignment(index.column());
        case Qt::DecorationRole: {
            if (index.column() != 0) return {};
            const MemberList::RowFacts facts = list_.Facts(index.row());
            if (facts.folder) return icons_.ForFolder();
            return icons_.ForFile(ToQString(list_.CellText(index.row(), 0)), facts.encrypted);
        }
        case Qt::ToolTipRole: {
            if (index.column() == kSizeColumn || index.column() == kPackedColumn) {
                const MemberList::RowFacts facts = list_.Facts(index.row());
                if (facts.folder) return {};
                return ReadableSize(index.column() == kSizeColumn ? facts.size : facts.packedSize);
            }
            const WString note = list_.UnsupportedNote(index.row());
            return note.empty() ? QVariant() : QVariant(ToQString(note));
        }
        default:
            return {};
    }
}

QVariant MemberListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
    switch (role) {
        case Qt::DisplayRole:
            return ToQString(kColumns[static_cast<std::size_t>(section)].title);
        case Qt::TextAlignmentRole:
            return Alignment(section);
        default:
            return {};
    }
}

}  // namespace quillory
