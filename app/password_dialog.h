// Dialog 133 "パスワードの入力": one masked edit that takes at most
// kPasswordDialogMaxChars characters, so no more can be typed or pasted.
#pragma once

#include <QDialog>

class QLineEdit;

namespace quillory {

class CPasswordDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPasswordEdit = 1001;

    explicit CPasswordDialog(QWidget* parent = nullptr);
    QString password() const;

private:
    QLineEdit* password_;
};

}  // namespace quillory
