// What every dialog of the program shares: each control is found by its numeric id
// (its object name is "control<id>"), and OK (1) and Cancel (2) sit in one button row.
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

}  // namespace quillory
