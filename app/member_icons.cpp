// The member list's icons, cached by MIME type: the theme's icon of the type, else of its
// generic type, else the style's file icon; the lock mark is drawn over the icon's
// bottom-right quarter, from the theme's "emblem-locked" or, without one, as a padlock.
#include "app/member_icons.h"

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace quillory {
namespace {

const QString kLockedKey = QStringLiteral("+lock");
const QString kFolderKey = QStringLiteral("inode/directory");

// A padlock in the corner square at (x, y) of side s, for a theme without the emblem.
void DrawPadlock(QPainter& painter, int x, int y, int s) {
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(80, 80, 80));
    pen.setWidthF(s / 8.0);
    painter.setPen(pen);
    painter.drawArc(QRectF(x + s * 0.25, y, s * 0.5, s * 0.6), 0, 180 * 16);
    painter.setBrush(QColor(230, 180, 40));
    painter.drawRect(QRectF(x + s * 0.12, y + s * 0.4, s * 0.76, s * 0.55));
}

}  // namespace

QIcon MemberIcons::ForFolder() {
    auto it = icons_.find(kFolderKey);
    if (it == icons_.end()) {
        it = icons_.insert(kFolderKey,
                           QIcon::fromTheme(QStringLiteral("folder"),
                                            qApp->style()->standardIcon(QStyle::SP_DirIcon)));
    }
    return *it;
}

QIcon MemberIcons::ForFile(const QString& name, bool encrypted) {
    const QString suffix = QFileInfo(name).completeSuffix().toLower();
    auto mime = mimeOfSuffix_.find(suffix);
    if (mime == mimeOfSuffix_.end()) {
        mime = mimeOfSuffix_.insert(
            suffix, mimes_.mimeTypeForFile(name, QMimeDatabase::MatchExtension).name());
    }
    if (!encrypted) return Themed(*mime);
    const QString key = *mime + kLockedKey;
    auto it = icons_.find(key);
    if (it == icons_.end()) it = icons_.insert(key, Locked(Themed(*mime)));
    return *it;
}

QIcon MemberIcons::Themed(const QString& mimeName) {
    auto it = icons_.find(mimeName);
    if (it != icons_.end()) return *it;
    const QMimeType type = mimes_.mimeTypeForName(mimeName);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull()) icon = qApp->style()->standardIcon(QStyle::SP_FileIcon);
    return *icons_.insert(mimeName, icon);
}

QIcon MemberIcons::Locked(const QIcon& icon) {
    const QIcon emblem = QIcon::fromTheme(QStringLiteral("emblem-locked"));
    QIcon locked;
    for (const int side : {16, 32}) {
        QPixmap picture = icon.pixmap(side, side);
        if (picture.isNull()) {
            picture = QPixmap(side, side);
            picture.fill(Qt::transparent);
        }
        QPainter painter(&picture);
        const int mark = side / 2;
        const int x = picture.width() - mark;
        const int y = picture.height() - mark;
        if (!emblem.isNull()) {
            painter.drawPixmap(x, y, emblem.pixmap(mark, mark));
        } else {
            DrawPadlock(painter, x, y, mark);
        }
        painter.end();
        locked.addPixmap(picture);
    }
    return locked;
}

}  // namespace quillory
