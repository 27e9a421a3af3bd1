// The about box laid out: the program's icon, the version line from the build and one
// line on what the program does, with OK alone. It reads and changes nothing.
#include "app/about_dialog.h"

#include <QGridLayout>
#include <QIcon>
#include <QLabel>

#include "app/dialog_controls.h"
#include "app/qt_text.h"

namespace quillory {
namespace {

constexpr int kIconPixels = 48;
// A Japanese proportional Gothic at 9 points, as the box was drawn for.
constexpr int kFontPoints = 9;

}  // namespace

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Tr("Quillory のバージョン情報"));
    QFont font(QStringLiteral("IPAPGothic"), kFontPoints);
    setFont(font);
    auto* layout = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(QIcon(QStringLiteral(":/quillory.svg")).pixmap(kIconPixels, kIconPixels));
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(new QLabel(QString::fromUtf8(kVersionText), this), 0, 1);
    layout->addWidget(new QLabel(Tr("LZH・ZIP 書庫を展開するツール"), this), 1, 1);
    layout->addWidget(OkCancelButtons(this, false), 2, 0, 1, 2);
    layout->setHorizontalSpacing(16);
}

}  // namespace quillory
