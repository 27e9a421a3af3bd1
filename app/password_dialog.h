// Dialog 133 "パスワードの入力": the archive and the member the password is for, and one
// masked edit that takes at most kPasswordDialogMaxChars characters, so no more can be
// typed or pasted.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace quillory {

class CPasswordDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPasswordEdit = 1001;
    static constexpr int kSubjectLabel = 1002;

    explicit CPasswordDialog(QWidget* parent = nullptr);
    QString password() const;
    // "書庫：<archive>" and "ファイル：<member>" above the edit.
    void setSubject(const QString& archive, const QString& member);

private:
    QLabel* subject_;
    QLineEdit* password_;
};

}  // namespace quillory
