// The member list as a Qt table model: the document's MemberList behind it, its seven
// columns with their titles and alignment, and cells formatted only when drawn, so that
// an archive of 100,000 members lists at once. Names have their type's icon (a lock mark
// on protected members); sizes show their readable form ("2.4 GB") as a tool tip. Rebuild resets
// the whole model, and so does sorting by a column. Rows can be dragged (the view makes the drag).
#pragma once

#include <QAbstractTableModel>

#include "app/member_icons.h"
#include "document/member_list.h"

namespace quillory {

class CQuilloryDoc;

class MemberListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void Rebuild(const CQuilloryDoc& doc);
    const MemberList& list() const { return list_; }
    // MemberList::SetFolder; the next Rebuild shows it.
    void SetFolder(std::optional<WString> folder) { list_.SetFolder(std::move(folder)); }
    void SetFilter(WStringView text) { list_.SetFilter(text); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Clicking a column's header: MemberList::Sort (column -1: table order).
    void sort(int column, Qt::SortOrder order) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    MemberList list_;
    mutable MemberIcons icons_;
};

}  // namespace quillory
