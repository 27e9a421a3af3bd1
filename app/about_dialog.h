// Dialog 100 "Quillory のバージョン情報": the icon, the version line and a line about
// what the program does. Nothing but showing it modally.
#pragma once

#include <QDialog>

#include "document/version.h"

namespace quillory {

inline constexpr char kVersionText[] = "Quillory Version " QUILLORY_VERSION;

class CAboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDialog(QWidget* parent = nullptr);
};

}  // namespace quillory
