// The password dialog: the archive and member it asks for and one masked edit limited to
// kPasswordDialogMaxChars characters, so a longer password cannot be typed or pasted.
#include "app/password_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/dialog_controls.h"
#include "app/qt_text.h"
#include "document/texts.h"
#include "document/user_interface.h"

namespace quillory {

CPasswordDialog::CPasswordDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Tr("パスワードの入力"));
    auto* layout = new QVBoxLayout(this);
    subject_ = new QLabel(this);
    subject_->setObjectName(ControlName(kSubjectLabel));
    subject_->setTextFormat(Qt::PlainText);
    subject_->hide();
    layout->addWidget(subject_);
    wrong_ = new QLabel(ToQString(texts::kWrongPassword), this);
    wrong_->setObjectName(ControlName(kWrongLabel));
    wrong_->setTextFormat(Qt::PlainText);
    wrong_->hide();
    layout->addWidget(wrong_);
    password_ = new QLineEdit(this);
    password_->setObjectName(ControlName(kPasswordEdit));
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(kPasswordDialogMaxChars);
    password_->setMinimumWidth(240);
    layout->addWidget(password_);
    layout->addWidget(OkCancelButtons(this));
}

void CPasswordDialog::setSubject(const QString& archive, const QString& member) {
    subject_->setText(Tr("書庫：") + archive + u'\n' + Tr("ファイル：") + member);
    subject_->setVisible(!archive.isEmpty() || !member.isEmpty());
}

void CPasswordDialog::setWrongBefore() {
    wrong_->show();
}

QString CPasswordDialog::password() const {
    return password_->text();
}

}  // namespace quillory
