// The list view.
#include "app/quillory_view.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <algorithm>

#include "document/quillory_doc.h"

namespace quillory {

CQuilloryView::CQuilloryView(CQuilloryDoc& doc, QWidget* parent) : QTreeView(parent), doc_(doc) {
    setObjectName(QStringLiteral("memberList"));
    setModel(&model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    // Every row has the same height: the view then lays out 100,000 rows without asking
    // each one.
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setFrameShape(QFrame::StyledPanel);
    // The selection keeps its colour when the list loses focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
    header()->setStretchLastSection(true);
    header()->setSectionsMovable(false);
    for (int column = 0; column < kColumnCount; ++column)
        header()->resizeSection(column, kColumns[static_cast<std::size_t>(column)].width);
    doc_.AddView(this);
}

CQuilloryView::~CQuilloryView() {
    doc_.RemoveView(this);
}

void CQuilloryView::OnUpdate() {
    model_.Rebuild(doc_);
    emit updated();
}

std::vector<int> CQuilloryView::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CQuilloryView::ExtractSelected() {
    const std::vector<int> rows = SelectedRows();
    model_.list().ExtractSelected(doc_, rows);
}

void CQuilloryView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QTreeView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    model_.list().OpenRow(doc_, index.isValid() ? index.row() : -1);
}

}  // namespace quillory
