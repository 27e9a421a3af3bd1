// The password dialog.
#include "app/password_dialog.h"

#include <QLineEdit>
#include <QVBoxLayout>

#include "app/dialog_controls.h"
#include "document/user_interface.h"

namespace quillory {

CPasswordDialog::CPasswordDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("パスワードの入力"));
    auto* layout = new QVBoxLayout(this);
    password_ = new QLineEdit(this);
    password_->setObjectName(ControlName(kPasswordEdit));
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(kPasswordDialogMaxChars);
    password_->setMinimumWidth(240);
    layout->addWidget(password_);
    layout->addWidget(OkCancelButtons(this));
}

QString CPasswordDialog::password() const {
    return password_->text();
}

}  // namespace quillory
