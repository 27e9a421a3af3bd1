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
    static constexpr int kWrongLabel = 1003;

    explicit CPasswordDialog(QWidget* parent = nullptr);
    QString password() const;
    // "書庫：<archive>" and "ファイル：<member>" above the edit.
    void setSubject(const QString& archive, const QString& member);
    // "パスワードが違います。" above the edit: the password typed before was wrong.
    void setWrongBefore();

private:
    QLabel* subject_;
    QLabel* wrong_;
    QLineEdit* password_;
};

}  // namespace quillory
