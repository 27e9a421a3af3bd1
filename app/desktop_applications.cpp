// Desktop entries are read by the program itself, as GLib and KDE read them: the one
// group "[Desktop Entry]", localized keys by language with and without the country, and
// the mimeapps.list files of the configuration and data folders for what the user chose.
#include "app/desktop_applications.h"

#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QMimeType>
#include <QSet>
#include <QStandardPaths>
#include <QUrl>

namespace quillory {
namespace {

// text with each escape (the escape character and the one after it) replaced by what
// replace gives for the character after it; an escape character at the end stays.
template <class Replace>
QString Expanded(const QString& text, QChar escape, const Replace& replace) {
    QString expanded;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != escape || i + 1 == text.size()) {
            expanded += text[i];
            continue;
        }
        expanded += replace(text[++i]);
    }
    return expanded;
}

// A desktop entry's string escapes: \s \n \t \r \\ (and \; inside lists).
QString Unescaped(const QString& value) {
    return Expanded(value, u'\\', [](QChar next) {
        return QString(next == u's'   ? QChar(u' ')
                       : next == u'n' ? QChar(u'\n')
                       : next == u't' ? QChar(u'\t')
                       : next == u'r' ? QChar(u'\r')
                                      : next);
    });
}

QStringList ListOf(const QString& value) {
    QStringList items;
    for (const QString& item : value.split(u';', Qt::SkipEmptyParts)) {
        if (!item.trimmed().isEmpty()) items << item.trimmed();
    }
    return items;
}

// The groups of an ini-like file by name ("[Group]" lines, then its "Key=Value" lines),
// read in one pass.
QHash<QString, QHash<QString, QString>> GroupsOf(const QString& text) {
    QHash<QString, QHash<QString, QString>> groups;
    QString group;
    bool inGroup = false;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[')) {
            inGroup = line.endsWith(u']');
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (inGroup && equals > 0) {
            groups[group].insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
        }
    }
    return groups;
}

QString ReadText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.read(1 << 20));
}

QStringList CurrentDesktops() {
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
}

// The mimeapps.list files, the user's first: in the configuration folders (for each
// current desktop, then for all) and in the applications folders.
QStringList MimeAppsLists() {
    QStringList lists;
    for (const QString& folder :
         QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
        for (const QString& desktop : CurrentDesktops())
            lists << folder + u'/' + desktop.toLower() + QStringLiteral("-mimeapps.list");
        lists << folder + QStringLiteral("/mimeapps.list");
    }
    for (const QString& folder :
         QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
        lists << folder + QStringLiteral("/mimeapps.list");
    return lists;
}

// Exec's words: separated by blanks, or in double quotes, inside which a backslash takes
// the next character as it is (a quote, a backslash). Nothing for an unterminated quote.
std::optional<QStringList> WordsOf(const QString& exec) {
    QStringList words;
    QString word;
    bool inWord = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == u'"') {
            inWord = true;
            for (++i; i < exec.size() && exec[i] != u'"'; ++i) {
                if (exec[i] == u'\\' && i + 1 < exec.size()) ++i;
                word += exec[i];
            }
            if (i == exec.size()) return std::nullopt;
        } else if (c == u' ' || c == u'\t') {
            if (inWord) words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words << word;
    return words;
}

QString FileUrl(const QString& file) {
    return QString::fromUtf8(QUrl::fromLocalFile(file).toEncoded());
}

}  // namespace

std::optional<DesktopApplication> ParseDesktopEntry(const QString& text, const QString& id,
                                                    const QString& file, const QString& language) {
    const QHash<QString, QString> keys = GroupsOf(text).value(QStringLiteral("Desktop Entry"));
    const auto value = [&](const QString& key) { return Unescaped(keys.value(key)); };
    if (value(QStringLiteral("Type")) != u"Application" ||
        value(QStringLiteral("Hidden")) == u"true" ||
        value(QStringLiteral("NoDisplay")) == u"true" || value(QStringLiteral("Exec")).isEmpty())
        return std::nullopt;
    const QStringList desktops = CurrentDesktops();
    const QStringList onlyIn = ListOf(value(QStringLiteral("OnlyShowIn")));
    const QStringList notIn = ListOf(value(QStringLiteral("NotShowIn")));
    const auto shownHere = [&](const QStringList& list) {
        for (const QString& desktop : desktops) {
            if (list.contains(desktop)) return true;
        }
        return false;
    };
    if ((!onlyIn.isEmpty() && !shownHere(onlyIn)) || shownHere(notIn)) return std::nullopt;

    DesktopApplication app;
    app.id = id;
    app.file = file;
    const QString country = QStringLiteral("Name[%1]").arg(language);
    const QString lang = QStringLiteral("Name[%1]").arg(language.section(u'_', 0, 0));
    app.name = keys.contains(country) ? value(country)
               : keys.contains(lang)  ? value(lang)
                                      : value(QStringLiteral("Name"));
    if (app.name.isEmpty()) app.name = id;
    app.icon = value(QStringLiteral("Icon"));
    app.exec = value(QStringLiteral("Exec"));
    app.mimeTypes = ListOf(value(QStringLiteral("MimeType")));
    app.terminal = value(QStringLiteral("Terminal")) == u"true";
    return app;
}

QList<DesktopApplication> InstalledApplications() {
    QList<DesktopApplication> apps;
    QSet<QString> seen;
    const QString language = QLocale().name();
    for (const QString& folder :
         QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        QDirIterator files(folder, {QStringLiteral("*.desktop")}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            // An entry in a subfolder has the folders in its id: kde/okular.desktop is
            // kde-okular.desktop.
            QString id = path.mid(folder.size() + 1);
            id.replace(u'/', u'-');
            if (seen.contains(id)) continue;
            seen.insert(id);
            if (auto app = ParseDesktopEntry(ReadText(path), id, path, language)) apps << *app;
        }
    }
    return apps;
}

QList<DesktopApplication> ApplicationsFor(const QMimeType& mime,
                                          const QList<DesktopApplication>& installed) {
    QHash<QString, const DesktopApplication*> byId;
    for (const DesktopApplication& app : installed)
        byId.insert(app.id, &app);
    QStringList types{mime.name()};
    types << mime.aliases() << mime.allAncestors();

    // What the mimeapps.list files say, the user's files first.
    QHash<QString, QStringList> defaults;
    QHash<QString, QStringList> added;
    QSet<QString> removed;  // "type id"
    for (const QString& list : MimeAppsLists()) {
        const QString text = ReadText(list);
        if (text.isEmpty()) continue;
        const auto groups = GroupsOf(text);
        const auto ofDefaults = groups.value(QStringLiteral("Default Applications"));
        const auto ofAdded = groups.value(QStringLiteral("Added Associations"));
        const auto ofRemoved = groups.value(QStringLiteral("Removed Associations"));
        for (const QString& type : types) {
            defaults[type] << ListOf(ofDefaults.value(type));
            added[type] << ListOf(ofAdded.value(type));
            for (const QString& id : ListOf(ofRemoved.value(type)))
                removed.insert(type + u' ' + id);
        }
    }

    QList<DesktopApplication> found;
    QSet<QString> taken;
    const auto take = [&](const QString& type, const QString& id) {
        const DesktopApplication* app = byId.value(id);
        if (app == nullptr || taken.contains(id) || removed.contains(type + u' ' + id)) return;
        taken.insert(id);
        found << *app;
    };
    for (const QString& type : types) {
        if (found.isEmpty()) {
            for (const QString& id : defaults.value(type))
                take(type, id);
        }
        for (const QString& id : added.value(type))
            take(type, id);
        for (const DesktopApplication& app : installed) {
            if (app.mimeTypes.contains(type)) take(type, app.id);
        }
    }
    return found;
}

QStringList CommandFor(const DesktopApplication& app, const QString& file) {
    const std::optional<QStringList> words = WordsOf(app.exec);
    if (!words || words->isEmpty()) return {};
    QStringList command;
    bool namesFile = false;
    for (const QString& word : *words) {
        if (word == u"%f" || word == u"%F" || word == u"%u" || word == u"%U") {
            command << (word[1].toLower() == u'f' ? file : FileUrl(file));
            namesFile = true;
            continue;
        }
        if (word == u"%i") {
            if (!app.icon.isEmpty()) command << QStringLiteral("--icon") << app.icon;
            continue;
        }
        const QString expanded = Expanded(word, u'%', [&](QChar code) -> QString {
            if (code == u'%') return QStringLiteral("%");
            if (code == u'c') return app.name;
            if (code == u'k') return app.file;
            if (code == u'f' || code == u'F' || code == u'u' || code == u'U') {
                namesFile = true;
                return code.toLower() == u'f' ? file : FileUrl(file);
            }
            return {};  // other field codes are dropped
        });
        if (!expanded.isEmpty() || !word.contains(u'%')) command << expanded;
    }
    if (command.isEmpty()) return {};
    if (!namesFile) command << file;
    if (app.terminal) {
        const QString terminal =
            QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
        if (terminal.isEmpty()) return {};
        command = QStringList{terminal, QStringLiteral("-e")} + command;
    }
    return command;
}

}  // namespace quillory
