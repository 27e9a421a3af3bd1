// The applications the desktop knows, read from their freedesktop desktop entries and
// the mimeapps.list files: which of them open a MIME type, and how one is started with
// a file.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QMimeType;

namespace quillory {

struct DesktopApplication {
    QString id;    // the entry's file name below an applications folder, "org.gnome.eog.desktop"
    QString name;  // Name in the user's language, else Name
    QString icon;
    QString exec;  // the Exec line as written
    QStringList mimeTypes;
    QString file;           // the entry's own path
    bool terminal = false;  // Terminal=true: runs in a terminal window
};

// The application an entry describes, or nothing for one not to offer: not
// Type=Application, Hidden or NoDisplay, without Exec, or not for this desktop
// (OnlyShowIn, NotShowIn against XDG_CURRENT_DESKTOP). language is e.g. "ja_JP".
std::optional<DesktopApplication> ParseDesktopEntry(const QString& text, const QString& id,
                                                    const QString& file, const QString& language);

// The applications in the applications folders of $XDG_DATA_HOME and $XDG_DATA_DIRS;
// an entry hides those of the same id in later folders.
QList<DesktopApplication> InstalledApplications();

// Those of installed that open a file of type mime or of a type it inherits from: by
// their MimeType, or added by a mimeapps.list and not removed there. The default
// application of the nearest type comes first, then the others in their order.
QList<DesktopApplication> ApplicationsFor(const QMimeType& mime,
                                          const QList<DesktopApplication>& installed);

// The program and its arguments that start app with file: Exec's words unquoted, %f and
// %F the path, %u and %U its file: URL, %i "--icon" and the icon, %c the name, %k the
// entry, %% a percent sign, other field codes dropped; the path is added at the end
// where Exec names no file. An application for a terminal runs in Debian's terminal
// ("x-terminal-emulator -e"). Empty when Exec cannot be read, or a terminal is wanted
// and there is none.
QStringList CommandFor(const DesktopApplication& app, const QString& file);

}  // namespace quillory
