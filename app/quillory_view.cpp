// The list view: rebuilt whole on every document update, sorting by a clicked column,
// extracting or opening the selected rows through their entry indices, and dragging
// rows out as files extracted first into a private staging folder. A row never stands
// for a member by its position.
#include "app/quillory_view.h"

#include <QAction>
#include <QDateTime>
#include <QDrag>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <algorithm>
#include <set>
#include <string>

#include "app/qt_text.h"
#include "document/quillory_doc.h"
#include "document/texts.h"
#include "platform/path.h"
#include "platform/private_folder.h"

namespace quillory {
namespace {

// The size columns, which must show 14-digit sizes whole.
constexpr int kSizeColumns[] = {1, 2};

}  // namespace

int SizeColumnWidth(const QFontMetrics& metrics) {
    constexpr int kPadding = 16;
    return metrics.horizontalAdvance(QStringLiteral("99,999,999,999,999")) + kPadding;
}

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
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
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
    for (const int column : kSizeColumns)
        header()->resizeSection(
            column, std::max(header()->sectionSize(column), SizeColumnWidth(fontMetrics())));
    // Table order until a header is clicked; a third click goes back to it.
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    header()->setSortIndicatorClearable(true);
    setSortingEnabled(true);
    // The context menu: the frame adds its commands around "開く".
    open_ = new QAction(Tr("開く(&O)"), this);
    connect(open_, &QAction::triggered, this, &CQuilloryView::OpenCurrent);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    doc_.AddView(this);
}

CQuilloryView::~CQuilloryView() {
    doc_.RemoveView(this);
}

void CQuilloryView::OnUpdate() {
    model_.Rebuild(doc_);
    // Another archive, or other names: a folder no longer there shows the top instead.
    const std::optional<WString>& shown = folder();
    const std::vector<WString>& folders = model_.list().folders();
    if (shown && !shown->empty() && !std::binary_search(folders.begin(), folders.end(), *shown)) {
        model_.SetFolder(WString());
        model_.Rebuild(doc_);
        emit folderChanged();
    }
    emit updated();
}

void CQuilloryView::SetFolder(std::optional<WString> folder) {
    if (folder == this->folder()) return;
    model_.SetFolder(std::move(folder));
    model_.Rebuild(doc_);
    emit folderChanged();
}

void CQuilloryView::SetFilter(const QString& text) {
    model_.SetFilter(FromQString(text));
    model_.Rebuild(doc_);
    emit folderChanged();
}

void CQuilloryView::GoUp() {
    const std::optional<WString>& shown = folder();
    if (!shown || shown->empty()) return;
    // "a\b\" -> "a\": up to the separator before the last name.
    WString up = *shown;
    up.pop_back();
    const std::size_t cut = up.find_last_of(u"\\/");
    up.resize(cut == WString::npos ? 0 : cut + 1);
    SetFolder(up);
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

void CQuilloryView::OpenCurrent() {
    if (doc_.Busy()) return;
    const QModelIndex index = currentIndex();
    model_.list().OpenRow(doc_, index.isValid() ? index.row() : -1);
}

void CQuilloryView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QTreeView::mouseDoubleClickEvent(event);
    if (doc_.Busy()) return;
    const QModelIndex index = indexAt(event->position().toPoint());
    model_.list().OpenRow(doc_, index.isValid() ? index.row() : -1);
}

void CQuilloryView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return OpenCurrent();
    QTreeView::keyPressEvent(event);
}

QList<QUrl> CQuilloryView::ExtractForDrag() {
    QList<QUrl> urls;
    if (doc_.Busy() || doc_.isOpen == 0) return urls;
    const MemberList& list = model_.list();
    std::vector<int> entries;
    for (const int row : SelectedRows())
        entries.push_back(list.EntryIndex(row));
    const std::optional<WString> staging = platform::SessionFolder(kDragFolderName);
    if (entries.empty() || !staging) return urls;
    // A folder of its own for each drag: what the file manager copies is this drag's.
    const WString folder =
        *staging + platform::AsciiToWide(std::to_string(QDateTime::currentMSecsSinceEpoch()));
    doc_.ExtractForDrag(entries, folder);
    doc_.jobHost().Wait();
    // The top level of what each member made: its first folder, or the file itself.
    std::set<QString> seen;
    for (const int row : SelectedRows()) {
        const QString stored = HostPathText(
            list.CellText(row, 6) +
            (list.CellText(row, 0) == texts::kFolderRowName ? WString() : list.CellText(row, 0)));
        const QString top = stored.section(u'/', 0, 0, QString::SectionSkipEmpty);
        const QString path = QtFilePath(folder) + u'/' + top;
        if (top.isEmpty() || !seen.insert(top).second || !QFileInfo::exists(path)) continue;
        urls << QUrl::fromLocalFile(path);
    }
    return urls;
}

void CQuilloryView::startDrag(Qt::DropActions) {
    const QList<QUrl> urls = ExtractForDrag();
    if (urls.isEmpty()) return;
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    QDrag drag(this);
    drag.setMimeData(mime);
    drag.exec(Qt::CopyAction);
}

}  // namespace quillory
