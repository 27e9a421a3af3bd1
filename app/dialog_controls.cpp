// The pieces every dialog shares: the object name a control is found by ("control<id>"),
// the OK/Cancel row with ids 1 and 2, and the message box titled "Quillory" without an
// icon. Nothing here keeps state.
#include "app/dialog_controls.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>

#include "app/qt_text.h"

namespace quillory {

QString ControlName(int id) {
    return QStringLiteral("control%1").arg(id);
}

QDialogButtonBox* OkCancelButtons(QDialog* dialog, bool withCancel) {
    auto* box = new QDialogButtonBox(dialog);
    QPushButton* ok = box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(ControlName(kOkButton));
    ok->setDefault(true);
    if (withCancel) {
        QPushButton* cancel = box->addButton(Tr("キャンセル"), QDialogButtonBox::RejectRole);
        cancel->setObjectName(ControlName(kCancelButton));
    }
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

void ShowMessageBox(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillory"), text, QMessageBox::Ok, owner);
    box.exec();
}

}  // namespace quillory
