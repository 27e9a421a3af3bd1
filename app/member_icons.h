// The icons of the member list: a file type's icon from the desktop's icon theme (its
// MIME type guessed from the name by Qt's MIME database), the folder icon, and the same
// with a lock mark for a protected member. Each type's icon is looked up and drawn once,
// however many rows show it, so a list of 100,000 members costs no more than its types.
#pragma once

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QString>

namespace quillory {

class MemberIcons {
public:
    QIcon ForFile(const QString& name, bool encrypted);
    QIcon ForFolder();

private:
    QIcon Themed(const QString& mimeName);
    static QIcon Locked(const QIcon& icon);

    QMimeDatabase mimes_;
    QHash<QString, QString> mimeOfSuffix_;  // "tar.gz" -> "application/x-compressed-tar"
    QHash<QString, QIcon> icons_;           // by MIME type, "+lock" for the locked ones
};

}  // namespace quillory
