// The document's only view: a report list of the open archive's members, one row per
// member, several rows selectable and the selection shown also when the list has no
// focus. It rebuilds completely on every document update; extract selected, the
// double-click and Enter reach the members through the rows' entry indices. A click on
// a column's header sorts by it (folders first); the context menu offers extract
// selected, open and test; rows dragged to a file manager are extracted into a private
// staging folder first and handed over as files (text/uri-list).
#pragma once

#include <QList>
#include <QTreeView>
#include <QUrl>
#include <optional>
#include <vector>

#include "app/member_list_model.h"
#include "document/document_view.h"

namespace quillory {

class CQuilloryDoc;

class CQuilloryView final : public QTreeView, public DocumentView {
    Q_OBJECT

public:
    CQuilloryView(CQuilloryDoc& doc, QWidget* parent = nullptr);
    ~CQuilloryView() override;

    void OnUpdate() override;
    // The folder view of one folder (its stored path, "" for the top), or every member
    // at once (nothing); the list is rebuilt at once.
    void SetFolder(std::optional<WString> folder);
    const std::optional<WString>& folder() const { return model_.list().folder(); }
    // The folder above the one shown, in the folder view.
    void GoUp();
    // Only the rows whose name holds text (MemberList::SetFilter); empty: all of them.
    void SetFilter(const QString& text);
    // Command 32774.
    void ExtractSelected();
    // Opens the current row's member, as a double-click on it does.
    void OpenCurrent();
    // Selected row numbers, top to bottom.
    std::vector<int> SelectedRows() const;
    // Extracts the selected rows' members into a new staging folder and gives the
    // top-level files and folders they made there; empty when nothing came out.
    QList<QUrl> ExtractForDrag();

    const MemberListModel& memberModel() const { return model_; }
    QAction* openAction() const { return open_; }

signals:
    // After every rebuild, so that the frame can update its commands.
    void updated();
    // After the folder shown or the filter changed, the rows listed anew.
    void folderChanged();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    CQuilloryDoc& doc_;
    MemberListModel model_;
    QAction* open_;
};

// The width that shows a size of 14 digits with its commas ("99,999,999,999,999").
int SizeColumnWidth(const QFontMetrics& metrics);

}  // namespace quillory
