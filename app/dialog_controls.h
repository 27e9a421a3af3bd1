// What every dialog of the program shares: each control is found by its numeric id
// (its object name is "control<id>"), OK (1) and Cancel (2) sit in one button row, and
// messages are boxes titled "Quillory" without an icon.
#pragma once

#include <QString>

#include <QDialogButtonBox>

namespace quillory {

inline constexpr int kOkButton = 1;
inline constexpr int kCancelButton = 2;

QString ControlName(int id);

// "OK" and "キャンセル" wired to accept and reject; without a Cancel button when
// withCancel is false.
QDialogButtonBox* OkCancelButtons(QDialog* dialog, bool withCancel = true);

// A modal message box with the text and an OK button.
void ShowMessageBox(QWidget* owner, const QString& text);

}  // namespace quillory
