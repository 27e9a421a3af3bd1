// The document's only view: a report list of the open archive's members, one row per
// member, several rows selectable and the selection shown also when the list has no
// focus. It rebuilds completely on every document update; extract selected and the
// double-click reach the members through the rows' entry indices.
#pragma once

#include <QTreeView>
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
    // Command 32774.
    void ExtractSelected();
    // Selected row numbers, top to bottom.
    std::vector<int> SelectedRows() const;

    const MemberListModel& memberModel() const { return model_; }

signals:
    // After every rebuild, so that the frame can update its commands.
    void updated();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    CQuilloryDoc& doc_;
    MemberListModel model_;
};

}  // namespace quillory
