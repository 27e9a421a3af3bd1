// The short help window (F1): what the program does, how to work in the window, and the
// keys. Modeless, so it can stay beside the window while the user tries the keys.
#pragma once

#include <QDialog>

namespace quillory {

class CHelpDialog : public QDialog {
    Q_OBJECT

public:
    explicit CHelpDialog(QWidget* parent = nullptr);
};

}  // namespace quillory
